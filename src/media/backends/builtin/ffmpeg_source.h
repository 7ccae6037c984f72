// Audio files decoded with FFmpeg (WAV, MP3, Ogg Vorbis, Opus, FLAC, AAC/M4A, AIFF, AU and the
// sound of other containers), converted to stereo float at the output's rate.
#pragma once

#include "media/backends/builtin/pcm_source.h"

#include <QString>

#include <memory>
#include <vector>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct SwrContext;

namespace lyrimo {

class tFfmpegSource : public tPcmSource {
public:
    // Opens the file and decodes its first sound; nullptr with the reason when that fails. An
    // outputRate of 0 keeps the file's own rate.
    static std::unique_ptr<tFfmpegSource> Open(const QString& fileName, int outputRate, QString& reason);
    ~tFfmpegSource() override;
    tFfmpegSource(const tFfmpegSource&) = delete;
    tFfmpegSource& operator=(const tFfmpegSource&) = delete;

    int64_t LengthFrames() const override { return length_; }
    bool Seek(int64_t frame) override;
    int Read(float* out, int frames) override;
    bool Ended() const override { return drained_ && Pending() == 0; }
    bool WantsReadAhead() const override { return true; }
    // The time in seconds of the first sound, media time 0.
    double OriginSeconds() const;
    int OutputRate() const { return outputRate_; }
    // The channels of the sound in the file, before it is made stereo.
    int SourceChannels() const { return sourceChannels_; }

private:
    explicit tFfmpegSource(int outputRate) : outputRate_(outputRate) {}

    bool OpenFile(const QString& fileName, QString& reason);
    // Decodes at least one more frame into the pending frames; false when the stream is over.
    bool DecodeMore();
    void Convert(const AVFrame* frame);
    bool ConfigureResampler(const AVFrame* frame);
    // Converts input frames (none: what the resampler still holds) onto the pending frames.
    void Append(const uint8_t* const* input, int inputFrames);
    // Converts a decoded frame but for its first `skip` samples.
    void AppendFrame(const AVFrame* frame, int skip);
    // The media frame a frame's time stands for.
    int64_t MediaFrame(int64_t time) const;
    // Where the next input sample will come out, counting what the resampler holds back.
    int64_t NextOutputFrame() const;
    // Holds back a frame that lies after a gap in time; the gap is filled with silence first.
    void StartGap(const AVFrame* frame, int64_t gapFrames);
    void FillGap();
    bool InGap() const;
    void FlushResampler();
    // Forgets what was decoded, after the container moved.
    void Flush();
    bool SeekToStart();
    bool DiscardUntil(int64_t frame);
    int64_t Pending() const { return static_cast<int64_t>(pending_.size() / 2) - pendingRead_; }
    void DropPending(int64_t frames);

    int outputRate_;
    AVFormatContext* format_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    SwrContext* resampler_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVFrame* afterGap_ = nullptr; // the frame held back while a gap before it is filled
    AVFrame* silence_ = nullptr;  // silent input samples in the held frame's format
    int64_t gapLeft_ = 0;         // input samples of silence still to fill in
    int stream_ = -1;
    int64_t length_ = 0;
    int sourceChannels_ = 0;
    static constexpr int kOwnRateFallback = 44100;

    // The resampler's input, to notice a change in the middle of a stream.
    int inRate_ = 0;
    int inFormat_ = -1;
    int inChannels_ = 0;

    // Media time: pts of the first sound is media frame 0.
    bool originKnown_ = false;
    int64_t origin_ = 0;
    bool positionKnown_ = false;
    bool fromStart_ = false; // decoding began at the start, so a frame without time is frame 0
    int unplacedFrames_ = 0; // frames without time since the last seek

    std::vector<float> pending_; // converted stereo frames not yet read
    int64_t pendingRead_ = 0;    // frames of pending_ already read
    int64_t pendingEnd_ = 0;     // the media frame just after the last pending frame
    bool inputEnded_ = false;    // no more packets; the decoder is being drained
    bool drained_ = false;
};

} // namespace lyrimo
