#include "editor/waveform_handles.h"

#include "media/waveform_peaks.h"

#include <algorithm>
#include <cmath>

namespace lyrimo {

std::vector<tTimingHandle> TimingHandles(const tLineTimingsEdit& edit, const QString& text) {
    std::vector<tTimingHandle> handles;
    const int lineStart = edit.Line().LineRecord.LineStart();
    int shown = 0;
    for (int i = 0; i < edit.Count(); ++i) {
        const tTimingRecord timing = edit.Timing(i);
        const tValueRange range = edit.Limits(i).delta;
        tTimingHandle handle;
        handle.index = i;
        handle.ms = lineStart + timing.Delta();
        handle.label = text.mid(shown, std::max(int(timing.Position()) - shown, 0)).trimmed();
        handle.earliest = lineStart + range.minimum;
        handle.latest = lineStart + range.maximum;
        handles.push_back(handle);
        shown = std::max(shown, int(timing.Position()));
    }
    return handles;
}

int DragTarget(const tTimingHandle& handle, int pointerMs, const std::vector<int>* onsets, int snapMs) {
    int target = std::clamp(pointerMs, handle.earliest, std::max(handle.earliest, handle.latest));
    if (!onsets)
        return target;
    const int onset = NearestOnset(*onsets, pointerMs, snapMs);
    if (onset >= handle.earliest && onset <= handle.latest)
        target = onset;
    return target;
}

int tWaveformScale::XOf(int ms) const { return int(std::floor((ms - startMs) / msPerPixel)); }

int tWaveformScale::MsAt(int x) const { return startMs + int(std::lround(x * msPerPixel)); }

void tWaveformScale::ZoomAround(int x, double factor) {
    const int anchor = MsAt(x);
    msPerPixel = std::clamp(msPerPixel * factor, kFinest, kCoarsest);
    startMs = anchor - int(std::lround(x * msPerPixel));
}

bool NudgeTiming(tLineTimingsEdit& edit, int index, int deltaMs) {
    if (index < 0 || index >= edit.Count())
        return false;
    return edit.SetDelta(index, edit.Timing(index).Delta() + deltaMs);
}

} // namespace lyrimo
