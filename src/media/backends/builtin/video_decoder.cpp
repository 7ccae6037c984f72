#include "media/backends/builtin/video_decoder.h"

#include "app/app_services.h"
#include "media/backends/builtin/ffmpeg_source.h"
#include "media/backends/builtin/ffmpeg_support.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <climits>
#include <cmath>

namespace lyrimo {
namespace {

// Pictures decoded ahead of the one shown: enough to ride out a slow picture, few enough that
// full-HD pictures do not pile up memory.
constexpr size_t kPicturesAhead = 3;
// Bitmaps kept for reuse, so that playing does not allocate a picture per frame.
constexpr size_t kSparePictures = 3;
// A stream is taken as over after this many failures in a row.
constexpr int kMaxFailuresInARow = 64;
// Smaller display rectangles only park the display out of sight; pictures keep their size.
constexpr int kSmallestTarget = 16;

int64_t FrameTimestamp(const AVFrame* frame) {
    return frame->best_effort_timestamp != AV_NOPTS_VALUE ? frame->best_effort_timestamp : frame->pts;
}

// A moving picture, not a cover picture shown for the whole of a sound file.
bool IsMovingPicture(const AVStream* stream) {
    return stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
           !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC) && stream->codecpar->width > 0 &&
           stream->codecpar->height > 0;
}

} // namespace

std::unique_ptr<tVideoDecoder> tVideoDecoder::Open(const QString& fileName, std::optional<double> soundOrigin,
                                                   QString& reason) {
    std::unique_ptr<tVideoDecoder> decoder(new tVideoDecoder);
    if (!decoder->OpenFile(fileName, soundOrigin, reason))
        return nullptr;
    return decoder;
}

tVideoDecoder::~tVideoDecoder() {
    StopThread();
    sws_freeContext(scaler_);
    av_frame_free(&held_);
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&codec_);
    avformat_close_input(&format_);
}

bool tVideoDecoder::OpenFile(const QString& fileName, std::optional<double> soundOrigin, QString& reason) {
    if (!OpenMediaContainer(fileName, &format_, reason))
        return false;
    int64_t largest = 0;
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        const AVStream* stream = format_->streams[i];
        const int64_t pixels = int64_t(stream->codecpar->width) * stream->codecpar->height;
        if (IsMovingPicture(stream) && pixels > largest) {
            largest = pixels;
            stream_ = int(i);
        }
    }
    if (stream_ < 0) {
        reason = Translate("the file holds no video");
        return false;
    }
    for (unsigned i = 0; i < format_->nb_streams; ++i)
        if (int(i) != stream_)
            format_->streams[i]->discard = AVDISCARD_ALL;
    if (!OpenDecoder(reason))
        return false;

    const AVStream* stream = format_->streams[stream_];
    if (!DecodeNext()) {
        reason = Translate("its pictures cannot be decoded");
        return false;
    }
    if (!PictureSizeAllowed(frame_->width, frame_->height)) {
        reason = Translate("its pictures are too large");
        return false;
    }
    if (soundOrigin)
        origin_ = std::llround(*soundOrigin * stream->time_base.den / stream->time_base.num);
    else
        origin_ = FrameTimestamp(frame_) != AV_NOPTS_VALUE ? FrameTimestamp(frame_) : 0;
    const AVRational aspect = av_guess_sample_aspect_ratio(format_, format_->streams[stream_], frame_);
    displayWidth_ = frame_->width;
    if (aspect.num > 0 && aspect.den > 0)
        displayWidth_ = int(std::clamp<int64_t>(av_rescale(frame_->width, aspect.num, aspect.den), 1, 16384));
    displayHeight_ = frame_->height;
    targetWidth_ = displayWidth_;
    targetHeight_ = displayHeight_;
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        lengthMs_ = av_rescale_q(stream->duration, stream->time_base, AVRational{1, 1000});
    else if (format_->duration != AV_NOPTS_VALUE && format_->duration > 0)
        lengthMs_ = av_rescale(format_->duration, 1000, AV_TIME_BASE);

    queue_.push_back({TimeOf(frame_), Convert(frame_, targetWidth_, targetHeight_)});
    av_frame_unref(frame_);
    return !queue_.back().pixels.IsEmpty() || (reason = Translate("not enough memory"), false);
}

bool tVideoDecoder::OpenDecoder(QString& reason) {
    const AVStream* stream = format_->streams[stream_];
    const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!decoder) {
        reason = Translate("there is no decoder for its video");
        return false;
    }
    codec_ = avcodec_alloc_context3(decoder);
    packet_ = av_packet_alloc();
    frame_ = av_frame_alloc();
    held_ = av_frame_alloc();
    if (!codec_ || !packet_ || !frame_ || !held_ ||
        avcodec_parameters_to_context(codec_, stream->codecpar) < 0) {
        reason = Translate("not enough memory");
        return false;
    }
    codec_->pkt_timebase = stream->time_base;
    codec_->thread_count = 0; // as many decoding threads as the machine has cores
    if (avcodec_open2(codec_, decoder, nullptr) < 0) {
        reason = Translate("its video cannot be decoded");
        return false;
    }
    return true;
}

