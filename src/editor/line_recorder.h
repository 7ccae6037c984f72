// The rules of the single-line recorder, without a window: one line of a part is recorded again
// by sweeping the pointer along it while the media plays from a little before the line. It is
// the all-lines recorder's sweep (SweptGlyphs) on a single row, which ends by itself when the
// whole line is swept or when the next line is due.
//
// Before recording, two repairs may move neighbouring start times: a line that seemed to start
// too late takes its start from the end of the line before it, and a line that seemed to end
// too early pushes the next line's start to where that line shows its first glyphs.
#pragma once

#include "editor/timing_recorder.h"

namespace lyrimo {

class tLyrimoData;
class tLyricsData;
class tTimingsLineType;

struct tLineRecordOptions {
    bool startChange = false; // start the line just after the previous one ends
    bool endChange = false;   // move the next line's start to its first timing
};

// The repairs to the line's own start and to the next line's, made when recording begins; the
// line's timings are cleared first. Lines outside the part are left alone.
void PrepareLineForRecording(tLyricsData& part, int lineIndex, const tLineRecordOptions& options);

class tLineRecorder {
public:
    // Playback begins this long before the line's start.
    static constexpr int kLeadIn = 2000;
    // No stop time: the line is the part's last.
    static constexpr int kNoStopTime = -1;

    // lines measures the recorded line as its line 0.
    tLineRecorder(tLyrimoData& song, int partIndex, int lineIndex, const tRecorderLines& lines,
                  tRecorderTransport& transport);

    tLyricsData* Part() const;      // nullptr when the part index names no part
    tTimingsLineType* Line() const; // nullptr when the line index names no line
    bool RightToLeft() const;

    // The row the line is drawn in: pointer events count from top to top + height, both included.
    void SetRow(int top, int height);
    int RowTop() const { return rowTop_; }
    int RowHeight() const { return rowHeight_; }

    bool Recording() const { return recording_; }
    // Begins recording: nothing swept yet (a count of -1), the line prepared with the options,
    // and the lead-in and stop time worked out from the start times that result.
    void Begin(const tLineRecordOptions& options);
    // Where the media starts playing: the lead-in before the line's start, never before 0.
    int LeadInPosition() const { return leadIn_; }
    // The part time at which the next line is due, or kNoStopTime.
    int StopTime() const { return stopTime_; }

    // The part's time now: the media position plus the part's offset.
    int Now();
    // Whether the part's time has not yet reached the line's start.
    bool BeforeLine(int now) const;
    // Whether the next line is due: recording is over.
    bool StopTimeReached(int now) const;

    // Handles a pointer movement (a press is a movement with the left button held). Returns
    // whether the sweep changed and the line needs drawing again.
    bool Pointer(const tRecorderPointer& pointer, int windowWidth);
    // Handles a tap: sings on by the step, with the timing a sweep that far would record, once the
    // line is due and until the next one is. Returns whether the line needs drawing again.
    bool Tap(tTapStep step);
    // Whether the whole line has been swept: recording is over.
    bool Swept() const;

    int SungCount() const { return sungCount_; }

private:
    // Stores a new sung count and records its timing at part time now.
    bool Advance(int candidate, int now);

    tLyrimoData& song_;
    int partIndex_;
    int lineIndex_;
    const tRecorderLines& lines_;
    tRecorderTransport& transport_;

    int sungCount_ = -1;
    int stopTime_ = kNoStopTime;
    int leadIn_ = 0;
    int rowTop_ = 0;
    int rowHeight_ = 0;
    bool recording_ = false;
};

} // namespace lyrimo
