#include "editor/line_recorder.h"

#include "document/song.h"
#include "editor/song_edits.h"

#include <algorithm>

namespace lyrimo {

namespace {

// The line sweeps from the start of the line before it. A blank line before it is squeezed in
// after the line before that, when there is one.
void StartAfterPreviousLine(tLyricsData& part, int lineIndex) {
    tTimingsLineType& line = *part.GetLine(lineIndex);
    if (lineIndex == 0) {
        line.LineRecord.setLineStart(0);
        return;
    }
    tTimingsLineType& previous = *part.GetLine(lineIndex - 1);
    if (previous.Text().isEmpty() && lineIndex >= 2) {
        previous.LineRecord.setLineStart(int32_t(LineEndTime(*part.GetLine(lineIndex - 2)) + 1));
        line.LineRecord.setLineStart(previous.LineRecord.LineStart() + 1);
        return;
    }
    line.LineRecord.setLineStart(int32_t(LineEndTime(previous) + 1));
}

// The next line starts where it shows its first glyphs, its timings moving with it; a next
// line without timings starts just before the one after it.
void StartNextLineAtItsFirstTiming(tLyricsData& part, int lineIndex) {
    tTimingsLineType& next = *part.GetLine(lineIndex + 1);
    if (next.TimingCount() > 0) {
        const int first = next.GetTiming(0).Delta();
        if (first <= 0)
            return;
        next.LineRecord.setLineStart(next.LineRecord.LineStart() + first);
        for (int i = 0; i < next.TimingCount(); ++i) {
            tTimingRecord timing = next.GetTiming(i);
            timing.setDelta(uint16_t(timing.Delta() - first));
            next.SetTiming(i, timing);
        }
    } else if (lineIndex + 2 < part.LineCount()) {
        next.LineRecord.setLineStart(part.GetLine(lineIndex + 2)->LineRecord.LineStart() - 1);
    }
}

} // namespace

void PrepareLineForRecording(tLyricsData& part, int lineIndex, const tLineRecordOptions& options) {
    if (lineIndex < 0 || lineIndex >= part.LineCount())
        return;
    tTimingsLineType& line = *part.GetLine(lineIndex);
    line.ClearTimings();
    if (options.startChange)
        StartAfterPreviousLine(part, lineIndex);
    const bool hasNext = lineIndex + 1 < part.LineCount();
    if (!hasNext)
        return;
    if (options.endChange)
        StartNextLineAtItsFirstTiming(part, lineIndex);
    // A next line that would start before this one has no usable start.
    tTimingsLineType& next = *part.GetLine(lineIndex + 1);
    if (next.LineRecord.LineStart() < line.LineRecord.LineStart())
        next.LineRecord.setLineStart(0);
}

tLineRecorder::tLineRecorder(tLyrimoData& song, int partIndex, int lineIndex, const tRecorderLines& lines,
                             tRecorderTransport& transport)
    : song_(song), partIndex_(partIndex), lineIndex_(lineIndex), lines_(lines), transport_(transport) {}

tLyricsData* tLineRecorder::Part() const { return song_.GetPart(partIndex_); }

tTimingsLineType* tLineRecorder::Line() const {
    tLyricsData* part = Part();
    if (!part || lineIndex_ < 0 || lineIndex_ >= part->LineCount())
        return nullptr;
    return part->GetLine(lineIndex_);
}

bool tLineRecorder::RightToLeft() const { return song_.SongSettings.RightToLeft() != 0; }

void tLineRecorder::SetRow(int top, int height) {
    rowTop_ = top;
    rowHeight_ = height;
}

void tLineRecorder::Begin(const tLineRecordOptions& options) {
    recording_ = true;
    sungCount_ = -1;
    tTimingsLineType* line = Line();
    if (!line)
        return;
    tLyricsData& part = *Part();
    PrepareLineForRecording(part, lineIndex_, options);
    const int64_t leadIn = int64_t(line->LineRecord.LineStart()) - part.PartRecord.StartOffset() - kLeadIn;
    leadIn_ = int(std::clamp<int64_t>(leadIn, 0, INT32_MAX));
    stopTime_ = kNoStopTime;
    if (lineIndex_ + 1 < part.LineCount())
        stopTime_ = part.GetLine(lineIndex_ + 1)->LineRecord.LineStart() - 1;
}

int tLineRecorder::Now() {
    const tLyricsData* part = Part();
    return transport_.Position() + (part ? part->PartRecord.StartOffset() : 0);
}

bool tLineRecorder::BeforeLine(int now) const {
    const tTimingsLineType* line = Line();
    return line && now < line->LineRecord.LineStart();
}

bool tLineRecorder::StopTimeReached(int now) const { return stopTime_ > 0 && now >= stopTime_; }

// Over the row, the pointer at the left edge lets the next movement record the unchanged count
// again at the current time; further right it sweeps the glyphs before it. What is swept never
// shrinks, and every change is a timing, the first one possibly of no glyphs at all.
bool tLineRecorder::Pointer(const tRecorderPointer& pointer, int windowWidth) {
    tTimingsLineType* line = Line();
    if (!recording_ || !line || !pointer.leftButton)
        return false;
    const int now = Now();
    if (BeforeLine(now) || StopTimeReached(now))
        return false;
    const int x = RightToLeft() ? windowWidth - pointer.x : pointer.x;

    int candidate = sungCount_;
    if (pointer.y >= rowTop_ && pointer.y <= rowTop_ + rowHeight_) {
        if (x <= 0)
            sungCount_ = 0;
        else
            candidate = SweptGlyphs(lines_, 0, x, candidate);
    }
    return Advance(std::max(candidate, sungCount_), now);
}

bool tLineRecorder::Tap(tTapStep step) {
    if (!recording_ || !Line())
        return false;
    const int now = Now();
    if (BeforeLine(now) || StopTimeReached(now))
        return false;
    return Advance(TappedGlyphs(lines_, 0, sungCount_, step), now);
}

bool tLineRecorder::Advance(int candidate, int now) {
    if (candidate == sungCount_)
        return false;
    sungCount_ = candidate;
    if (sungCount_ >= 0) {
        tTimingsLineType* line = Line();
        const int64_t delta = int64_t(now) - line->LineRecord.LineStart();
        line->AddTiming(MakeTiming(uint8_t(sungCount_), uint16_t(delta)));
    }
    return true;
}

bool tLineRecorder::Swept() const { return recording_ && Line() && sungCount_ >= lines_.GlyphCount(0); }

} // namespace lyrimo
