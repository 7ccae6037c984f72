#include "media/interpolated_clock.h"

#include <algorithm>
#include <cmath>

namespace lyrimo {

double tInterpolatedClock::Projected(tTime now) const {
    if (!running_)
        return anchorMs_;
    const double elapsed = std::chrono::duration<double, std::milli>(now - anchorTime_).count();
    return anchorMs_ + std::max(elapsed, 0.0) * rate_;
}

void tInterpolatedClock::Anchor(double ms, tTime now) {
    anchorMs_ = ms;
    anchorTime_ = now;
}

void tInterpolatedClock::Reset(double ms) {
    running_ = false;
    hasReport_ = false;
    anchorMs_ = ms;
    lastGiven_ = ms;
}

void tInterpolatedClock::Run(tTime now) {
    if (running_)
        return;
    anchorTime_ = now;
    running_ = true;
    // The engine's next reading tells where it really started.
    hasReport_ = false;
}

void tInterpolatedClock::Hold(tTime now) {
    if (!running_)
        return;
    Anchor(Position(now), now);
    running_ = false;
}

void tInterpolatedClock::SetRate(double rate, tTime now) {
    if (!(rate > 0) || !std::isfinite(rate))
        return;
    Anchor(Projected(now), now);
    rate_ = rate;
}

void tInterpolatedClock::Observe(double reportedMs, tTime now) {
    if (!running_) {
        Anchor(reportedMs, now);
        lastGiven_ = reportedMs;
        return;
    }
    if (hasReport_ && reportedMs == lastReport_)
        return;
    hasReport_ = true;
    lastReport_ = reportedMs;
    const double projected = Projected(now);
    const double error = reportedMs - projected;
    if (std::abs(error) > kJumpMs) {
        Anchor(reportedMs, now);
        lastGiven_ = reportedMs;
        return;
    }
    Anchor(projected + error * kCorrectionShare, now);
}

double tInterpolatedClock::Position(tTime now) {
    if (running_)
        lastGiven_ = std::max(lastGiven_, Projected(now));
    else
        lastGiven_ = anchorMs_;
    return lastGiven_;
}

} // namespace lyrimo
