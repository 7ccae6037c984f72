// The timings of one lyrics line as the line timings editor changes them, without a window:
// positions and deltas stay strictly increasing from one timing to the next, the last timing
// reaches no further than the line's glyph count and the next line's start.
#pragma once

#include "document/song.h"

#include <QString>

#include <vector>

namespace lyrimo {

// The values a timing may take; a field with an empty range is disabled.
struct tValueRange {
    int minimum = 0;
    int maximum = 0;
    bool Empty() const { return minimum >= maximum; }
    int Clamp(int value) const;
};

struct tTimingLimits {
    tValueRange position;
    tValueRange delta;
};

// The latest delta the last timing of a line may have: one millisecond before the next line
// starts, wrapped to 16 bits as deltas are stored, or 65,535 on the last line of a part.
uint16_t LastTimingLimit(const tLyricsData& part, int lineIndex);

// The limits of timing index given the timings around it; glyphCount is the line's length in
// glyphs as the font engine counts them.
tTimingLimits TimingLimits(const tTimingsLineType& line, int index, int glyphCount, uint16_t lastLimit);

// Why a timing cannot be inserted, as the message the editor shows; empty when it can.
QString InsertRefusal(const tTimingsLineType& line, int selected, bool lineHasText);

// The parts other than partIndex whose timings were recorded, in part order: the lines timings
// can be copied from.
std::vector<int> CopySourceParts(const tLyrimoData& song, int partIndex);

// A line's start and timings as they were, for taking an edit back.
struct tLineSnapshot {
    int32_t lineStart = 0;
    std::vector<tTimingRecord> timings;
    bool operator==(const tLineSnapshot&) const = default;
};

// One line's timings under edit. Every change marks the edit changed.
class tLineTimingsEdit {
public:
    // The line must exist; glyphCount comes from the font engine the line is measured with.
    tLineTimingsEdit(tLyrimoData& song, int partIndex, int lineIndex, int glyphCount);

    int Count() const { return line_.TimingCount(); }
    tTimingRecord Timing(int index) const { return line_.GetTiming(index); }
    const tTimingsLineType& Line() const { return line_; }
    int GlyphCount() const { return glyphCount_; }
    bool LineHasText() const;
    uint16_t LastLimit() const { return LastTimingLimit(part_, lineIndex_); }
    tTimingLimits Limits(int index) const;
    bool Changed() const { return changed_; }
    void MarkChanged() { changed_ = true; }

    // Replaces one half of the timing, clamped into its limits; false when nothing changed
    // (no such timing, an empty range or the same value).
    bool SetPosition(int index, int position);
    bool SetDelta(int index, int delta);

    // A first timing (1, 0) on a line without timings, else a timing halfway between the
    // selected one and the one before it (or the line's start). The index of the new timing,
    // or -1 with refusal set to the message to show.
    int Insert(int selected, QString& refusal);
    // Removes the timing; the index to select afterwards (the same, else the one before, or
    // -1 when none is left).
    int Delete(int index);
    void DeleteAll();
    // Replaces the timings with copies of those of another line, as they are (a source with
    // more glyphs gives positions beyond this line's end); copyStart also takes its start.
    void CopyFrom(const tTimingsLineType& source, bool copyStart);

    tLineSnapshot Snapshot() const;
    // Puts the line back as it was; a change like any other.
    void Restore(const tLineSnapshot& snapshot);

    // The list's texts for one timing: its delta as time text, and the glyphs shown so far.
    QString TimeTextOf(int index) const;
    int GlyphsShown(int index) const;

private:
    tLyrimoData& song_;
    tLyricsData& part_;
    tTimingsLineType& line_;
    int lineIndex_;
    int glyphCount_;
    bool changed_ = false;
};

} // namespace lyrimo
