#include "media/backends/builtin/read_ahead_source.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace lyrimo {
namespace {

constexpr size_t kChunkFrames = 2048;
// How long the thread waits before asking again an inner source that had nothing ready.
constexpr auto kRetryDelay = std::chrono::milliseconds(5);

} // namespace

tReadAheadSource::tReadAheadSource(std::unique_ptr<tPcmSource> inner, int aheadFrames, bool readerWaits)
    : inner_(std::move(inner)), length_(inner_->LengthFrames()), readerWaits_(readerWaits),
      capacity_(std::max(static_cast<size_t>(std::max(aheadFrames, 0)), kChunkFrames)) {
    queue_.resize(capacity_ * 2);
    Start();
}

tReadAheadSource::~tReadAheadSource() { Stop(); }

void tReadAheadSource::Start() {
    {
        std::lock_guard lock(mutex_);
        first_ = 0;
        ready_ = 0;
        innerEnded_ = false;
        stop_ = false;
    }
    // The first chunk is read at once, so that the output's next buffer already has sound.
    std::vector<float> chunk(kChunkFrames * 2);
    if (!ReadChunk(chunk))
        thread_ = std::thread([this] { ReadInner(); });
}

void tReadAheadSource::Stop() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    roomMade_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

bool tReadAheadSource::ReadChunk(std::vector<float>& chunk) {
    const int got = std::max(0, inner_->Read(chunk.data(), static_cast<int>(kChunkFrames)));
    const bool ended = static_cast<size_t>(got) < kChunkFrames && inner_->Ended();
    {
        std::lock_guard lock(mutex_);
        Put(chunk.data(), static_cast<size_t>(got));
        innerEnded_ = ended;
    }
    framesAdded_.notify_all();
    if (got == 0 && !ended) { // nothing delivered yet: ask again after a while
        std::unique_lock lock(mutex_);
        roomMade_.wait_for(lock, kRetryDelay, [this] { return stop_; });
    }
    return ended;
}

void tReadAheadSource::ReadInner() {
    std::vector<float> chunk(kChunkFrames * 2);
    while (true) {
        {
            std::unique_lock lock(mutex_);
            roomMade_.wait(lock, [this] { return stop_ || capacity_ - ready_ >= kChunkFrames; });
            if (stop_)
                return;
        }
        if (ReadChunk(chunk))
            return;
    }
}

void tReadAheadSource::Put(const float* in, size_t frames) {
    size_t end = (first_ + ready_) % capacity_;
    ready_ += frames;
    while (frames > 0) {
        const size_t n = std::min(frames, capacity_ - end);
        std::memcpy(queue_.data() + end * 2, in, n * 2 * sizeof(float));
        in += n * 2;
        frames -= n;
        end = (end + n) % capacity_;
    }
}

size_t tReadAheadSource::Take(float* out, size_t frames) {
    const size_t taken = std::min(frames, ready_);
    for (size_t left = taken; left > 0;) {
        const size_t n = std::min(left, capacity_ - first_);
        std::memcpy(out, queue_.data() + first_ * 2, n * 2 * sizeof(float));
        out += n * 2;
        left -= n;
        first_ = (first_ + n) % capacity_;
    }
    ready_ -= taken;
    return taken;
}

int tReadAheadSource::Read(float* out, int frames) {
    const auto wanted = static_cast<size_t>(std::max(frames, 0));
    std::unique_lock lock(mutex_);
    size_t made = Take(out, wanted);
    while (readerWaits_ && made < wanted && !innerEnded_) {
        roomMade_.notify_all();
        framesAdded_.wait(lock);
        made += Take(out + made * 2, wanted - made);
    }
    lock.unlock();
    roomMade_.notify_all();
    return static_cast<int>(made);
}

bool tReadAheadSource::Ended() const {
    std::lock_guard lock(mutex_);
    return innerEnded_ && ready_ == 0;
}

int tReadAheadSource::ReadyFrames() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(ready_);
}

bool tReadAheadSource::Seek(int64_t frame) {
    Stop();
    const bool landed = inner_->Seek(frame);
    Start();
    return landed;
}

} // namespace lyrimo
