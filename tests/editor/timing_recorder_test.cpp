#include "editor/timing_recorder.h"

#include "document/song.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace lyrimo {
namespace {

// Every glyph is 10 pixels wide.
constexpr int kGlyphWidth = 10;
// Rows 20 pixels apart; scrolled to the top, row i spans y = 20 i + 10 to 20 i + 30.
constexpr int kRow = 20;
constexpr int kWidth = 400;
constexpr int kHeight = 300;

int RowMiddle(int line) { return line * kRow + 20; }

class tFixedLines : public tRecorderLines {
public:
    std::vector<int> glyphs;
    // Where given, a line's text: its spaces and hyphens are its breaks.
    std::vector<QString> texts;

    int GlyphCount(int line) const override { return glyphs.at(size_t(line)); }
    int LeadingWidth(int line, int count) const override {
        return kGlyphWidth * std::min(count, GlyphCount(line));
    }
    bool IsBreak(int line, int index) const override {
        return size_t(line) < texts.size() && QString(" -").contains(texts[size_t(line)].at(index - 1));
    }
};

// A clock the test sets, with the transport calls logged.
class tScriptedTransport : public tRecorderTransport {
public:
    int position = 0;
    bool paused = false;
    QStringList calls;

    int Position() override { return position; }
    bool IsPaused() override { return paused; }
    void Play() override {
        calls << "Play";
        paused = false;
    }
    void Pause() override {
        calls << "Pause";
        paused = true;
    }
};

class TimingRecorderTest : public ::testing::Test {
protected:
    // A part whose lines have these glyph counts, each with an old timing and start.
    void MakePart(const std::vector<int>& glyphCounts) {
        while (song_.PartCount() > 0)
            song_.DeletePart(0);
        auto part = std::make_unique<tLyricsData>();
        for (size_t i = 0; i < glyphCounts.size(); ++i) {
            tTimingsLineType* line = part->AddLine();
            line->LineRecord.setText(QByteArray(glyphCounts[i], 'a'));
            line->LineRecord.setLineStart(5000 + int(i));
            line->AddTiming(MakeTiming(1, 77));
        }
        song_.AddPart(std::move(part));
        lines_.glyphs = glyphCounts;
        recorder_ = std::make_unique<tTimingRecorder>(song_, 0, lines_, transport_);
        recorder_->SetRowHeight(kRow);
    }

    void Begin(const std::vector<int>& glyphCounts) {
        MakePart(glyphCounts);
        recorder_->Begin();
    }

    bool Move(int x, int y, bool held = true) { return recorder_->Pointer({x, y, held}, kWidth, kHeight); }
    bool MoveOnLine(int line, int x, bool held = true) { return Move(x, RowMiddle(line), held); }

    tTimingsLineType& Line(int i) { return *song_.GetPart(0)->GetLine(i); }
    int Start(int i) { return Line(i).LineRecord.LineStart(); }
    // The line's timings as "position@delta".
    QStringList Timings(int i) {
        QStringList out;
        for (const tTimingRecord& t : Line(i).Timings())
            out << QString("%1@%2").arg(t.Position()).arg(t.Delta());
        return out;
    }

