#include "editor/timing_recorder.h"

#include "document/song.h"

#include <algorithm>

namespace lyrimo {

int SweptGlyphs(const tRecorderLines& lines, int line, int x, int count) {
    const int glyphs = lines.GlyphCount(line);
    if (lines.LeadingWidth(line, glyphs) <= x)
        return glyphs;
    while (count < glyphs && lines.LeadingWidth(line, count + 1) < x)
        ++count;
    return count;
}

int TappedGlyphs(const tRecorderLines& lines, int line, int count, tTapStep step) {
    const int glyphs = lines.GlyphCount(line);
    if (step == tTapStep::LineEnd)
        return glyphs;
    int sung = std::max(count, 0);
    const auto skip = [&](bool breaks) {
        while (sung < glyphs && lines.IsBreak(line, sung + 1) == breaks)
            ++sung;
    };
    skip(true);  // breaks left before the word
    skip(false); // the word
    skip(true);  // the breaks that end it
    return sung;
}

tTimingRecorder::tTimingRecorder(tLyrimoData& song, int partIndex, const tRecorderLines& lines,
                                 tRecorderTransport& transport)
    : song_(song), partIndex_(partIndex), lines_(lines), transport_(transport) {}

tLyricsData* tTimingRecorder::Part() const { return song_.GetPart(partIndex_); }

int tTimingRecorder::LineCount() const {
    const tLyricsData* part = Part();
    return part ? part->LineCount() : 0;
}

bool tTimingRecorder::RightToLeft() const { return song_.SongSettings.RightToLeft() != 0; }

void tTimingRecorder::SetRowHeight(int pixels) { rowHeight_ = std::max(1, pixels); }

void tTimingRecorder::Begin() {
    recording_ = true;
    sungCount_ = 0;
    currentLine_ = -1;
    scrollOffset_ = kTopScrollOffset;
    tLyricsData* part = Part();
    for (int i = 0; i < LineCount(); ++i) {
        tTimingsLineType* line = part->GetLine(i);
        line->ClearTimings();
        line->LineRecord.setLineStart(0);
    }
}

void tTimingRecorder::MediaStarted(uint8_t playerId) {
    if (tLyricsData* part = Part())
        part->PartRecord.setTimingsRecorded(1);
    song_.SongSettings.setPreferredPlayer(playerId);
}

bool tTimingRecorder::Pointer(const tRecorderPointer& pointer, int windowWidth, int windowHeight) {
    if (!recording_)
        return false;
    bool changed = false;
    // Back at the left edge after an automatic pause, the music goes on, button held or not.
    if (autoPause_ && transport_.IsPaused() && pointer.x <= 0) {
        transport_.Play();
        changed = true;
    }
    if (!pointer.leftButton || transport_.IsPaused())
        return changed;

    tRecorderPointer reading = pointer;
    if (RightToLeft())
        reading.x = windowWidth - pointer.x;

    int candidateCount = sungCount_;
    int candidateLine = HitLine(reading, windowHeight, candidateCount);
    candidateLine = std::min(std::max(candidateLine, currentLine_), LineCount() - 1);
    if (candidateLine == currentLine_ && sungCount_ >= candidateCount)
        candidateCount = sungCount_; // the sung part of a line never shrinks

    const int previousLine = currentLine_;
    if (candidateCount != sungCount_) {
        sungCount_ = candidateCount;
        changed = true;
    }
    if (candidateLine != currentLine_) {
        currentLine_ = candidateLine;
        changed = true;
    }
    if (changed && currentLine_ >= 0)
        Stamp(previousLine);
    return changed;
}

bool tTimingRecorder::Tap(tTapStep step) {
    if (!recording_)
        return false;
    if (transport_.IsPaused()) {
        transport_.Play();
        return true;
    }
    const int previousLine = currentLine_;
    if (currentLine_ < 0 || sungCount_ >= lines_.GlyphCount(currentLine_)) {
        if (currentLine_ + 1 >= LineCount())
            return false;
        ++currentLine_;
        sungCount_ = 0;
    } else {
        sungCount_ = TappedGlyphs(lines_, currentLine_, sungCount_, step);
    }
    Stamp(previousLine);
    return true;
}

// The line under the pointer, measuring how much of it the pointer has sung into
// candidateCount. Rows share their boundary pixel; the later row wins. Reaching a later line
// starts its count afresh; at the left edge the stored count drops to 0 so that the next
// movement records the unchanged count again at the current time. An earlier line is never
// measured: its glyphs say nothing about the current line.
int tTimingRecorder::HitLine(const tRecorderPointer& pointer, int windowHeight, int& candidateCount) {
    int hit = currentLine_;
    const int end = VisibleLineEnd(windowHeight);
    for (int i = 0; i < end; ++i) {
        const int top = RowTop(i);
        if (pointer.y < top || pointer.y > top + rowHeight_)
            continue;
        if (i > currentLine_) {
            sungCount_ = 0;
            candidateCount = 0;
        }
        if (pointer.x <= 0)
            sungCount_ = 0;
        else if (i >= currentLine_)
            candidateCount = SweptGlyphs(lines_, i, pointer.x, candidateCount);
        hit = i;
    }
    return hit;
}

// Lines passed over since previousLine start now, all of them; the current line then gets a
// timing for what is sung of it. A line sung to its end pauses the music when asked to.
void tTimingRecorder::Stamp(int previousLine) {
    tLyricsData* part = Part();
    const int64_t now = int64_t(transport_.Position()) + part->PartRecord.StartOffset();
    for (int i = previousLine + 1; i <= currentLine_; ++i)
        part->GetLine(i)->LineRecord.setLineStart(int32_t(now));
    if (sungCount_ <= 0)
        return;
    tTimingsLineType* line = part->GetLine(currentLine_);
    const int64_t delta = now - line->LineRecord.LineStart();
    line->AddTiming(MakeTiming(uint8_t(sungCount_), uint16_t(delta)));
    if (autoPause_ && !transport_.IsPaused() && sungCount_ >= lines_.GlyphCount(currentLine_))
        transport_.Pause();
}

void tTimingRecorder::ScrollForward(int clientHeight) { scrollOffset_ += clientHeight / 2; }

void tTimingRecorder::ScrollBack(int clientHeight) {
    scrollOffset_ = std::max(kTopScrollOffset, scrollOffset_ - clientHeight / 2);
}

int tTimingRecorder::ScrollMaximum(int clientHeight) const {
    return LineCount() * rowHeight_ + clientHeight / 2;
}

int tTimingRecorder::VisibleLineEnd(int windowHeight) const {
    int end = 0;
    while (end < LineCount() && RowTop(end) < windowHeight)
        ++end;
    return end;
}

int WheelScrollPosition(int position, int wheelDelta, int rowHeight) {
    if (wheelDelta >= 120)
        return position - rowHeight;
    if (wheelDelta <= -120)
        return position + rowHeight;
    return position;
}

int32_t PausedColour(int32_t colour) { return int32_t((uint32_t(colour) >> 1) & 0x007F7F7F); }

QString ClockText(int ms) {
    ms = std::max(ms, 0);
    const int hours = ms / 3600000;
    const int minutes = ms / 60000 % 60;
    const int seconds = ms / 1000 % 60;
    return QString::asprintf("%02d:%02d:%02d", hours, minutes, seconds);
}

} // namespace lyrimo
