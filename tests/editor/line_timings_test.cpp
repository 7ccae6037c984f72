// The line timings editor's rules, without a window.
#include "editor/line_timings.h"

#include "app/app_services.h"

#include <gtest/gtest.h>

using namespace lyrimo;

namespace {

struct tTiming {
    int position;
    int delta;
};

tTimingsLineType& AddLine(tLyricsData& part, int start, const char* text,
                          std::initializer_list<tTiming> timings) {
    tTimingsLineType& line = *part.AddLine();
    line.LineRecord.setLineStart(start);
    line.LineRecord.setText(text);
    for (const tTiming& t : timings)
        line.AddTiming(MakeTiming(uint8_t(t.position), uint16_t(t.delta)));
    return line;
}

std::vector<std::pair<int, int>> TimingsOf(const tTimingsLineType& line) {
    std::vector<std::pair<int, int>> timings;
    for (const tTimingRecord& t : line.Timings())
        timings.emplace_back(t.Position(), t.Delta());
    return timings;
}

using tPairs = std::vector<std::pair<int, int>>;

class LineTimingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        services_.printMessages = false;
        SetApp(&services_);
    }
    void TearDown() override { SetApp(nullptr); }

    tLyricsData& Part(int i = 0) { return *song_.GetPart(i); }

    tHeadlessServices services_;
    tLyrimoData song_;
};

TEST_F(LineTimingsTest, TheLastTimingReachesToJustBeforeTheNextLine) {
    AddLine(Part(), 5000, "first", {{1, 10}});
    AddLine(Part(), 5100, "second", {{1, 10}});
    AddLine(Part(), 5100, "same start", {});
    AddLine(Part(), 4000, "starts earlier", {});
    AddLine(Part(), 80000, "far after", {});
    EXPECT_EQ(LastTimingLimit(Part(), 0), 99);
    EXPECT_EQ(LastTimingLimit(Part(), 1), 65535); // -1 wrapped to 16 bits
    EXPECT_EQ(LastTimingLimit(Part(), 2), uint16_t(4000 - 5100 - 1));
    EXPECT_EQ(LastTimingLimit(Part(), 3), uint16_t(80000 - 4000 - 1)); // 75999 wraps to 10463
    EXPECT_EQ(LastTimingLimit(Part(), 4), 65535);                      // the part's last line
}

TEST_F(LineTimingsTest, LimitsComeFromTheNeighboursAndTheLineEnd) {
    tTimingsLineType& line = AddLine(Part(), 0, "abcdefghij", {{2, 100}, {5, 400}, {8, 900}});
    const tTimingLimits first = TimingLimits(line, 0, 10, 1234);
    EXPECT_EQ(first.position.minimum, 0);
    EXPECT_EQ(first.position.maximum, 4);
    EXPECT_EQ(first.delta.minimum, 0);
    EXPECT_EQ(first.delta.maximum, 399);
    const tTimingLimits middle = TimingLimits(line, 1, 10, 1234);
    EXPECT_EQ(middle.position.minimum, 3);
    EXPECT_EQ(middle.position.maximum, 7);
    EXPECT_EQ(middle.delta.minimum, 101);
    EXPECT_EQ(middle.delta.maximum, 899);
    const tTimingLimits last = TimingLimits(line, 2, 10, 1234);
    EXPECT_EQ(last.position.minimum, 6);
    EXPECT_EQ(last.position.maximum, 10);
    EXPECT_EQ(last.delta.minimum, 401);
    EXPECT_EQ(last.delta.maximum, 1234);

    // Neighbours one apart leave nothing to choose: the fields are disabled.
    tTimingsLineType& tight = AddLine(Part(), 0, "abc", {{1, 10}, {2, 11}, {3, 12}});
    EXPECT_TRUE(TimingLimits(tight, 1, 3, 65535).position.Empty());
    EXPECT_TRUE(TimingLimits(tight, 1, 3, 65535).delta.Empty());
    EXPECT_FALSE(TimingLimits(tight, 2, 4, 65535).position.Empty());
}

