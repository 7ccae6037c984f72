#include "media/backends/builtin/audio_engine.h"

#include "media/backends/builtin/read_ahead_source.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace lyrimo {
namespace {

constexpr int kChunkFrames = 1024;
// Consumed frames are dropped from the front of the stage's buffer once this many pile up.
constexpr int64_t kKeepFrames = 8192;
// How much sound a source read ahead keeps decoded before the output.
constexpr double kReadAheadSeconds = 0.75;

float CubicInterpolate(float p0, float p1, float p2, float p3, float t) {
    return p1 +
           0.5f * t * (p2 - p0 + t * (2.f * p0 - 5.f * p1 + 4.f * p2 - p3 + t * (3.f * (p1 - p2) + p3 - p0)));
}

} // namespace

void tRateStage::Reset(int64_t frame) {
    buffer_.clear();
    bufferStart_ = frame;
    endFrame_ = -1;
    position_ = static_cast<double>(frame);
    stretching_ = false;
    stretchEnded_ = false;
}

void tRateStage::SetStretcher(std::unique_ptr<tTimeStretcher> stretcher) {
    stretcher_ = std::move(stretcher);
    stretching_ = false;
}

bool tRateStage::Ended() const {
    if (stretching_)
        return stretchEnded_;
    return endFrame_ >= 0 && position_ >= static_cast<double>(endFrame_);
}

float tRateStage::Sample(int64_t frame, int channel) const {
    if (endFrame_ >= 0 && frame >= endFrame_)
        return 0.f;
    frame = std::max(frame, bufferStart_); // before the first frame read: repeat it
    return buffer_[static_cast<size_t>((frame - bufferStart_) * 2 + channel)];
}

bool tRateStage::Fill(tPcmSource& source, int64_t lastNeeded) {
    int64_t bufferEnd = BufferEnd();
    while (bufferEnd <= lastNeeded && endFrame_ < 0) {
        const size_t old = buffer_.size();
        buffer_.resize(old + kChunkFrames * 2);
        const int got = std::max(0, source.Read(buffer_.data() + old, kChunkFrames));
        buffer_.resize(old + static_cast<size_t>(got) * 2);
        bufferEnd += got;
        if (got < kChunkFrames) {
            if (!source.Ended())
                return bufferEnd > lastNeeded;
            endFrame_ = bufferEnd;
        }
    }
    return true;
}

int tRateStage::Produce(tPcmSource& source, float* out, int frames, double rate, double pitch) {
    const bool stretch = stretcher_ && (rate != 1.0 || pitch != 1.0);
    // Back to normal speed in the own key: on from the frame the stretch had reached. A new key
    // starts a new stretch there too, so the sound stays aligned with the clock exactly.
    if (stretching_ && (!stretch || pitch != stretchPitch_))
        stretching_ = false;
    const int made =
        stretch ? Stretch(source, out, frames, rate, pitch) : Resample(source, out, frames, rate);
    DropConsumed();
    return made;
}

int tRateStage::Resample(tPcmSource& source, float* out, int frames, double rate) {
    int made = 0;
    while (made < frames) {
        const int64_t frame = static_cast<int64_t>(std::floor(position_));
        if (Ended() || !Fill(source, frame + 2) || Ended())
            break;
        const float t = static_cast<float>(position_ - static_cast<double>(frame));
        for (int c = 0; c < 2; ++c)
            out[made * 2 + c] = CubicInterpolate(Sample(frame - 1, c), Sample(frame, c), Sample(frame + 1, c),
                                                 Sample(frame + 2, c), t);
        ++made;
        position_ += rate;
    }
    return made;
}

