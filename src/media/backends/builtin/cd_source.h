// A track of an audio CD read with libcdio-paranoia.
//
// A drive can take a long time to deliver (spinning up, re-reading a scratch), so a reader
// thread of this source fills a buffer ahead of playback; when the buffer runs dry the output
// plays silence and the clock waits. The reader thread is the only one using the drive while
// it runs; Seek and the destructor stop it first.
#pragma once

#include "media/backends/builtin/pcm_source.h"

#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace lyrimo {

class tCdSource : public tPcmSource {
public:
    enum class tOpenResult { Opened, NoDisc, NoSuchTrack };

    // Opens the disc in the drive (a device path such as /dev/sr0) at the track.
    static std::unique_ptr<tCdSource> Open(const QString& device, int track, int outputRate,
                                           tOpenResult& result, QString& reason);
    ~tCdSource() override;

    int TrackCount() const { return trackCount_; }
    int64_t LengthFrames() const override { return length_; }
    bool Seek(int64_t frame) override;
    int Read(float* out, int frames) override;
    bool Ended() const override;

private:
    struct tDrive;

    tCdSource(std::unique_ptr<tDrive> drive, int outputRate);
    void StartReading(int64_t cdFrame);
    void StopReading();
    void ReadAhead(int64_t cdFrame);

    std::unique_ptr<tDrive> drive_;
    int outputRate_;
    int trackCount_ = 0;
    int64_t length_ = 0;

    std::thread reader_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_; // guards the fields below
    std::vector<float> buffer_;
    size_t bufferRead_ = 0;
    bool trackEnded_ = false;
};

} // namespace lyrimo
