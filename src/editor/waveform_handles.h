// What the waveform view shows of a line's timings, without a window: one handle per timing at
// its time in the part, labelled with the glyphs it brings in, each draggable only within the
// range the line timings editor allows it; where a drag lands, snapping to the nearest onset of
// the sound when asked; and the mapping between the view's pixels and part time.
#pragma once

#include "editor/line_timings.h"

#include <QString>

#include <vector>

namespace lyrimo {

struct tTimingHandle {
    int index = 0;    // of the timing in its line
    int ms = 0;       // part time: the line's start plus the timing's delta
    QString label;    // the glyphs this timing shows sung beyond the timing before it
    int earliest = 0; // the part times it may be dragged to
    int latest = 0;
};

// The handles of the line under edit; text is the line as shown, one character per glyph where
// it can be (labels are only a guide).
std::vector<tTimingHandle> TimingHandles(const tLineTimingsEdit& edit, const QString& text);

// Where a handle dragged to pointerMs lands: within its range, and with snapping on, on the
// onset nearest to the pointer when one lies within snapMs and in the range. Onsets are in part
// time, in order.
int DragTarget(const tTimingHandle& handle, int pointerMs, const std::vector<int>* onsets, int snapMs);

// The view's mapping: the part time at its left edge and how many ms each pixel spans.
struct tWaveformScale {
    static constexpr double kFinest = 1.0;     // ms per pixel, zoomed in all the way
    static constexpr double kCoarsest = 200.0; // zoomed out all the way

    int startMs = 0;
    double msPerPixel = 10.0;

    int XOf(int ms) const;
    int MsAt(int x) const;
    // Zooms by factor (above 1 zooms out) keeping the time under x where it is.
    void ZoomAround(int x, double factor);
};

// Nudging: moves a timing of the line by deltaMs within its limits; false when it cannot move.
bool NudgeTiming(tLineTimingsEdit& edit, int index, int deltaMs);

} // namespace lyrimo
