#include "media/backends/builtin/ffmpeg_source.h"

#include "app/app_services.h"
#include "media/backends/builtin/ffmpeg_support.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>

namespace lyrimo {
namespace {

// Decoding starts this long before a seek target, so that decoders that need the sound before a
// frame (MP3's bit reservoir, Vorbis and Opus overlap) give the target's frame as it really is.
constexpr double kPrerollSeconds = 0.5;
// A stream is taken as over after this many failures in a row.
constexpr int kMaxFailuresInARow = 64;
// A stream whose frames carry no time after a seek is decoded from its start instead.
constexpr int kMaxUnplacedFrames = 8;
// A frame whose time lies further than this from where the samples before it end marks a gap in
// a damaged file (filled with silence) or an overlap (the repeated part is dropped), so that
// playing through places every frame where a seek to it does.
constexpr double kTimeToleranceSeconds = 0.02;
// Gaps are filled this many input samples at a time.
constexpr int kSilenceChunk = 4096;

int64_t FrameTime(const AVFrame* frame) {
    return frame->pts != AV_NOPTS_VALUE ? frame->pts : frame->best_effort_timestamp;
}

} // namespace

std::unique_ptr<tFfmpegSource> tFfmpegSource::Open(const QString& fileName, int outputRate, QString& reason) {
    std::unique_ptr<tFfmpegSource> source(new tFfmpegSource(outputRate));
    if (!source->OpenFile(fileName, reason))
        return nullptr;
    return source;
}

tFfmpegSource::~tFfmpegSource() {
    swr_free(&resampler_);
    av_frame_free(&frame_);
    av_frame_free(&afterGap_);
    av_frame_free(&silence_);
    av_packet_free(&packet_);
    avcodec_free_context(&codec_);
    avformat_close_input(&format_);
}

bool tFfmpegSource::OpenFile(const QString& fileName, QString& reason) {
    if (!OpenMediaContainer(fileName, &format_, reason))
        return false;
    const AVCodec* decoder = nullptr;
    stream_ = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (stream_ < 0 || !decoder) {
        reason = stream_ == AVERROR_DECODER_NOT_FOUND ? Translate("there is no decoder for its sound")
                                                      : Translate("the file holds no sound");
        return false;
    }
    for (unsigned i = 0; i < format_->nb_streams; ++i)
        if (static_cast<int>(i) != stream_)
            format_->streams[i]->discard = AVDISCARD_ALL;
    const AVStream* stream = format_->streams[stream_];
    codec_ = avcodec_alloc_context3(decoder);
    packet_ = av_packet_alloc();
    frame_ = av_frame_alloc();
    afterGap_ = av_frame_alloc();
    silence_ = av_frame_alloc();
    if (!codec_ || !packet_ || !frame_ || !afterGap_ || !silence_ ||
        avcodec_parameters_to_context(codec_, stream->codecpar) < 0) {
        reason = Translate("not enough memory");
        return false;
    }
    codec_->pkt_timebase = stream->time_base;
    if (avcodec_open2(codec_, decoder, nullptr) < 0) {
        reason = Translate("its sound cannot be decoded");
        return false;
    }
    if (outputRate_ <= 0)
        outputRate_ = codec_->sample_rate > 0 ? codec_->sample_rate : kOwnRateFallback;
    sourceChannels_ = codec_->ch_layout.nb_channels;
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        length_ = av_rescale_q(stream->duration, stream->time_base, AVRational{1, outputRate_});
    else if (format_->duration != AV_NOPTS_VALUE && format_->duration > 0)
        length_ = av_rescale(format_->duration, outputRate_, AV_TIME_BASE);
    // The first sound decoded is media time 0; a file none can be decoded from is refused now.
    fromStart_ = true;
    while (Pending() == 0 && DecodeMore()) {
    }
    if (Pending() == 0) {
        reason = Translate("no sound could be decoded from it");
        return false;
    }
    return true;
}

double tFfmpegSource::OriginSeconds() const {
    return static_cast<double>(origin_) * av_q2d(format_->streams[stream_]->time_base);
}

bool tFfmpegSource::DecodeMore() {
    if (InGap()) {
        FillGap();
        return true;
    }
    int failures = 0;
    while (!drained_) {
        int error = avcodec_receive_frame(codec_, frame_);
        if (error == 0) {
            Convert(frame_);
            av_frame_unref(frame_);
            return true;
        }
        if (error == AVERROR_EOF || (error != AVERROR(EAGAIN) && inputEnded_)) {
            FlushResampler();
            drained_ = true;
            break;
        }
        if (error != AVERROR(EAGAIN)) {
            if (++failures > kMaxFailuresInARow)
                inputEnded_ = true;
            continue;
        }
        if (inputEnded_) { // the decoder wants input after the end: nothing more will come
            FlushResampler();
            drained_ = true;
            break;
        }
        error = av_read_frame(format_, packet_);
        if (error < 0) {
            if (error == AVERROR_EOF || ++failures > kMaxFailuresInARow) {
                inputEnded_ = true;
                avcodec_send_packet(codec_, nullptr);
            }
            continue;
        }
        if (packet_->stream_index == stream_) {
            // A damaged packet is skipped; the frames after it still play.
            if (avcodec_send_packet(codec_, packet_) < 0 && ++failures > kMaxFailuresInARow) {
                inputEnded_ = true;
                avcodec_send_packet(codec_, nullptr);
            }
        }
        av_packet_unref(packet_);
    }
    return false;
}

bool tFfmpegSource::ConfigureResampler(const AVFrame* frame) {
    const int channels = frame->ch_layout.nb_channels;
    if (resampler_ && frame->sample_rate == inRate_ && frame->format == inFormat_ && channels == inChannels_)
        return true;
    swr_free(&resampler_);
    inRate_ = 0;
    if (channels <= 0 || frame->sample_rate <= 0)
        return false;
    AVChannelLayout in{};
    if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&in, channels);
    else if (av_channel_layout_copy(&in, &frame->ch_layout) < 0)
        return false;
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    const int error =
        swr_alloc_set_opts2(&resampler_, &stereo, AV_SAMPLE_FMT_FLT, outputRate_, &in,
                            static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&in);
    if (error < 0 || swr_init(resampler_) < 0) {
        swr_free(&resampler_);
        return false;
    }
    inRate_ = frame->sample_rate;
    inFormat_ = frame->format;
    inChannels_ = channels;
    return true;
}

