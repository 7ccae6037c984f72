// Corrections of a backend's clock for the open song, and the smoothing of CD positions.
#pragma once

#include <cstdint>

namespace lyrimo {

// Copied from the song each time its media is opened; one value for the whole program, read by
// every backend. A new player manager sets them to false and true.
extern bool AdjustWinampTimingsForWmp;
extern bool TweakWinampTimings;

// How much faster the external player's clock runs than the others' for songs timed with it.
constexpr double kExternalClockScale = 1.0037265208;

// A position or length read from a backend, as reported to callers: with the adjustment on,
// t / scale - 400, truncated toward zero.
int CorrectedTime(int raw);
// Where a backend seeks for a requested position: with the adjustment on, s * scale truncated.
int CorrectedSeekTarget(int requested);

// The external player's seek with the tweak on: the target is s * scale rounded, and positions
// it reports afterwards are taken back by offset = target - s.
struct tTweakedSeek {
    int target;
    int offset;
};
tTweakedSeek TweakedSeek(int requested);

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