bool tVideoDecoder::DecodeNext() {
    int failures = 0;
    while (true) {
        int error = avcodec_receive_frame(codec_, frame_);
        if (error == 0)
            return true;
        if (error == AVERROR_EOF)
            return false;
        if (error != AVERROR(EAGAIN)) {
            if (++failures > kMaxFailuresInARow)
                return false;
            continue;
        }
        if (inputEnded_)
            return false;
        error = av_read_frame(format_, packet_);
        if (error < 0) {
            if (error == AVERROR_EOF || ++failures > kMaxFailuresInARow) {
                inputEnded_ = true;
                avcodec_send_packet(codec_, nullptr);
            }
            continue;
        }
        // A damaged packet is passed over; the pictures after it still come.
        if (packet_->stream_index == stream_ && avcodec_send_packet(codec_, packet_) < 0 &&
            ++failures > kMaxFailuresInARow) {
            inputEnded_ = true;
            avcodec_send_packet(codec_, nullptr);
        }
        av_packet_unref(packet_);
    }
}

int64_t tVideoDecoder::TimeOf(const AVFrame* frame) const {
    const int64_t timestamp = FrameTimestamp(frame);
    if (timestamp == AV_NOPTS_VALUE)
        return 0;
    return av_rescale_q(timestamp - origin_, format_->streams[stream_]->time_base, AVRational{1, 1000});
}

Bitmap tVideoDecoder::TakeSpare(int width, int height) {
    {
        std::lock_guard lock(mutex_);
        auto same = std::find_if(spare_.begin(), spare_.end(),
                                 [&](const Bitmap& b) { return b.Width() == width && b.Height() == height; });
        if (same != spare_.end()) {
            Bitmap reused = std::move(*same);
            spare_.erase(same);
            return reused;
        }
    }
    return Bitmap(width, height, tPixelFormat::Bits32);
}

void tVideoDecoder::Recycle(Bitmap&& pixels) {
    if (pixels.IsEmpty())
        return;
    std::lock_guard lock(mutex_);
    if (spare_.size() < kSparePictures)
        spare_.push_back(std::move(pixels));
}

Bitmap tVideoDecoder::Convert(const AVFrame* frame, int width, int height) {
    Bitmap pixels = TakeSpare(width, height);
    if (pixels.IsEmpty())
        return pixels;
    scaler_ = sws_getCachedContext(scaler_, frame->width, frame->height, AVPixelFormat(frame->format), width,
                                   height, AV_PIX_FMT_0RGB32, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!scaler_) {
        pixels.Fill(0);
        return pixels;
    }
    uint8_t* planes[4] = {pixels.Row(0), nullptr, nullptr, nullptr};
    int strides[4] = {pixels.Stride(), 0, 0, 0};
    sws_scale(scaler_, frame->data, frame->linesize, 0, frame->height, planes, strides);
    // The converter sets the unused top byte; the frame's pixels keep it clear.
    for (int y = 0; y < height; ++y) {
        uint32_t* row = pixels.Row32(y);
        for (int x = 0; x < width; ++x)
            row[x] &= 0xFFFFFF;
    }
    std::lock_guard lock(mutex_);
    ++decoded_;
    return pixels;
}

void tVideoDecoder::SetTargetSize(int width, int height) {
    if (width < kSmallestTarget || height < kSmallestTarget)
        return;
    FitInto(displayWidth_, displayHeight_, width, height);
    std::lock_guard lock(mutex_);
    targetWidth_ = width;
    targetHeight_ = height;
}

int tVideoDecoder::TargetWidth() const {
    std::lock_guard lock(mutex_);
    return targetWidth_;
}

int tVideoDecoder::TargetHeight() const {
    std::lock_guard lock(mutex_);
    return targetHeight_;
}

void tVideoDecoder::DecodeAhead() {
    while (true) {
        int width = 0, height = 0;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || queue_.size() < kPicturesAhead; });
            if (stopping_)
                return;
            width = targetWidth_;
            height = targetHeight_;
        }
        if (!QueueNextPicture(width, height)) {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_; });
            return;
        }
    }
}

bool tVideoDecoder::QueueNextPicture(int width, int height) {
    if (!DecodeNext()) {
        std::lock_guard lock(mutex_);
        ended_ = true;
        return false;
    }
    tPicture picture{TimeOf(frame_), Convert(frame_, width, height)};
    av_frame_unref(frame_);
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(picture));
    return true;
}

