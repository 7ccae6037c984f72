// A source read ahead of its reader on a thread of its own.
//
// The thread keeps a queue of frames ready from the inner source, so that reading (on the
// output's thread) is a copy and never waits for the inner source to read its file or decode.
// The queue's lock is held only to copy frames in or out. While the thread runs it is the only
// one using the inner source; Seek and the destructor stop it first.
#pragma once

#include "media/backends/builtin/pcm_source.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace lyrimo {

class tReadAheadSource : public tPcmSource {
public:
    // Keeps up to `aheadFrames` frames ready. A reader that waits (one that is not bound to real
    // time) is handed every frame it asks for until the inner source ends; the others get what
    // is ready.
    tReadAheadSource(std::unique_ptr<tPcmSource> inner, int aheadFrames, bool readerWaits);
    ~tReadAheadSource() override;
    tReadAheadSource(const tReadAheadSource&) = delete;
    tReadAheadSource& operator=(const tReadAheadSource&) = delete;

    int64_t LengthFrames() const override { return length_; }
    bool Seek(int64_t frame) override;
    int Read(float* out, int frames) override;
    bool Ended() const override;

    int ReadyFrames() const;

private:
    void Start();
    void Stop();
    void ReadInner();
    // Reads a chunk from the inner source onto the queue; true when the inner source ended.
    bool ReadChunk(std::vector<float>& chunk);
    // With the lock held: moves frames into and out of the queue.
    void Put(const float* in, size_t frames);
    size_t Take(float* out, size_t frames);

    std::unique_ptr<tPcmSource> inner_;
    const int64_t length_;
    const bool readerWaits_;
    std::thread thread_;

    mutable std::mutex mutex_; // guards the fields below
    std::condition_variable roomMade_;
    std::condition_variable framesAdded_;
    std::vector<float> queue_; // a ring of stereo frames
    size_t capacity_;          // in frames
    size_t first_ = 0;         // the frame read next
    size_t ready_ = 0;
    bool innerEnded_ = false;
    bool stop_ = false;
};

} // namespace lyrimo
