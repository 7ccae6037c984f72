#include "media/media_timing.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace lyrimo {

namespace {

int ClampToInt(double value) {
    return static_cast<int>(std::clamp(value, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

} // namespace

int tTimingCorrection::CorrectedTime(int raw) const {
    if (!AdjustWinampTimingsForWmp)
        return raw;
    return ClampToInt(std::trunc(raw / kExternalClockScale - 400.0));
}

int tTimingCorrection::CorrectedSeekTarget(int requested) const {
    if (!AdjustWinampTimingsForWmp)
        return requested;
    return ClampToInt(std::trunc(requested * kExternalClockScale));
}

tTweakedSeek tTimingCorrection::TweakedSeek(int requested) const {
    if (!TweakWinampTimings)
        return {requested, 0};
    const int target = ClampToInt(std::round(requested * kExternalClockScale));
    return {target, target - requested};
}

void tCdPositionSmoother::Reset() { *this = tCdPositionSmoother(); }

int tCdPositionSmoother::Filter(int reading, bool paused, int64_t tick) {
    if (paused && hasAccepted_)
        return accepted_;
    if (hasAccepted_ && rejections_ < kMaxRejections) {
        const int64_t elapsed = tick - acceptedTick_;
        if (static_cast<int64_t>(reading) - accepted_ > 2 * elapsed) {
            ++rejections_;
            return accepted_;
        }
    }
    hasAccepted_ = true;
    accepted_ = reading;
    acceptedTick_ = tick;
    rejections_ = 0;
    return reading;
}

void tCdPositionSmoother::Seeked(int target, int64_t tick) {
    hasAccepted_ = true;
    accepted_ = target;
    acceptedTick_ = tick;
    rejections_ = 0;
}

} // namespace lyrimo