void tVideoDecoder::StartThread() {
    {
        std::lock_guard lock(mutex_);
        if (ended_)
            return;
        stopping_ = false;
    }
    thread_ = std::thread(&tVideoDecoder::DecodeAhead, this);
}

void tVideoDecoder::StopThread() {
    if (!thread_.joinable())
        return;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void tVideoDecoder::Start() {
    if (started_)
        return;
    started_ = true;
    StartThread();
}

void tVideoDecoder::ClearQueue() {
    std::lock_guard lock(mutex_);
    while (!queue_.empty()) {
        if (spare_.size() < kSparePictures)
            spare_.push_back(std::move(queue_.front().pixels));
        queue_.pop_front();
    }
}

void tVideoDecoder::PutInWindow(tPicture&& picture, tVideoWindow& window) {
    Recycle(window.Show(std::move(picture.pixels), picture.time));
}

bool tVideoDecoder::Advance(int64_t ms, tVideoWindow& window) {
    std::optional<tPicture> due;
    int64_t dropped = 0;
    int64_t decoded = 0;
    {
        std::lock_guard lock(mutex_);
        while (!queue_.empty() && (queue_.front().time <= ms || (!anyShown_ && !due))) {
            if (due) {
                ++dropped;
                if (spare_.size() < kSparePictures)
                    spare_.push_back(std::move(due->pixels));
            }
            due = std::move(queue_.front());
            queue_.pop_front();
            if (due->time > ms)
                break; // the first picture, shown before its time since nothing comes earlier
        }
        decoded = std::exchange(decoded_, 0);
    }
    wake_.notify_all();
    window.CountDecoded(decoded);
    window.CountDropped(dropped);
    if (!due)
        return false;
    anyShown_ = true;
    PutInWindow(std::move(*due), window);
    return true;
}

void tVideoDecoder::Seek(int64_t ms, tVideoWindow& window) {
    StopThread();
    ClearQueue();
    const AVStream* stream = format_->streams[stream_];
    const int64_t target =
        origin_ + av_rescale_q(std::max<int64_t>(ms, 0), AVRational{1, 1000}, stream->time_base);
    std::optional<tPicture> after;
    bool haveHeld = false;
    bool reachedEnd = false;
    int64_t heldTime = 0;
    for (int attempt = 0; attempt < 2 && !haveHeld; ++attempt) {
        // The second attempt decodes from the start: the container landed after the target.
        const bool landed =
            attempt == 0 && av_seek_frame(format_, stream_, target, AVSEEK_FLAG_BACKWARD) >= 0;
        if (!landed && avformat_seek_file(format_, stream_, INT64_MIN, INT64_MIN, target, 0) < 0)
            av_seek_frame(format_, stream_, 0, AVSEEK_FLAG_BYTE);
        avcodec_flush_buffers(codec_);
        inputEnded_ = false;
        av_frame_unref(held_);
        reachedEnd = true;
        while (DecodeNext()) {
            const int64_t time = TimeOf(frame_);
            if (haveHeld && time > ms) {
                after = tPicture{time, Convert(frame_, targetWidth_, targetHeight_)};
                av_frame_unref(frame_);
                reachedEnd = false;
                break;
            }
            if (!haveHeld && time > ms && attempt == 0 && ms > 0) {
                reachedEnd = false;
                break; // past the target at once: try again from the start
            }
            av_frame_unref(held_);
            av_frame_move_ref(held_, frame_);
            heldTime = time;
            haveHeld = true;
            if (time > ms) {
                reachedEnd = false;
                break; // the first picture of all comes after the target: nothing earlier to show
            }
        }
    }
    {
        std::lock_guard lock(mutex_);
        ended_ = reachedEnd;
    }
    if (haveHeld) {
        PutInWindow(tPicture{heldTime, Convert(held_, targetWidth_, targetHeight_)}, window);
        av_frame_unref(held_);
        anyShown_ = true;
    }
    if (after) {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(*after));
    }
    if (started_)
        StartThread();
}

void tVideoDecoder::DecodeTo(int64_t ms, tVideoWindow& window) {
    if (started_) {
        Advance(ms, window);
        return;
    }
    if (!anyShown_ || ms < window.FrameTime()) {
        Seek(ms, window);
        return;
    }
    while (true) {
        {
            std::lock_guard lock(mutex_);
            if (ended_ || (!queue_.empty() && queue_.back().time > ms))
                break;
        }
        if (!QueueNextPicture(TargetWidth(), TargetHeight()))
            break;
    }
    Advance(ms, window);
}

std::unique_ptr<tVideoDecoder> OpenVideoOfFile(const QString& fileName, QString& reason) {
    QString soundReason;
    std::unique_ptr<tFfmpegSource> sound = tFfmpegSource::Open(fileName, 48000, soundReason);
    return tVideoDecoder::Open(fileName, sound ? std::optional(sound->OriginSeconds()) : std::nullopt,
                               reason);
}

} // namespace lyrimo
