// The moving pictures of a media file, decoded with FFmpeg and converted with libswscale to
// 32-bit RGB at the size they are shown at.
//
// Once started, a thread of its own keeps a few pictures decoded ahead; the driving thread asks
// for the picture due at the audible position and gets the latest whose time has come: pictures
// are never shown early, and those whose time passed while a later one was due are dropped. A
// seek decodes up to the picture due at the target on the driving thread and shows it at once.
//
// Times are milliseconds of media time, counted from the same origin as the sound (the first
// sound decoded is 0), so that a picture and the sound heard with it share a time.
#pragma once

#include "media/video_window.h"

#include <QString>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

namespace lyrimo {

class tVideoDecoder {
public:
    // Opens the file's video; a still picture such as an album cover does not count. soundOrigin
    // is the time in seconds of the first sound, from which media time counts; without one the
    // first picture is time 0. nullptr with the reason when there is no video that decodes.
    static std::unique_ptr<tVideoDecoder> Open(const QString& fileName, std::optional<double> soundOrigin,
                                               QString& reason);
    ~tVideoDecoder();
    tVideoDecoder(const tVideoDecoder&) = delete;
    tVideoDecoder& operator=(const tVideoDecoder&) = delete;

    // The size the picture is meant to be seen at (its pixel aspect ratio applied).
    int DisplayWidth() const { return displayWidth_; }
    int DisplayHeight() const { return displayHeight_; }
    // 0 when the file does not say.
    int64_t LengthMs() const { return lengthMs_; }

    // Pictures are made to fit width × height with the video's proportions. Sizes too small to
    // show a picture (a display moved out of sight) keep the size before.
    void SetTargetSize(int width, int height);
    int TargetWidth() const;
    int TargetHeight() const;

    // Starts decoding ahead. Until then pictures are only decoded by seeks.
    void Start();
    // Shows in the window the picture due at ms (the latest whose time is ms or before; the first
    // picture before any is due). False when the window already shows it.
    bool Advance(int64_t ms, tVideoWindow& window);
    // Goes to ms and shows the picture due there at once.
    void Seek(int64_t ms, tVideoWindow& window);
    // Without the thread, for pictures asked for one after another (a renderer of frames):
    // decodes on the calling thread up to the picture due at ms and shows it; an earlier time
    // than the one shown seeks.
    void DecodeTo(int64_t ms, tVideoWindow& window);

private:
    struct tPicture {
        int64_t time = 0;
        Bitmap pixels;
    };

    tVideoDecoder() = default;
    bool OpenFile(const QString& fileName, std::optional<double> soundOrigin, QString& reason);
    bool OpenDecoder(QString& reason);
    // Decodes the next picture into frame_; false at the end of the stream.
    bool DecodeNext();
    int64_t TimeOf(const AVFrame* frame) const;
    // Converts frame_ to the target size into a bitmap from the spare ones.
    Bitmap Convert(const AVFrame* frame, int width, int height);
    Bitmap TakeSpare(int width, int height);
    void Recycle(Bitmap&& pixels);
    void DecodeAhead();
    // Decodes, converts and queues the next picture; false (and ended) at the end of the stream.
    bool QueueNextPicture(int width, int height);
    void StopThread();
    void StartThread();
    void ClearQueue();
    void PutInWindow(tPicture&& picture, tVideoWindow& window);

    AVFormatContext* format_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVFrame* held_ = nullptr; // a seek's best picture so far
    SwsContext* scaler_ = nullptr;
    int stream_ = -1;
    int64_t origin_ = 0; // media time 0, in the stream's time base
    bool inputEnded_ = false;
    int displayWidth_ = 0;
    int displayHeight_ = 0;
    int64_t lengthMs_ = 0;

    // Shared with the decoding thread.
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<tPicture> queue_;
    std::vector<Bitmap> spare_;
    int targetWidth_ = 0;
    int targetHeight_ = 0;
    int64_t decoded_ = 0; // since the driving thread last took the count
    bool ended_ = false;
    bool stopping_ = false;
    bool started_ = false;
    bool anyShown_ = false;
    std::thread thread_;
};

// The video of a file timed as the built-in player times it (from the first sound when the file
// has sound), for showing its pictures without playing it.
std::unique_ptr<tVideoDecoder> OpenVideoOfFile(const QString& fileName, QString& reason);

} // namespace lyrimo