int tRateStage::Stretch(tPcmSource& source, float* out, int frames, double rate, double pitch) {
    if (!stretching_) {
        stretcher_->Restart(rate, pitch);
        fed_ = static_cast<int64_t>(std::llround(position_));
        stretching_ = true;
        stretchPitch_ = pitch;
        stretchEnded_ = false;
    }
    stretcher_->SetRate(rate);
    int made = 0;
    while (made < frames && !stretchEnded_) {
        const int got = stretcher_->Take(out + made * 2, frames - made);
        made += got;
        position_ += got * rate;
        if (made == frames)
            break;
        if (stretcher_->Finished()) {
            stretchEnded_ = true;
            break;
        }
        if (endFrame_ >= 0 && fed_ >= endFrame_ && got == 0)
            break; // everything is in and nothing more comes out yet
        const int wanted = stretcher_->FramesWanted();
        if (!Fill(source, fed_ + wanted - 1) && BufferEnd() <= fed_)
            break; // the source has nothing ready yet
        const int count = static_cast<int>(std::min<int64_t>(wanted, BufferEnd() - fed_));
        const bool last = endFrame_ >= 0 && fed_ + count >= endFrame_;
        stretcher_->Feed(buffer_.data() + (fed_ - bufferStart_) * 2, count, last);
        fed_ += count;
    }
    return made;
}

void tRateStage::DropConsumed() {
    int64_t keepFrom = static_cast<int64_t>(std::floor(position_)) - 1;
    if (stretching_)
        keepFrom = std::min(keepFrom, fed_);
    if (keepFrom - bufferStart_ > kKeepFrames) {
        const int64_t drop =
            std::min<int64_t>(keepFrom - bufferStart_, static_cast<int64_t>(buffer_.size() / 2));
        buffer_.erase(buffer_.begin(), buffer_.begin() + drop * 2);
        bufferStart_ += drop;
    }
}

void tAudioEngine::Configure(int sampleRate, int latencyFrames, bool realTime) {
    std::lock_guard lock(mutex_);
    sampleRate_ = sampleRate;
    realTime_ = realTime;
    clock_.Configure(sampleRate, latencyFrames);
    clock_.Restart(heldMedia_);
}

int tAudioEngine::LatencyFrames() const {
    std::lock_guard lock(mutex_);
    return clock_.LatencyFrames();
}

void tAudioEngine::SetLatencyFrames(int latencyFrames) {
    std::lock_guard lock(mutex_);
    clock_.SetLatency(latencyFrames);
}

int tAudioEngine::Produce(float* out, int frames) {
    if (source_->ChangesTempo()) {
        const double media = source_->MediaPosition();
        const int made = std::max(0, source_->Read(out, frames));
        clock_.Append(made, media, rate_);
        heldMedia_ = source_->MediaPosition();
        if (made < frames && source_->Ended())
            ended_ = true;
        return made;
    }
    const double media = stage_.Position();
    const int made = stage_.Produce(*source_, out, frames, rate_, pitch_);
    clock_.Append(made, media, rate_);
    heldMedia_ = stage_.Position();
    if (made < frames && stage_.Ended()) {
        ended_ = true;
        length_ = static_cast<int64_t>(heldMedia_); // the true end of a file whose length was estimated
    }
    return made;
}

void tAudioEngine::Render(float* out, int frames, tSteadyTime now) {
    std::lock_guard lock(mutex_);
    clock_.BeginBuffer(now);
    const int64_t first = clock_.Delivered();
    const double startMedia = heldMedia_;
    int made = 0;
    if (state_ == tState::Playing && source_ && !ended_) {
        made = Produce(out, frames);
        if (ended_)
            endOutputFrame_ = clock_.Delivered();
    }
    std::memset(out + made * 2, 0, static_cast<size_t>(frames - made) * 2 * sizeof(float));
    clock_.Append(frames - made, heldMedia_, 0.0);
    if (observer_)
        observer_(now, first, frames, startMedia, made > 0 ? rate_ : 0.0);
}

void tAudioEngine::RestartAt(double media) {
    ended_ = false;
    heldMedia_ = media;
    clock_.Restart(media);
}

void tAudioEngine::Load(std::unique_ptr<tPcmSource> source) {
    if (source && source->WantsReadAhead()) {
        const auto ahead = static_cast<int>(kReadAheadSeconds * SampleRate());
        source = std::make_unique<tReadAheadSource>(std::move(source), ahead, !realTime_);
    }
    std::unique_ptr<tPcmSource> previous; // let go of after unlocking: that can take a moment
    std::lock_guard lock(mutex_);
    previous = std::move(source_);
    source_ = std::move(source);
    state_ = tState::Stopped;
    rate_ = 1.0;
    key_ = 0;
    pitch_ = 1.0;
    length_ = source_ ? source_->LengthFrames() : 0;
    stage_.Reset(0);
    RestartAt(0);
}

