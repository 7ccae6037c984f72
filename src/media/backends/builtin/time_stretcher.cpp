#include "media/backends/builtin/time_stretcher.h"

#include <rubberband/RubberBandStretcher.h>

#include <algorithm>

namespace lyrimo {
namespace {

using RubberBand::RubberBandStretcher;

// Real time in the output's own thread; the engine meant for speech and singing, with pitch
// changes that glide without clicks.
constexpr RubberBandStretcher::Options kOptions =
    RubberBandStretcher::OptionProcessRealTime | RubberBandStretcher::OptionThreadingNever |
    RubberBandStretcher::OptionEngineFaster | RubberBandStretcher::OptionPitchHighConsistency |
    RubberBandStretcher::OptionChannelsTogether;
constexpr int kBlockFrames = 1024;

} // namespace

tTimeStretcher::tTimeStretcher(int sampleRate)
    : stretcher_(std::make_unique<RubberBandStretcher>(static_cast<size_t>(sampleRate), 2, kOptions)),
      left_(kBlockFrames * 4), right_(kBlockFrames * 4) {
    stretcher_->setMaxProcessSize(kBlockFrames * 4);
}

tTimeStretcher::~tTimeStretcher() = default;

void tTimeStretcher::Restart(double rate, double pitch) {
    stretcher_->reset();
    SetRate(rate);
    SetPitch(pitch);
    // Silence before the first frame, and as much output dropped, keep output and input aligned.
    const auto pad = static_cast<int>(stretcher_->getPreferredStartPad());
    std::fill(left_.begin(), left_.end(), 0.f);
    std::fill(right_.begin(), right_.end(), 0.f);
    for (int done = 0; done < pad;) {
        const int count = std::min<int>(pad - done, static_cast<int>(left_.size()));
        FeedPlanar(count, false);
        done += count;
    }
    delayLeft_ = stretcher_->getStartDelay();
}

void tTimeStretcher::SetRate(double rate) { stretcher_->setTimeRatio(1.0 / rate); }
void tTimeStretcher::SetPitch(double pitch) { stretcher_->setPitchScale(pitch); }

int tTimeStretcher::FramesWanted() const {
    const auto wanted = static_cast<int>(stretcher_->getSamplesRequired());
    return std::clamp(wanted, 1, static_cast<int>(left_.size()));
}

void tTimeStretcher::FeedPlanar(int count, bool last) {
    const float* channels[2] = {left_.data(), right_.data()};
    stretcher_->process(channels, static_cast<size_t>(count), last);
}

void tTimeStretcher::Feed(const float* frames, int count, bool last) {
    while (count > 0 || last) {
        const int block = std::min<int>(count, static_cast<int>(left_.size()));
        for (int i = 0; i < block; ++i) {
            left_[i] = frames[i * 2];
            right_[i] = frames[i * 2 + 1];
        }
        count -= block;
        frames += block * 2;
        FeedPlanar(block, last && count == 0);
        if (count == 0)
            break;
    }
}

void tTimeStretcher::DropStartDelay() {
    while (delayLeft_ > 0) {
        const int ready = stretcher_->available();
        if (ready <= 0)
            return;
        const size_t count = std::min({delayLeft_, static_cast<size_t>(ready), left_.size()});
        float* channels[2] = {left_.data(), right_.data()};
        delayLeft_ -= stretcher_->retrieve(channels, count);
    }
}

int tTimeStretcher::Take(float* frames, int count) {
    DropStartDelay();
    int taken = 0;
    while (taken < count && delayLeft_ == 0) {
        const int ready = stretcher_->available();
        if (ready <= 0)
            break;
        const int block = std::min({count - taken, ready, static_cast<int>(left_.size())});
        float* channels[2] = {left_.data(), right_.data()};
        const auto got = static_cast<int>(stretcher_->retrieve(channels, static_cast<size_t>(block)));
        for (int i = 0; i < got; ++i) {
            frames[(taken + i) * 2] = left_[i];
            frames[(taken + i) * 2 + 1] = right_[i];
        }
        taken += got;
    }
    return taken;
}

bool tTimeStretcher::Finished() const { return stretcher_->available() < 0; }

} // namespace lyrimo
