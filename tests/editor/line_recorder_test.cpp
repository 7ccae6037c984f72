#include "editor/line_recorder.h"

#include "document/song.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace lyrimo {
namespace {

// Every glyph is 10 pixels wide; the row spans y = 100 to 120.
constexpr int kGlyphWidth = 10;
constexpr int kRowTop = 100;
constexpr int kRowHeight = 20;
constexpr int kRowMiddle = 110;
constexpr int kWidth = 400;

class tFixedLine : public tRecorderLines {
public:
    int glyphs = 0;
    QString text; // its spaces are breaks

    int GlyphCount(int) const override { return glyphs; }
    int LeadingWidth(int, int count) const override { return kGlyphWidth * std::min(count, glyphs); }
    bool IsBreak(int, int index) const override { return index <= text.size() && text[index - 1] == ' '; }
};

class tClock : public tRecorderTransport {
public:
    int position = 0;

    int Position() override { return position; }
    bool IsPaused() override { return false; }
    void Play() override {}
    void Pause() override {}
};

struct tLineSetup {
    const char* text;
    int start;
    std::vector<std::pair<int, int>> timings; // position, delta
};

class LineRecorderTest : public ::testing::Test {
protected:
    void MakePart(const std::vector<tLineSetup>& lines, int startOffset = 0) {
        while (song_.PartCount() > 0)
            song_.DeletePart(0);
        auto part = std::make_unique<tLyricsData>();
        part->PartRecord.setStartOffset(startOffset);
        for (const tLineSetup& setup : lines) {
            tTimingsLineType* line = part->AddLine();
            line->LineRecord.setText(setup.text);
            line->LineRecord.setLineStart(setup.start);
            for (auto [position, delta] : setup.timings)
                line->AddTiming(MakeTiming(uint8_t(position), uint16_t(delta)));
        }
        song_.AddPart(std::move(part));
    }

    tLineRecorder& Begin(int lineIndex, tLineRecordOptions options = {}) {
        line_.glyphs = int(Line(lineIndex).Text().size());
        line_.text = QString::fromLatin1(Line(lineIndex).Text());
        recorder_ = std::make_unique<tLineRecorder>(song_, 0, lineIndex, line_, clock_);
        recorder_->SetRow(kRowTop, kRowHeight);
        recorder_->Begin(options);
        return *recorder_;
    }

    bool Move(int x, int y = kRowMiddle, bool held = true) {
        return recorder_->Pointer({x, y, held}, kWidth);
    }

    tTimingsLineType& Line(int i) { return *song_.GetPart(0)->GetLine(i); }
    int Start(int i) { return Line(i).LineRecord.LineStart(); }
    std::vector<std::pair<int, int>> Timings(int i) {
        std::vector<std::pair<int, int>> out;
        for (const tTimingRecord& t : Line(i).Timings())
            out.emplace_back(t.Position(), t.Delta());
        return out;
    }

