#include "media/backends/builtin/output_clock.h"

#include <algorithm>

namespace lyrimo {
namespace {

double Seconds(tSteadyTime::duration d) { return std::chrono::duration<double>(d).count(); }

// A pause longer than this between pulls means the output was stopped; the pace is learnt anew.
constexpr double kPullGapSeconds = 0.5;
// The pace is measured over at least this span, and trusted within 10 % of the nominal rate.
constexpr double kMinPaceSpan = 0.2;

} // namespace

void tOutputClock::Configure(int sampleRate, int latencyFrames) {
    *this = tOutputClock();
    sampleRate_ = sampleRate;
    latency_ = latencyFrames;
}

void tOutputClock::BeginBuffer(tSteadyTime now) {
    if (pulled_ && Seconds(now - lastPullTime_) > kPullGapSeconds)
        pullCount_ = 0;
    pulled_ = true;
    lastPullTime_ = now;
    lastPullStart_ = delivered_;
    pulls_[nextPull_] = {now, delivered_};
    nextPull_ = (nextPull_ + 1) % kPullHistory;
    pullCount_ = std::min(pullCount_ + 1, kPullHistory);
    // The frame heard at the start of this pull is settled: a latency that grows later holds the
    // clock there instead of reaching back into the runs forgotten here, which can never be
    // heard again.
    const double heardNow = static_cast<double>(lastPullStart_ - latency_);
    lastAudible_ = std::max(lastAudible_, heardNow);
    ForgetRunsBefore(heardNow);
}

void tOutputClock::Append(int frames, double media, double mediaPerFrame) {
    if (frames <= 0)
        return;
    if (!runs_.empty()) {
        tRun& last = runs_.back();
        const double lastEnd = last.media + last.frames * last.perFrame;
        if (last.perFrame == mediaPerFrame && last.start + last.frames == delivered_ && lastEnd == media) {
            last.frames += frames;
            delivered_ += frames;
            return;
        }
    }
    runs_.push_back({delivered_, frames, media, mediaPerFrame});
    delivered_ += frames;
}

void tOutputClock::Restart(double media) {
    runs_.clear();
    restartFrame_ = delivered_;
    restartMedia_ = media;
}

double tOutputClock::PullRate() const {
    const double nominal = sampleRate_;
    if (pullCount_ < 4)
        return nominal;
    const tPull& newest = pulls_[(nextPull_ + kPullHistory - 1) % kPullHistory];
    const tPull& oldest = pulls_[(nextPull_ + kPullHistory - pullCount_) % kPullHistory];
    const double span = Seconds(newest.time - oldest.time);
    if (span < kMinPaceSpan)
        return nominal;
    const double measured = (newest.frame - oldest.frame) / span;
    return std::clamp(measured, 0.9 * nominal, 1.1 * nominal);
}

double tOutputClock::AudibleFrame(tSteadyTime now) {
    double frame = static_cast<double>(-latency_);
    if (pulled_) {
        const double base = static_cast<double>(lastPullStart_ - latency_);
        const double ahead = std::max(0.0, Seconds(now - lastPullTime_)) * PullRate();
        frame = std::min(base + ahead, static_cast<double>(delivered_ - latency_));
    }
    lastAudible_ = std::max(lastAudible_, frame);
    return lastAudible_;
}

double tOutputClock::MediaAt(tSteadyTime now) {
    const double frame = AudibleFrame(now);
    if (frame < restartFrame_ || runs_.empty() || frame < runs_.front().start)
        return restartMedia_;
    for (const tRun& run : runs_)
        if (frame < run.start + run.frames)
            return run.media + (frame - run.start) * run.perFrame;
    const tRun& last = runs_.back();
    return last.media + last.frames * last.perFrame;
}

void tOutputClock::ForgetRunsBefore(double frame) {
    while (runs_.size() > 1 && runs_.front().start + runs_.front().frames <= frame)
        runs_.pop_front();
}

} // namespace lyrimo