TEST_F(LineTimingsTest, ASingleTimingRangesOverTheWholeLine) {
    AddLine(Part(), 1000, "Hello world", {{4, 300}});
    AddLine(Part(), 3000, "next", {});
    tLineTimingsEdit edit(song_, 0, 0, 11);
    const tTimingLimits limits = edit.Limits(0);
    EXPECT_EQ(limits.position.minimum, 0);
    EXPECT_EQ(limits.position.maximum, 11);
    EXPECT_EQ(limits.delta.minimum, 0);
    EXPECT_EQ(limits.delta.maximum, 1999);
}

TEST_F(LineTimingsTest, WhenTheNextLineStarts100msLaterTheLastTimingGoesUpTo99) {
    AddLine(Part(), 2000, "short", {{2, 20}, {4, 50}});
    AddLine(Part(), 2100, "next", {});
    tLineTimingsEdit edit(song_, 0, 0, 5);
    EXPECT_EQ(edit.Limits(1).delta.maximum, 99);
    EXPECT_TRUE(edit.SetDelta(1, 500));
    EXPECT_EQ(edit.Timing(1).Delta(), 99);
    EXPECT_TRUE(edit.SetDelta(1, 0)); // not before the timing before it
    EXPECT_EQ(edit.Timing(1).Delta(), 21);
    EXPECT_TRUE(edit.Changed());
}

TEST_F(LineTimingsTest, OnThePartsLastLineTheLastTimingGoesUpTo65535) {
    AddLine(Part(), 2000, "alone", {{5, 20}});
    tLineTimingsEdit edit(song_, 0, 0, 5);
    EXPECT_TRUE(edit.SetDelta(0, 70000));
    EXPECT_EQ(edit.Timing(0).Delta(), 65535);
}

TEST_F(LineTimingsTest, MovingAPositionKeepsItsDeltaAndStaysBetweenItsNeighbours) {
    AddLine(Part(), 0, "abcdefgh", {{2, 100}, {5, 400}, {7, 700}});
    tLineTimingsEdit edit(song_, 0, 0, 8);
    EXPECT_TRUE(edit.SetPosition(1, 9));
    EXPECT_EQ(TimingsOf(edit.Line()), (tPairs{{2, 100}, {6, 400}, {7, 700}}));
    EXPECT_TRUE(edit.SetPosition(2, 300)); // the line's glyph count caps the last
    EXPECT_EQ(edit.Timing(2).Position(), 8);
    EXPECT_FALSE(edit.SetPosition(2, 8)); // the same value is no change
    EXPECT_FALSE(edit.SetPosition(3, 1)); // no such timing

    // An empty range refuses every change, even a clamped one.
    tTimingsLineType& tight = AddLine(Part(), 9000, "abc", {{1, 10}, {2, 11}, {3, 12}});
    tLineTimingsEdit tightEdit(song_, 0, 1, 3);
    EXPECT_FALSE(tightEdit.SetPosition(1, 3));
    EXPECT_FALSE(tightEdit.SetDelta(1, 0));
    EXPECT_EQ(TimingsOf(tight), (tPairs{{1, 10}, {2, 11}, {3, 12}}));
    EXPECT_FALSE(tightEdit.Changed());
}

TEST_F(LineTimingsTest, InsertingPutsATimingHalfwayBeforeTheSelectedOne) {
    AddLine(Part(), 0, "abcdefghij", {{3, 900}, {9, 2001}});
    tLineTimingsEdit edit(song_, 0, 0, 10);
    QString refusal;
    EXPECT_EQ(edit.Insert(0, refusal), 0); // before the first: halfway from the line's start
    EXPECT_TRUE(refusal.isEmpty());
    EXPECT_EQ(TimingsOf(edit.Line()), (tPairs{{1, 450}, {3, 900}, {9, 2001}}));
    EXPECT_EQ(edit.Insert(2, refusal), 2); // halves round down
    EXPECT_EQ(TimingsOf(edit.Line()), (tPairs{{1, 450}, {3, 900}, {6, 1450}, {9, 2001}}));
    EXPECT_TRUE(edit.Changed());
}