void tFfmpegSource::Append(const uint8_t* const* input, int inputFrames) {
    const int capacity = swr_get_out_samples(resampler_, inputFrames);
    if (capacity <= 0)
        return;
    const size_t old = pending_.size();
    pending_.resize(old + static_cast<size_t>(capacity) * 2);
    auto* out = reinterpret_cast<uint8_t*>(pending_.data() + old);
    const int made = swr_convert(resampler_, &out, capacity, const_cast<const uint8_t**>(input), inputFrames);
    pending_.resize(old + static_cast<size_t>(std::max(made, 0)) * 2);
    pendingEnd_ += std::max(made, 0);
}

void tFfmpegSource::AppendFrame(const AVFrame* frame, int skip) {
    if (skip <= 0) {
        Append(frame->extended_data, frame->nb_samples);
        return;
    }
    if (skip >= frame->nb_samples)
        return;
    const auto format = static_cast<AVSampleFormat>(frame->format);
    const bool planar = av_sample_fmt_is_planar(format);
    const int offset = skip * av_get_bytes_per_sample(format) * (planar ? 1 : inChannels_);
    std::vector<const uint8_t*> input(static_cast<size_t>(planar ? inChannels_ : 1));
    for (size_t plane = 0; plane < input.size(); ++plane)
        input[plane] = frame->extended_data[plane] + offset;
    Append(input.data(), frame->nb_samples - skip);
}

