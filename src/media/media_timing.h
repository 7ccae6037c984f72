// Corrections of a backend's clock for the open song, and the smoothing of CD positions.
#pragma once

#include <cstdint>

namespace lyrimo {

// How much faster the external player's clock runs than the others' for songs timed with it.
constexpr double kExternalClockScale = 1.0037265208;

// The external player's seek with the tweak on: the target is s * scale rounded, and positions
// it reports afterwards are taken back by offset = target - s.
struct tTweakedSeek {
    int target;
    int offset;
};

// The clock corrections a song asks for. The player manager copies them from each song whose
// media it opens and hands them to the backend it opens the media with; each backend applies
// them to the times it reports and seeks to. All times are milliseconds of media time.
struct tTimingCorrection {
    // The song was timed with the external player: every other backend reports t / scale - 400
    // and seeks to s * scale.
    bool AdjustWinampTimingsForWmp = false;
    // The external player's own seeks are scaled (see tTweakedSeek).
    bool TweakWinampTimings = true;

    // A position or length read from a backend, as reported to callers; truncated toward zero.
    int CorrectedTime(int raw) const;
    // Where a backend seeks for a requested position; truncated toward zero.
    int CorrectedSeekTarget(int requested) const;
    tTweakedSeek TweakedSeek(int requested) const;

    bool operator==(const tTimingCorrection&) const = default;
};

// Keeps a CD drive's position readings from leaping ahead: a reading more than twice the elapsed
// wall-clock time ahead of the last accepted one is ignored, at most 20 times in a row.
class tCdPositionSmoother {
public:
    static constexpr int kMaxRejections = 20;

    void Reset();
    // tick: milliseconds of a steady clock.
    int Filter(int reading, bool paused, int64_t tick);
    void Seeked(int target, int64_t tick);

private:
    bool hasAccepted_ = false;
    int accepted_ = 0;
    int64_t acceptedTick_ = 0;
    int rejections_ = 0;
};

} // namespace lyrimo