std::unique_ptr<tPcmSource> tAudioEngine::Unload() {
    std::lock_guard lock(mutex_);
    state_ = tState::Stopped;
    length_ = 0;
    RestartAt(0);
    return std::move(source_);
}

bool tAudioEngine::Loaded() const {
    std::lock_guard lock(mutex_);
    return source_ != nullptr;
}

void tAudioEngine::Play() {
    std::lock_guard lock(mutex_);
    if (source_)
        state_ = tState::Playing;
}

void tAudioEngine::Pause() {
    std::lock_guard lock(mutex_);
    if (source_)
        state_ = tState::Paused;
}

bool tAudioEngine::Seek(int64_t frame) {
    std::unique_ptr<tPcmSource> source;
    {
        std::lock_guard lock(mutex_);
        if (!source_)
            return false;
        // A length of 0 is unknown: nothing to clamp to.
        frame = std::max<int64_t>(frame, 0);
        if (length_ > 0)
            frame = std::min(frame, length_);
        if (state_ == tState::Playing)
            state_ = tState::Paused;
        RestartAt(static_cast<double>(frame));
        source = std::move(source_);
    }
    const bool landed = source->Seek(frame);
    std::lock_guard lock(mutex_);
    source_ = std::move(source);
    stage_.Reset(frame);
    return landed;
}

void tAudioEngine::Stop() {
    {
        std::lock_guard lock(mutex_);
        state_ = tState::Stopped;
    }
    Seek(0);
}

void tAudioEngine::KeepPitch() {
    {
        std::lock_guard lock(mutex_);
        if (stage_.HasStretcher())
            return;
    }
    auto stretcher = std::make_unique<tTimeStretcher>(SampleRate());
    std::lock_guard lock(mutex_);
    stage_.SetStretcher(std::move(stretcher));
}

void tAudioEngine::SetRate(double rate) {
    std::lock_guard lock(mutex_);
    rate_ = rate;
    if (source_ && source_->ChangesTempo())
        source_->SetTempo(rate);
}

double tAudioEngine::Rate() const {
    std::lock_guard lock(mutex_);
    return rate_;
}

void tAudioEngine::SetKey(int semitones) {
    std::lock_guard lock(mutex_);
    key_ = semitones;
    const bool ownKey = source_ && source_->ChangesKey();
    if (ownKey)
        source_->SetKey(semitones);
    pitch_ = ownKey || !stage_.HasStretcher() ? 1.0 : std::exp2(semitones / 12.0);
}

int tAudioEngine::Key() const {
    std::lock_guard lock(mutex_);
    return key_;
}

double tAudioEngine::PositionFrames(tSteadyTime now) {
    std::lock_guard lock(mutex_);
    const double media = clock_.MediaAt(now);
    // A MIDI sequence sounds on while its last notes fade; its time stops at its end.
    if (source_ && source_->ChangesTempo())
        return std::min(media, static_cast<double>(length_));
    return media;
}

int64_t tAudioEngine::LengthFrames() const {
    std::lock_guard lock(mutex_);
    return length_;
}

bool tAudioEngine::IsPlaying(tSteadyTime now) {
    std::lock_guard lock(mutex_);
    if (ended_ && state_ != tState::Stopped &&
        clock_.AudibleFrame(now) >= static_cast<double>(endOutputFrame_))
        state_ = tState::Stopped;
    return state_ != tState::Stopped;
}

bool tAudioEngine::IsPaused() const {
    std::lock_guard lock(mutex_);
    return state_ == tState::Paused;
}

void tAudioEngine::SetRenderObserver(tRenderObserver observer) {
    std::lock_guard lock(mutex_);
    observer_ = std::move(observer);
}

} // namespace lyrimo