TEST_F(LineTimingsTest, InsertingIsRefusedWithEveryReasonOnItsOwnLine) {
    AddLine(Part(), 0, "abcdefghij", {{4, 1000}, {5, 1001}, {9, 3000}});
    tLineTimingsEdit edit(song_, 0, 0, 10);
    QString refusal;
    EXPECT_EQ(edit.Insert(1, refusal), -1);
    EXPECT_EQ(refusal, "A timing can't be inserted here because\n\r"
                       "    o  there is no space for an extra character timing here\n\r"
                       "    o  the timing difference between the lines above and below aren't great enough.");
    EXPECT_EQ(edit.Count(), 3);
    EXPECT_FALSE(edit.Changed());

    // One reason alone.
    EXPECT_EQ(edit.Insert(2, refusal), 2);
    EXPECT_EQ(TimingsOf(edit.Line()), (tPairs{{4, 1000}, {5, 1001}, {7, 2000}, {9, 3000}}));
    AddLine(Part(), 9000, "abcdefghij", {{2, 100}, {8, 101}});
    tLineTimingsEdit close(song_, 0, 1, 10);
    EXPECT_EQ(close.Insert(1, refusal), -1);
    EXPECT_EQ(refusal, "A timing can't be inserted here because\n\r"
                       "    o  the timing difference between the lines above and below aren't great enough.");

    EXPECT_EQ(edit.Insert(-1, refusal), -1);
    EXPECT_EQ(refusal, "You must first select where to insert the timing...");
}

TEST_F(LineTimingsTest, AFirstTimingNeedsText) {
    AddLine(Part(), 0, "", {});
    AddLine(Part(), 5000, "words", {});
    QString refusal;
    tLineTimingsEdit empty(song_, 0, 0, 0);
    EXPECT_EQ(empty.Insert(-1, refusal), -1);
    EXPECT_EQ(refusal, "Can't add timings to this line because it contains no words...");
    EXPECT_EQ(empty.Count(), 0);

    tLineTimingsEdit words(song_, 0, 1, 5);
    EXPECT_EQ(words.Insert(-1, refusal), 0); // nothing needs selecting on an empty list
    EXPECT_EQ(TimingsOf(words.Line()), (tPairs{{1, 0}}));
}

TEST_F(LineTimingsTest, AFirstTimingNeedsTheWideTextInAMultiByteSong) {
    song_.SongSettings.setUnicodeText(1);
    tTimingsLineType& line = AddLine(Part(), 0, "", {});
    QString refusal;
    tLineTimingsEdit edit(song_, 0, 0, 0);
    EXPECT_EQ(edit.Insert(-1, refusal), -1);
    line.SetWideText(QString::fromUtf8("\u0416\u0416"));
    EXPECT_EQ(edit.Insert(-1, refusal), 0);
}

TEST_F(LineTimingsTest, DeletingSelectsTheTimingThatTookItsPlace) {
    AddLine(Part(), 0, "abcdef", {{1, 10}, {3, 30}, {5, 50}});
    tLineTimingsEdit edit(song_, 0, 0, 6);
    EXPECT_EQ(edit.Delete(0), 0);
    EXPECT_EQ(TimingsOf(edit.Line()), (tPairs{{3, 30}, {5, 50}}));
    EXPECT_EQ(edit.Delete(1), 0); // the last one: the one before is selected
    EXPECT_EQ(edit.Delete(5), -1);
    EXPECT_EQ(edit.Delete(0), -1);
    EXPECT_EQ(edit.Count(), 0);
    EXPECT_TRUE(edit.Changed());

    AddLine(Part(), 9000, "abc", {{1, 10}, {2, 20}});
    tLineTimingsEdit all(song_, 0, 1, 3);
    all.DeleteAll();
    EXPECT_EQ(all.Count(), 0);
    EXPECT_TRUE(all.Changed());
}