    tLyrimoData song_;
    tFixedLines lines_;
    tScriptedTransport transport_;
    std::unique_ptr<tTimingRecorder> recorder_;
};

TEST_F(TimingRecorderTest, BeginClearsThePartAndNothingHappensBeforeIt) {
    MakePart({5, 5, 5});
    transport_.position = 100;
    EXPECT_FALSE(MoveOnLine(0, 25));
    EXPECT_EQ(recorder_->CurrentLine(), -1);
    EXPECT_EQ(Timings(0), QStringList{"1@77"});
    EXPECT_EQ(Start(1), 5001);

    recorder_->SetScrollOffset(200);
    recorder_->Begin();
    EXPECT_TRUE(recorder_->Recording());
    EXPECT_EQ(recorder_->ScrollOffset(), tTimingRecorder::kTopScrollOffset);
    EXPECT_EQ(recorder_->SungCount(), 0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(Timings(i).isEmpty()) << i;
        EXPECT_EQ(Start(i), 0) << i;
    }
    EXPECT_EQ(song_.GetPart(0)->PartRecord.TimingsRecorded(), 0);

    recorder_->MediaStarted(4);
    EXPECT_EQ(song_.GetPart(0)->PartRecord.TimingsRecorded(), 1);
    EXPECT_EQ(song_.SongSettings.PreferredPlayer(), 4);
}

TEST_F(TimingRecorderTest, SweepingAlongALineAppendsATimingPerAdvance) {
    Begin({6, 6});
    transport_.position = 1000;
    EXPECT_TRUE(MoveOnLine(0, 25)); // glyphs ending at 10 and 20 lie before the pointer
    EXPECT_EQ(Start(0), 1000);
    transport_.position = 1200;
    EXPECT_FALSE(MoveOnLine(0, 30)); // the third glyph ends at 30, not before it
    EXPECT_TRUE(MoveOnLine(0, 31));
    transport_.position = 1450;
    EXPECT_TRUE(MoveOnLine(0, 60)); // the whole line
    EXPECT_EQ(Timings(0), (QStringList{"2@0", "3@200", "6@450"}));
    EXPECT_TRUE(Timings(1).isEmpty());
    EXPECT_EQ(Start(1), 0);
}

TEST_F(TimingRecorderTest, QuickSweepStampsSkippedLinesWithOneStart) {
    Begin({5, 5, 5, 5, 5, 5});
    transport_.position = 1000;
    ASSERT_TRUE(MoveOnLine(1, 25));
    transport_.position = 1800;
    ASSERT_TRUE(MoveOnLine(4, 15)); // straight from the second line to the fifth
    EXPECT_EQ(recorder_->CurrentLine(), 4);
    EXPECT_EQ(recorder_->SungCount(), 1);
    EXPECT_EQ(Start(0), 1000); // lines before the first touched one start with it
    EXPECT_EQ(Start(1), 1000);
    EXPECT_EQ(Start(2), 1800);
    EXPECT_EQ(Start(3), 1800);
    EXPECT_EQ(Start(4), 1800);
    EXPECT_EQ(Start(5), 0);
    EXPECT_EQ(Timings(1), QStringList{"2@0"});
    EXPECT_TRUE(Timings(2).isEmpty());
    EXPECT_TRUE(Timings(3).isEmpty());
    EXPECT_EQ(Timings(4), QStringList{"1@0"});
}

TEST_F(TimingRecorderTest, MovingUpOrLeftChangesNothing) {
    Begin({3, 8, 8});
    transport_.position = 500;
    ASSERT_TRUE(MoveOnLine(2, 45)); // four glyphs of the third line
    transport_.position = 900;
    EXPECT_FALSE(MoveOnLine(2, 12));
    EXPECT_FALSE(MoveOnLine(1, 75)); // far further right on an earlier line
    EXPECT_FALSE(MoveOnLine(0, 200));
    EXPECT_EQ(recorder_->CurrentLine(), 2);
    EXPECT_EQ(recorder_->SungCount(), 4);
    EXPECT_EQ(Timings(2), QStringList{"4@0"});
    EXPECT_TRUE(Timings(0).isEmpty());
    EXPECT_EQ(Start(2), 500);
}

TEST_F(TimingRecorderTest, EnteringALineAtTheEdgeStampsOnlyItsStart) {
    Begin({4, 4});
    transport_.position = 300;
    EXPECT_TRUE(MoveOnLine(0, 0));
    EXPECT_EQ(recorder_->CurrentLine(), 0);
    EXPECT_EQ(Start(0), 300);
    EXPECT_TRUE(Timings(0).isEmpty());
    transport_.position = 420;
    EXPECT_TRUE(MoveOnLine(0, 15));
    EXPECT_EQ(Timings(0), QStringList{"1@120"});
    EXPECT_EQ(Start(0), 300);

    // Held at the edge over the current line, each movement records the count again, now.
    transport_.position = 700;
    EXPECT_TRUE(MoveOnLine(0, -3));
    transport_.position = 760;
    EXPECT_TRUE(MoveOnLine(0, 0));
    EXPECT_EQ(Timings(0), (QStringList{"1@120", "1@400", "1@460"}));
}

TEST_F(TimingRecorderTest, AutoPauseAtALineEndAndResumeAtTheEdge) {
    Begin({4, 4});
    transport_.position = 1000;
    ASSERT_TRUE(MoveOnLine(0, 25));
    transport_.position = 1300;
    ASSERT_TRUE(MoveOnLine(0, 41)); // the end of the line
    EXPECT_EQ(transport_.calls, QStringList{"Pause"});
    EXPECT_TRUE(transport_.paused);

    // Nothing is recorded while paused, wherever the pointer goes with the button held.
    transport_.position = 1500;
    EXPECT_FALSE(MoveOnLine(1, 30));
    EXPECT_EQ(recorder_->CurrentLine(), 0);
    EXPECT_EQ(Start(1), 0);
    EXPECT_EQ(Timings(0), (QStringList{"2@0", "4@300"}));

    // Back at the left edge the music goes on, with the button released too.
    EXPECT_TRUE(MoveOnLine(1, 0, false));
    EXPECT_EQ(transport_.calls, (QStringList{"Pause", "Play"}));
    EXPECT_FALSE(transport_.paused);
    EXPECT_EQ(Timings(0).size(), 2);
    EXPECT_EQ(Start(1), 0);
    EXPECT_FALSE(MoveOnLine(1, 0, false)); // playing already: nothing to redraw

    transport_.position = 1900;
    EXPECT_TRUE(MoveOnLine(1, 12));
    EXPECT_EQ(Start(1), 1900);
    EXPECT_EQ(Timings(1), QStringList{"1@0"});
}

TEST_F(TimingRecorderTest, WithoutAutoPauseTheMusicRunsOn) {
    Begin({2, 2});
    recorder_->SetAutoPause(false);
    ASSERT_TRUE(MoveOnLine(0, 100));
    EXPECT_TRUE(transport_.calls.isEmpty());
    // Paused by other means, the edge does not resume it and nothing is recorded.
    transport_.paused = true;
    EXPECT_FALSE(MoveOnLine(1, 0));
    EXPECT_TRUE(transport_.calls.isEmpty());
    EXPECT_EQ(recorder_->CurrentLine(), 0);
}

TEST_F(TimingRecorderTest, StoredFieldsTruncateAndStartsTakeThePartOffset) {
    Begin({300, 3});
    song_.GetPart(0)->PartRecord.setStartOffset(-250);
    recorder_->SetAutoPause(false);
    transport_.position = 1250;
    ASSERT_TRUE(MoveOnLine(0, 15));
    EXPECT_EQ(Start(0), 1000);
    transport_.position = 1250 + 70000; // past what 16 bits of milliseconds hold
    ASSERT_TRUE(MoveOnLine(0, kWidth - 1));
    transport_.position = 1250 + 70001;
    ASSERT_TRUE(MoveOnLine(0, 3000)); // the whole line of 300 glyphs
    EXPECT_EQ(Timings(0), (QStringList{"1@0", "39@4464", "44@4465"}));
}

TEST(TapTiming, ATapSingsTheNextWordOrBlockWithTheBreaksAfterIt) {
    tFixedLines lines;
    lines.texts = {"Twin-kle  star", "--go"};
    lines.glyphs = {14, 4};
    EXPECT_EQ(TappedGlyphs(lines, 0, -1, tTapStep::NextBreak), 5);
    EXPECT_EQ(TappedGlyphs(lines, 0, 5, tTapStep::NextBreak), 10);
    EXPECT_EQ(TappedGlyphs(lines, 0, 7, tTapStep::NextBreak), 10); // the rest of a word half swept
    EXPECT_EQ(TappedGlyphs(lines, 0, 10, tTapStep::NextBreak), 14);
    EXPECT_EQ(TappedGlyphs(lines, 0, 14, tTapStep::NextBreak), 14);
    EXPECT_EQ(TappedGlyphs(lines, 0, 5, tTapStep::LineEnd), 14);
    EXPECT_EQ(TappedGlyphs(lines, 1, 0, tTapStep::NextBreak), 4); // breaks first, then the word
}

TEST_F(TimingRecorderTest, TappingEntersLinesAndTimesThemAsASweepWould) {
    Begin({10, 3});
    lines_.texts = {"Twin-kle t", "abc"};
    transport_.position = 1000;
    EXPECT_TRUE(recorder_->Tap(tTapStep::NextBreak)); // enters the first line: its start only
    EXPECT_EQ(recorder_->CurrentLine(), 0);
    EXPECT_EQ(Start(0), 1000);
    EXPECT_TRUE(Timings(0).isEmpty());
    transport_.position = 1300;
    recorder_->Tap(tTapStep::NextBreak);
    transport_.position = 1600;
    recorder_->Tap(tTapStep::NextBreak);
    EXPECT_EQ(Timings(0), (QStringList{"5@300", "9@600"}));
    EXPECT_TRUE(transport_.calls.isEmpty());
    transport_.position = 1900;
    recorder_->Tap(tTapStep::NextBreak); // the line's end: the music pauses
    EXPECT_EQ(Timings(0).last(), "10@900");
    EXPECT_EQ(transport_.calls, QStringList{"Pause"});

    transport_.position = 5000;
    EXPECT_TRUE(recorder_->Tap(tTapStep::NextBreak)); // only resumes
    EXPECT_EQ(transport_.calls.last(), "Play");
    EXPECT_EQ(recorder_->CurrentLine(), 0);
    transport_.position = 5200;
    recorder_->Tap(tTapStep::NextBreak);
    EXPECT_EQ(recorder_->CurrentLine(), 1);
    EXPECT_EQ(Start(1), 5200);
    transport_.position = 5700;
    recorder_->Tap(tTapStep::LineEnd);
    EXPECT_EQ(Timings(1), QStringList{"3@500"});
    recorder_->SetAutoPause(false);
    transport_.paused = false;
    EXPECT_FALSE(recorder_->Tap(tTapStep::NextBreak)); // past the last line
}

TEST_F(TimingRecorderTest, RightToLeftMirrorsThePointer) {
    song_.SongSettings.setRightToLeft(1);
    Begin({5, 5});
    transport_.position = 100;
    EXPECT_TRUE(MoveOnLine(0, kWidth)); // the right edge is where the line starts
    EXPECT_EQ(Start(0), 100);
    EXPECT_TRUE(Timings(0).isEmpty());
    transport_.position = 250;
    EXPECT_TRUE(MoveOnLine(0, kWidth - 25));
    EXPECT_EQ(recorder_->SungCount(), 2);
    EXPECT_FALSE(MoveOnLine(0, kWidth - 12)); // back towards the start
    EXPECT_EQ(Timings(0), QStringList{"2@150"});
}

TEST_F(TimingRecorderTest, RowsAreHitIncludingBothEdges) {
    Begin({5, 5, 5});
    transport_.position = 10;
    EXPECT_FALSE(Move(15, 9)); // above the first row
    EXPECT_EQ(recorder_->CurrentLine(), -1);
    EXPECT_TRUE(Move(15, 10)); // its top
    EXPECT_EQ(recorder_->CurrentLine(), 0);
    EXPECT_TRUE(Move(25, 30)); // its bottom is the next row's top: the later row wins
    EXPECT_EQ(recorder_->CurrentLine(), 1);
    EXPECT_EQ(recorder_->SungCount(), 2);

    // Scrolled on, the rows move up with the offset.
    recorder_->SetScrollOffset(30);
    EXPECT_TRUE(Move(35, 15)); // row 2 now spans 10 to 30
    EXPECT_EQ(recorder_->CurrentLine(), 2);
    EXPECT_FALSE(Move(100, 31)); // below the last row
}

TEST_F(TimingRecorderTest, RowsBelowTheWindowAreNotHit) {
    Begin({5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5});
    EXPECT_EQ(recorder_->VisibleLineEnd(kHeight), 15); // row 14 starts at 290, row 15 at 310
    EXPECT_FALSE(MoveOnLine(15, 30));
    EXPECT_EQ(recorder_->CurrentLine(), -1);
    EXPECT_TRUE(MoveOnLine(14, 30));
}

TEST_F(TimingRecorderTest, APartWithoutLines) {
    Begin({});
    EXPECT_FALSE(MoveOnLine(0, 50));
    EXPECT_FALSE(Move(0, 0));
    EXPECT_EQ(recorder_->CurrentLine(), -1);
    EXPECT_EQ(recorder_->ScrollMaximum(kHeight), kHeight / 2);
    EXPECT_EQ(recorder_->VisibleLineEnd(kHeight), 0);

    tTimingRecorder missing(song_, 3, lines_, transport_);
    missing.Begin();
    EXPECT_EQ(missing.LineCount(), 0);
    EXPECT_FALSE(missing.Pointer({20, 20, true}, kWidth, kHeight));
    missing.MediaStarted(2);
    EXPECT_EQ(song_.SongSettings.PreferredPlayer(), 2);
}

TEST_F(TimingRecorderTest, ScrollingByHalfWindowsNeverAboveTheTop) {
    Begin({5, 5, 5, 5});
    recorder_->ScrollForward(301);
    EXPECT_EQ(recorder_->ScrollOffset(), -10 + 150);
    recorder_->ScrollForward(301);
    EXPECT_EQ(recorder_->ScrollOffset(), 290);
    recorder_->ScrollBack(301);
    EXPECT_EQ(recorder_->ScrollOffset(), 140);
    recorder_->ScrollBack(301);
    EXPECT_EQ(recorder_->ScrollOffset(), -10);
    recorder_->SetScrollOffset(20);
    recorder_->ScrollBack(100);
    EXPECT_EQ(recorder_->ScrollOffset(), -10);
    EXPECT_EQ(recorder_->ScrollMaximum(301), 4 * kRow + 150);

    EXPECT_EQ(WheelScrollPosition(100, 120, kRow), 80);
    EXPECT_EQ(WheelScrollPosition(100, 240, kRow), 80);
    EXPECT_EQ(WheelScrollPosition(100, -120, kRow), 120);
    EXPECT_EQ(WheelScrollPosition(100, 60, kRow), 100);
    EXPECT_EQ(WheelScrollPosition(100, -119, kRow), 100);
}

TEST(TimingRecorderTexts, ClockTextAndPausedColour) {
    EXPECT_EQ(ClockText(0), "00:00:00");
    EXPECT_EQ(ClockText(187999), "00:03:07");
    EXPECT_EQ(ClockText(3600000 + 59 * 60000 + 59999), "01:59:59");
    EXPECT_EQ(ClockText(101 * 3600000), "101:00:00");
    EXPECT_EQ(ClockText(-500), "00:00:00");

    EXPECT_EQ(PausedColour(0x00FFFF), 0x007F7F);
    EXPECT_EQ(PausedColour(0x0000FF), 0x00007F);
    EXPECT_EQ(PausedColour(0x00818283), 0x00404141);
    EXPECT_EQ(PausedColour(0x01000001), 0); // bits outside the three components go
}

} // namespace
} // namespace lyrimo
