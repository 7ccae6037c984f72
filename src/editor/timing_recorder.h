// The rules of the all-lines timing recorder, without a window: the user holds the left button
// and sweeps the pointer along each lyrics line while the media plays. How far the pointer has
// travelled across a line decides how many of its glyphs are sung; every advance appends one
// timing to the line, and reaching a new line stamps its start time (and that of every line
// skipped on the way).
//
// The lines are drawn one per row, rowHeight pixels apart, from the top of the window minus the
// scroll offset. Glyph measures and the media clock come through two small interfaces, so the
// rules run on any font and any player.
#pragma once

#include <QString>

#include <cstdint>

namespace lyrimo {

class tLyrimoData;
class tLyricsData;

// The lines as the recorder's font measures them. Glyphs are counted from where a line starts
// to be read (the right end of a right-to-left line).
class tRecorderLines {
public:
    virtual ~tRecorderLines() = default;
    virtual int GlyphCount(int line) const = 0;
    // The width of the first count glyphs of a line; a count past its end gives the whole line.
    virtual int LeadingWidth(int line, int count) const = 0;
    // Whether glyph index (from 1) of a line ends a word or block: white space or the song's
    // extra break character. Lines without this knowledge have no breaks.
    virtual bool IsBreak(int /*line*/, int /*index*/) const { return false; }
};

// How many glyphs of a line lie before the pointer's x, starting from count (which may be -1,
// nothing swept yet): a pointer past the line's end sweeps all of it, otherwise every glyph whose
// end lies left of the pointer. Never fewer than count.
int SweptGlyphs(const tRecorderLines& lines, int line, int x, int count);

// Timing by keys instead of the pointer: a tap sings the next word or block of the line (with the
// breaks after it), or the rest of the line.
enum class tTapStep { NextBreak, LineEnd };

// The sung count a tap moves a line on to from count (-1 or more); the line's glyph count at most.
int TappedGlyphs(const tRecorderLines& lines, int line, int count, tTapStep step);

// The speeds the recorders and previews can play at to make timing easier: 50 % to 100 % in steps
// of 5 %. Timings are media times whatever the speed.
namespace recording_speed {
inline constexpr int kSlowest = 50;
inline constexpr int kNormal = 100;
inline constexpr int kStep = 5;
inline int Slower(int percent) { return percent - kStep >= kSlowest ? percent - kStep : kSlowest; }
inline int Faster(int percent) { return percent + kStep <= kNormal ? percent + kStep : kNormal; }
} // namespace recording_speed

// The playback the timings are taken from.
class tRecorderTransport {
public:
    virtual ~tRecorderTransport() = default;
    virtual int Position() = 0; // milliseconds of media time
    virtual bool IsPaused() = 0;
    virtual void Play() = 0;
    virtual void Pause() = 0; // called only while playing
};

// A pointer position in window pixels, with the state of the left button.
struct tRecorderPointer {
    int x = 0;
    int y = 0;
    bool leftButton = false;
};

class tTimingRecorder {
public:
    // The scroll offset rows start at: the first row stands this far below the top edge.
    static constexpr int kTopScrollOffset = -10;

    tTimingRecorder(tLyrimoData& song, int partIndex, const tRecorderLines& lines,
                    tRecorderTransport& transport);

    tLyrimoData& Song() const { return song_; }
    tLyricsData* Part() const; // nullptr when the part index names no part
    int LineCount() const;
    bool RightToLeft() const;

    void SetRowHeight(int pixels); // at least 1
    int RowHeight() const { return rowHeight_; }
    void SetAutoPause(bool on) { autoPause_ = on; }
    bool AutoPause() const { return autoPause_; }

    // Whether recording has begun; before it pointer events do nothing.
    bool Recording() const { return recording_; }
    // Begins recording: no line and nothing sung yet, scrolled to the top, and every line of the
    // part loses its timings and starts at 0. The media is opened after this.
    void Begin();
    // The media is playing through the backend playerId: the part counts as recorded and the
    // song remembers that backend.
    void MediaStarted(uint8_t playerId);

    // Handles a pointer movement (a press is a movement with the left button held). Returns
    // whether anything the window shows changed.
    bool Pointer(const tRecorderPointer& pointer, int windowWidth, int windowHeight);

    // Handles a tap: while paused it resumes the music; on a line sung to its end (or before the
    // first line) it enters the next line, stamping its start; otherwise it sings on by the step,
    // with the timing a sweep that far would record. Returns whether anything changed.
    bool Tap(tTapStep step);

    int SungCount() const { return sungCount_; }
    int CurrentLine() const { return currentLine_; }

    int ScrollOffset() const { return scrollOffset_; }
    void SetScrollOffset(int offset) { scrollOffset_ = offset; }
    // Half a window forward (Space), or back but never above the top offset (Backspace).
    void ScrollForward(int clientHeight);
    void ScrollBack(int clientHeight);
    // The scroll bar's range reaches half a window past the last row.
    int ScrollMaximum(int clientHeight) const;

    int RowTop(int line) const { return line * rowHeight_ - scrollOffset_; }
    // Lines from 0 up to (not including) this one have rows to draw: rows start above the bottom.
    int VisibleLineEnd(int windowHeight) const;

private:
    int HitLine(const tRecorderPointer& pointer, int windowHeight, int& candidateCount);
    void Stamp(int previousLine);

    tLyrimoData& song_;
    int partIndex_;
    const tRecorderLines& lines_;
    tRecorderTransport& transport_;

    int sungCount_ = 0;
    int currentLine_ = -1;
    int scrollOffset_ = kTopScrollOffset;
    int rowHeight_ = 1;
    bool autoPause_ = true;
    bool recording_ = false;
};

// The wheel moves the scroll bar one row per notch: away from the user (delta of 120 or more)
// towards the top, towards the user (-120 or less) towards the end.
int WheelScrollPosition(int position, int wheelDelta, int rowHeight);

// A colour 0x00BBGGRR at half brightness, as the lines are drawn while playback is paused.
int32_t PausedColour(int32_t colour);

// The readout of a media time, "hh:mm:ss"; hours may take more digits, negative times show 0.
QString ClockText(int ms);

} // namespace lyrimo