TEST_F(LineTimingsTest, CopyingTakesTheOtherLinesTimingsAsTheyAre) {
    tTimingsLineType& target = AddLine(Part(0), 1000, "short", {{1, 5}});
    AddLine(Part(0), 9000, "next", {});
    auto other = std::make_unique<tLyricsData>();
    tTimingsLineType& longer = AddLine(*other, 3000, "a much longer line", {{2, 100}, {6, 900}, {18, 1500}});
    tTimingsLineType& shorter = AddLine(*other, 6000, "ab", {{2, 7000}});
    song_.AddPart(std::move(other));

    tLineTimingsEdit edit(song_, 0, 0, 5);
    edit.CopyFrom(longer, false);
    EXPECT_EQ(TimingsOf(target), (tPairs{{2, 100}, {6, 900}, {18, 1500}}));
    EXPECT_EQ(target.LineRecord.LineStart(), 1000);
    EXPECT_TRUE(edit.Changed());
    // Past the line's end the position cannot be moved, and the list shows the whole line.
    EXPECT_TRUE(edit.Limits(2).position.Empty());
    EXPECT_EQ(edit.GlyphsShown(2), 5);
    EXPECT_EQ(edit.GlyphsShown(1), 5);
    EXPECT_EQ(edit.GlyphsShown(0), 2);

    // A source with fewer glyphs, and its start with it: the last limit follows the new start.
    edit.CopyFrom(shorter, true);
    EXPECT_EQ(TimingsOf(target), (tPairs{{2, 7000}}));
    EXPECT_EQ(target.LineRecord.LineStart(), 6000);
    EXPECT_EQ(edit.LastLimit(), 2999);
    EXPECT_EQ(edit.Limits(0).delta.maximum, 2999);
}

TEST_F(LineTimingsTest, CopyingAlwaysReportsAChange) {
    AddLine(Part(0), 1000, "same", {{2, 100}});
    auto other = std::make_unique<tLyricsData>();
    tTimingsLineType& same = AddLine(*other, 1000, "same", {{2, 100}});
    song_.AddPart(std::move(other));
    tLineTimingsEdit edit(song_, 0, 0, 4);
    edit.CopyFrom(same, true);
    EXPECT_TRUE(edit.Changed());
}

TEST_F(LineTimingsTest, OnlyOtherTimedPartsAreCopySources) {
    for (int i = 0; i < 3; ++i)
        song_.AddPart(std::make_unique<tLyricsData>());
    Part(0).PartRecord.setTimingsRecorded(1);
    Part(2).PartRecord.setTimingsRecorded(1);
    Part(3).PartRecord.setTimingsRecorded(1);
    EXPECT_EQ(CopySourceParts(song_, 0), (std::vector<int>{2, 3}));
    EXPECT_EQ(CopySourceParts(song_, 1), (std::vector<int>{0, 2, 3}));
    Part(2).PartRecord.setTimingsRecorded(0);
    Part(3).PartRecord.setTimingsRecorded(0);
    EXPECT_TRUE(CopySourceParts(song_, 0).empty());
}

TEST_F(LineTimingsTest, TheListShowsTheDeltaAsTimeText) {
    AddLine(Part(), 0, "abc", {{1, 65250}, {3, 65535}});
    tLineTimingsEdit edit(song_, 0, 0, 3);
    EXPECT_EQ(edit.TimeTextOf(0), "00:01:05.250");
    EXPECT_EQ(edit.TimeTextOf(1), "00:01:05.535");
}

} // namespace