    tLyrimoData song_;
    tFixedLine line_;
    tClock clock_;
    std::unique_ptr<tLineRecorder> recorder_;
};

using tTimings = std::vector<std::pair<int, int>>;

TEST_F(LineRecorderTest, PlaybackStartsTwoSecondsEarlyButNotBeforeTheMedia) {
    struct {
        int lineStart, offset, leadIn;
    } cases[] = {{5000, 0, 3000}, {1999, 0, 0}, {2000, 0, 0}, {2500, 1000, 0}, {2500, -1000, 1500}};
    for (auto c : cases) {
        MakePart({{"abc", c.lineStart, {{1, 40}}}}, c.offset);
        EXPECT_EQ(Begin(0).LeadInPosition(), c.leadIn) << c.lineStart << " " << c.offset;
        EXPECT_TRUE(Line(0).Timings().empty());
    }
}

TEST_F(LineRecorderTest, RecordingStopsWhereTheNextLineIsDue) {
    MakePart({{"abcd", 1000, {}}, {"efgh", 4000, {{2, 100}}}, {"ijkl", 3000, {}}});
    EXPECT_EQ(Begin(0).StopTime(), 3999);
    // The last line has no stop time.
    EXPECT_EQ(Begin(2).StopTime(), tLineRecorder::kNoStopTime);
    // A next line due before this one loses its start, and with it the stop time.
    EXPECT_EQ(Begin(1).StopTime(), tLineRecorder::kNoStopTime);
    EXPECT_EQ(Start(2), 0);

    MakePart({{"abcd", 1000, {}}, {"efgh", 4000, {}}});
    tLineRecorder& recorder = Begin(0);
    clock_.position = 1500;
    EXPECT_TRUE(Move(25));
    clock_.position = 3998;
    EXPECT_FALSE(recorder.StopTimeReached(recorder.Now()));
    clock_.position = 3999;
    EXPECT_TRUE(recorder.StopTimeReached(recorder.Now()));
    EXPECT_FALSE(Move(35)); // too late: nothing more is recorded
    EXPECT_EQ(Timings(0), (tTimings{{2, 500}}));
}

TEST_F(LineRecorderTest, StartChangeTakesTheEndOfThePreviousLine) {
    const std::vector<tLineSetup> lines = {
        {"one", 1000, {{1, 200}, {3, 700}}}, {"", 5000, {}}, {"three", 9000, {{2, 50}}}, {"four", 9500, {}}};
    const tLineRecordOptions startChange{true, false};

    MakePart(lines);
    Begin(0, startChange);
    EXPECT_EQ(Start(0), 0);

    // A blank line before: it starts 1 ms after the line before it, this line 1 ms later.
    MakePart(lines);
    Begin(2, startChange);
    EXPECT_EQ(Start(1), 1701);
    EXPECT_EQ(Start(2), 1702);
    EXPECT_EQ(recorder_->StopTime(), 9499);

    // The blank line itself follows a line with timings: it starts after that line's end.
    MakePart(lines);
    Begin(1, startChange);
    EXPECT_EQ(Start(1), 1701);
    EXPECT_EQ(Start(0), 1000);

    // The second line of a part after a blank first line takes that line's end, its start.
    MakePart({{"", 400, {}}, {"two", 3000, {}}});
    Begin(1, startChange);
    EXPECT_EQ(Start(0), 400);
    EXPECT_EQ(Start(1), 401);

    // Without the option nothing moves.
    MakePart(lines);
    Begin(2);
    EXPECT_EQ(Start(1), 5000);
    EXPECT_EQ(Start(2), 9000);
}

TEST_F(LineRecorderTest, EndChangeMovesTheNextLineToItsFirstTiming) {
    const tLineRecordOptions endChange{false, true};
    MakePart({{"one", 1000, {{3, 900}}}, {"two", 2000, {{1, 1500}, {2, 1800}, {3, 2600}}}});
    Begin(0, endChange);
    EXPECT_EQ(Start(1), 3500);
    EXPECT_EQ(Timings(1), (tTimings{{1, 0}, {2, 300}, {3, 1100}}));
    EXPECT_EQ(recorder_->StopTime(), 3499);

    // A first timing at 0 changes nothing.
    MakePart({{"one", 1000, {}}, {"two", 2000, {{1, 0}, {2, 400}}}});
    Begin(0, endChange);
    EXPECT_EQ(Start(1), 2000);
    EXPECT_EQ(Timings(1), (tTimings{{1, 0}, {2, 400}}));

    // A next line without timings starts just before the line after it; with no line after, it
    // stays where it was.
    MakePart({{"one", 1000, {}}, {"two", 2000, {}}, {"three", 6000, {}}});
    Begin(0, endChange);
    EXPECT_EQ(Start(1), 5999);
    Begin(1, endChange);
    EXPECT_EQ(Start(2), 6000);

    // The options together on a middle line.
    MakePart({{"one", 1000, {{3, 900}}}, {"two", 2500, {{1, 10}}}, {"three", 4000, {{1, 250}}}});
    Begin(1, {true, true});
    EXPECT_EQ(Start(1), 1901);
    EXPECT_TRUE(Line(1).Timings().empty());
    EXPECT_EQ(Start(2), 4250);
    EXPECT_EQ(recorder_->LeadInPosition(), 0);
}

TEST_F(LineRecorderTest, SweepingRecordsTheLineFromItsStart) {
    MakePart({{"abcdef", 3000, {{6, 999}}}, {"next", 9000, {}}}, 500);
    tLineRecorder& recorder = Begin(0);
    EXPECT_EQ(recorder.SungCount(), -1);

    clock_.position = 2400; // part time 2900: the line has not started
    EXPECT_TRUE(recorder.BeforeLine(recorder.Now()));
    EXPECT_FALSE(Move(45));
    EXPECT_TRUE(Line(0).Timings().empty());

    // The first advance may sweep nothing: the pointer is left of the first glyph's end.
    clock_.position = 2600;
    EXPECT_TRUE(Move(5));
    EXPECT_EQ(recorder.SungCount(), 0);
    EXPECT_FALSE(Move(3, kRowMiddle, false)); // the button is not held
    EXPECT_FALSE(Move(45, kRowTop - 1));      // above the row
    clock_.position = 2800;
    EXPECT_TRUE(Move(45, kRowTop + kRowHeight)); // the row's last pixel counts
    EXPECT_FALSE(Move(20));                      // back left: the sweep never shrinks
    // At the left edge the unchanged count is recorded again, at the current time.
    clock_.position = 3100;
    EXPECT_TRUE(Move(0));
    EXPECT_FALSE(recorder.Swept());
    clock_.position = 3300;
    EXPECT_TRUE(Move(kWidth));
    EXPECT_TRUE(recorder.Swept());
    EXPECT_EQ(Timings(0), (tTimings{{0, 100}, {4, 300}, {4, 600}, {6, 800}}));
}

TEST_F(LineRecorderTest, RightToLeftLinesAreSweptFromTheRightEdge) {
    song_.SongSettings.setRightToLeft(1);
    MakePart({{"abcdef", 0, {}}});
    Begin(0);
    clock_.position = 100;
    EXPECT_TRUE(Move(kWidth - 25));
    EXPECT_EQ(recorder_->SungCount(), 2);
    EXPECT_TRUE(Move(0));
    EXPECT_TRUE(recorder_->Swept());
    EXPECT_EQ(Timings(0), (tTimings{{2, 100}, {6, 100}}));
}

TEST_F(LineRecorderTest, AnEmptyLineIsSweptByAnyTouchOfItsRow) {
    MakePart({{"", 0, {{0, 5}}}});
    tLineRecorder& recorder = Begin(0);
    EXPECT_FALSE(recorder.Swept());
    EXPECT_FALSE(Move(0));
    EXPECT_TRUE(recorder.Swept());
    EXPECT_TRUE(Line(0).Timings().empty());
}

TEST_F(LineRecorderTest, DeltasPastTheirRangeWrap) {
    MakePart({{"abc", 1000, {}}});
    Begin(0);
    clock_.position = 1000 + 65536 + 250;
    EXPECT_TRUE(Move(15));
    EXPECT_EQ(Timings(0), (tTimings{{1, 250}}));
}

TEST_F(LineRecorderTest, TappingTimesTheLineOnlyWhileItIsDue) {
    MakePart({{"up above", 3000, {}}, {"next", 6000, {}}});
    tLineRecorder& recorder = Begin(0);
    clock_.position = 2900;
    EXPECT_FALSE(recorder.Tap(tTapStep::NextBreak)); // not yet due
    clock_.position = 3400;
    EXPECT_TRUE(recorder.Tap(tTapStep::NextBreak));
    EXPECT_FALSE(recorder.Swept());
    clock_.position = 3900;
    EXPECT_TRUE(recorder.Tap(tTapStep::NextBreak));
    EXPECT_TRUE(recorder.Swept());
    EXPECT_EQ(Timings(0), (tTimings{{3, 400}, {8, 900}}));

    tLineRecorder& again = Begin(0);
    clock_.position = 6000; // the next line is due
    EXPECT_FALSE(again.Tap(tTapStep::LineEnd));
    clock_.position = 4000;
    EXPECT_TRUE(again.Tap(tTapStep::LineEnd));
    EXPECT_EQ(Timings(0), (tTimings{{8, 1000}}));
}

} // namespace
} // namespace lyrimo