int64_t tFfmpegSource::MediaFrame(int64_t time) const {
    return av_rescale_q_rnd(time - origin_, format_->streams[stream_]->time_base, AVRational{1, outputRate_},
                            static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
}

int64_t tFfmpegSource::NextOutputFrame() const {
    return pendingEnd_ + swr_get_delay(resampler_, outputRate_);
}

void tFfmpegSource::Convert(const AVFrame* frame) {
    const int64_t time = FrameTime(frame);
    if (!originKnown_) {
        origin_ = time != AV_NOPTS_VALUE ? time : 0;
        originKnown_ = true;
    }
    if (!positionKnown_) {
        if (time != AV_NOPTS_VALUE) {
            pendingEnd_ = MediaFrame(time);
        } else if (fromStart_) {
            pendingEnd_ = 0;
        } else {
            ++unplacedFrames_;
            return;
        }
        positionKnown_ = true;
    }
    if (!ConfigureResampler(frame))
        return;
    int64_t late = 0; // how much later than the sound before it ends the frame's time has it start
    if (time != AV_NOPTS_VALUE) {
        const int64_t at = MediaFrame(time);
        // A time beyond the whole medium is broken rather than a gap.
        if (length_ <= 0 || at <= length_)
            late = at - NextOutputFrame();
    }
    const auto tolerance = static_cast<int64_t>(kTimeToleranceSeconds * outputRate_);
    if (late > tolerance) {
        StartGap(frame, late);
        return;
    }
    int skip = 0;
    if (late < -tolerance)
        skip =
            static_cast<int>(std::min<int64_t>(av_rescale(-late, inRate_, outputRate_), frame->nb_samples));
    AppendFrame(frame, skip);
}

void tFfmpegSource::StartGap(const AVFrame* frame, int64_t gapFrames) {
    const auto format = static_cast<AVSampleFormat>(frame->format);
    silence_->format = format;
    silence_->sample_rate = frame->sample_rate;
    silence_->nb_samples = kSilenceChunk;
    if (av_channel_layout_copy(&silence_->ch_layout, &frame->ch_layout) < 0 ||
        av_frame_get_buffer(silence_, 0) < 0 || av_frame_ref(afterGap_, frame) < 0) {
        av_frame_unref(silence_);
        av_frame_unref(afterGap_);
        AppendFrame(frame, 0); // without the memory for the silence the sound goes on at once
        return;
    }
    av_samples_set_silence(silence_->extended_data, 0, kSilenceChunk, inChannels_, format);
    gapLeft_ = av_rescale(gapFrames, inRate_, outputRate_);
    FillGap();
}

void tFfmpegSource::FillGap() {
    if (gapLeft_ > 0) {
        const auto samples = static_cast<int>(std::min<int64_t>(gapLeft_, kSilenceChunk));
        Append(silence_->extended_data, samples);
        gapLeft_ -= samples;
        return;
    }
    AppendFrame(afterGap_, 0);
    av_frame_unref(afterGap_);
    av_frame_unref(silence_);
}

bool tFfmpegSource::InGap() const { return afterGap_->buf[0] != nullptr; }

void tFfmpegSource::FlushResampler() {
    if (resampler_ && positionKnown_)
        Append(nullptr, 0);
}

void tFfmpegSource::Flush() {
    avcodec_flush_buffers(codec_);
    av_frame_unref(afterGap_);
    av_frame_unref(silence_);
    gapLeft_ = 0;
    swr_free(&resampler_);
    inRate_ = 0;
    pending_.clear();
    pendingRead_ = 0;
    positionKnown_ = false;
    unplacedFrames_ = 0;
    inputEnded_ = false;
    drained_ = false;
}

bool tFfmpegSource::SeekToStart() {
    const AVStream* stream = format_->streams[stream_];
    const int64_t start =
        stream->start_time != AV_NOPTS_VALUE ? std::min(stream->start_time, origin_) : origin_;
    bool seeked = avformat_seek_file(format_, stream_, INT64_MIN, start, start, 0) >= 0;
    if (!seeked)
        seeked = av_seek_frame(format_, stream_, 0, AVSEEK_FLAG_BYTE) >= 0;
    Flush();
    fromStart_ = true;
    return seeked;
}

void tFfmpegSource::DropPending(int64_t frames) {
    pendingRead_ += frames;
    if (pendingRead_ * 2 >= static_cast<int64_t>(pending_.size())) {
        pending_.clear();
        pendingRead_ = 0;
    } else if (pendingRead_ > 16384) {
        pending_.erase(pending_.begin(), pending_.begin() + pendingRead_ * 2);
        pendingRead_ = 0;
    }
}

bool tFfmpegSource::DiscardUntil(int64_t frame) {
    while (true) {
        if (Pending() == 0) {
            const bool more = DecodeMore();
            if (unplacedFrames_ > kMaxUnplacedFrames && !fromStart_ && !SeekToStart())
                return false;
            if (!more && Pending() == 0)
                return drained_; // the target lies beyond the end: the source stands at its end
            continue;
        }
        const int64_t first = pendingEnd_ - Pending();
        if (first > frame && !fromStart_) {
            // The container landed after the target; only decoding from the start is exact then.
            if (!SeekToStart())
                return false;
            continue;
        }
        if (first >= frame)
            return true;
        DropPending(std::min(frame - first, Pending()));
    }
}

bool tFfmpegSource::Seek(int64_t frame) {
    fromStart_ = false;
    const auto preroll = static_cast<int64_t>(kPrerollSeconds * outputRate_);
    bool seeked = false;
    if (frame > preroll) {
        const AVRational timeBase = format_->streams[stream_]->time_base;
        const int64_t time = origin_ + av_rescale_q(frame - preroll, AVRational{1, outputRate_}, timeBase);
        seeked = av_seek_frame(format_, stream_, time, AVSEEK_FLAG_BACKWARD) >= 0;
        Flush();
    }
    if (!seeked && !SeekToStart())
        return false;
    return DiscardUntil(frame);
}

int tFfmpegSource::Read(float* out, int frames) {
    int made = 0;
    while (made < frames) {
        if (Pending() == 0) {
            DecodeMore();
            if (Pending() == 0) {
                if (drained_)
                    break;
                continue;
            }
        }
        const int64_t take = std::min<int64_t>(frames - made, Pending());
        std::memcpy(out + made * 2, pending_.data() + pendingRead_ * 2,
                    static_cast<size_t>(take) * 2 * sizeof(float));
        made += static_cast<int>(take);
        DropPending(take);
    }
    return made;
}

} // namespace lyrimo
