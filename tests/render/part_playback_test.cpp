// Line-by-line playback: which line is current when, early display, blank lines, the two-slot
// display, the preview's place, fading and the instrumental animation's schedule.
#include "render/part_playback.h"

#include "part_playback_fixtures.h"
#include "render/animations.h"
#include "render/line_renderer.h"

#include <gtest/gtest.h>

#include <cmath>

namespace lyrimo {
namespace {

using test::Blank;
using test::InkBetween;
using test::InkRows;
using test::MakeSong;
using test::Sung;

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int32_t kMargin = 40;

class LinePlayback : public ::testing::Test {
protected:
    void SetUp() override { test::ResetPlaybackSettings(); }
    void TearDown() override { test::ResetPlaybackSettings(); }

    // Lines of a part with the preferences as they are now.
    std::unique_ptr<tLyricslinePlayback> Create(tLyrimoData& song, int part = 0, int blockTop = 0,
                                                int blockHeight = kHeight) {
        const tPartBlock block{kWidth, kHeight, blockTop, blockHeight};
        return std::make_unique<tLyricslinePlayback>(&song, part, LineSetupFrom(Settings()), block,
                                                     tPartOptions{true, false, WorkingPixelFormat()});
    }

    // One frame as the playback window runs it: draw, then prepare the line asked for. Lines
    // count as finished 40 ms before their last timing.
    int Frame(tLyricslinePlayback& lines, int32_t time) {
        lastTime_ = time;
        if (lines.ShownLine() == -1)
            lines.SetLine(0, false, 0, false);
        frame_ = Bitmap(kWidth, kHeight, WorkingPixelFormat());
        changes_.Clear();
        const int32_t wanted = lines.DrawFrame(frame_, nullptr, changes_, time, kMargin);
        EXPECT_EQ(lines.WantedLine(), wanted);
        if (wanted != lines.ShownLine())
            lines.SetLine(wanted, false, 0, false);
        return lines.ShownLine();
    }

    // The first frame time (frames every 40 ms, going on from the last frame drawn) after which
    // the shown line is index.
    int FirstTimeShowing(tLyricslinePlayback& lines, int index, int32_t until) {
        for (int32_t t = lastTime_ + 40; t <= until; t += 40)
            if (Frame(lines, t) == index)
                return t;
        return -1;
    }

    Bitmap frame_;
    tChangesList changes_;
    int32_t lastTime_ = -40;
};

TEST_F(LinePlayback, LinesFollowEachOtherAsTheyFinishAndVanishAtTheEnd) {
    Settings().MultiLineDisplay = false;
    auto song = MakeSong({Sung("one two", 1000), Sung("three four", 2500), Sung("five six", 4000)});
    auto lines = Create(*song);
    EXPECT_EQ(lines->Mode(), linemode::Single);

    // A line counts as finished the end-early margin (40 ms) before its last timing.
    EXPECT_EQ(FirstTimeShowing(*lines, 1, 8000), 1960);
    EXPECT_EQ(FirstTimeShowing(*lines, 2, 8000), 3480);
    EXPECT_EQ(FirstTimeShowing(*lines, 3, 8000), 4960);
    // Past the end nothing more is asked for and nothing is drawn.
    EXPECT_EQ(Frame(*lines, 9000), 3);
    EXPECT_TRUE(InkRows(frame_).empty());
    EXPECT_TRUE(changes_.IsEmpty());

    Settings().RemoveLyricsAtSongEnd = false;
    lines = Create(*song);
    lastTime_ = -40;
    EXPECT_EQ(FirstTimeShowing(*lines, 3, 8000), -1);
    EXPECT_EQ(lines->ShownLine(), 2);
    EXPECT_FALSE(InkRows(frame_).empty()) << "the last line stays on screen";
}

TEST_F(LinePlayback, AVersesFirstLineShowsEarly) {
    Settings().MultiLineDisplay = false;
    auto song = MakeSong({Sung("hello there", 5000), Blank(6500), Sung("after the gap", 10000)});
    auto lines = Create(*song);

    Frame(*lines, 4160);
    EXPECT_TRUE(InkRows(frame_).empty()) << "840 ms before its start the first line is hidden";
    Frame(*lines, 4200);
    EXPECT_FALSE(InkRows(frame_).empty()) << "800 ms before its start it appears";

    // Through the blank line to the next verse, which again waits until 800 ms before it starts.
    for (int32_t t = 4200; t <= 6100; t += 40)
        Frame(*lines, t);
    ASSERT_EQ(lines->ShownLine(), 2);
    EXPECT_TRUE(lines->AfterGap());
    Frame(*lines, 9160);
    EXPECT_TRUE(InkRows(frame_).empty());
    Frame(*lines, 9200);
    EXPECT_FALSE(InkRows(frame_).empty());

    Settings().ShowFirstLine = true;
    lines = Create(*song);
    Frame(*lines, 0);
    EXPECT_FALSE(InkRows(frame_).empty()) << "with \"Show First Line\" the first line is there at once";

    Settings().ShowFirstLine = false;
    Settings().Early = 2000;
    lines = Create(*song);
    Frame(*lines, 3000);
    EXPECT_FALSE(InkRows(frame_).empty());
}

TEST_F(LinePlayback, BlankLinesArePassedOneAFrameOrSkippedAtOnce) {
    Settings().MultiLineDisplay = false;
    auto song = MakeSong({Sung("first", 1000), Blank(), Blank(), Sung("second", 8000)});
    auto lines = Create(*song);
    EXPECT_EQ(Frame(*lines, 1000), 0);
    EXPECT_EQ(Frame(*lines, 1960), 1);
    EXPECT_EQ(Frame(*lines, 2000), 2);
    EXPECT_EQ(Frame(*lines, 2040), 3);
    EXPECT_EQ(Frame(*lines, 2080), 3);

    Settings().SkipBlankLines = true;
    lines = Create(*song);
    EXPECT_EQ(Frame(*lines, 1000), 0);
    EXPECT_EQ(Frame(*lines, 1960), 3);
}

// The preferences are read when the part's lines are made; changing them afterwards changes
// nothing until the lines are made again.
TEST_F(LinePlayback, PreferencesAreReadWhenThePartIsMade) {
    Settings().MultiLineDisplay = false;
    auto song = MakeSong({Sung("first", 1000), Blank(), Blank(), Sung("second", 8000)});
    auto lines = Create(*song);
    Settings().SkipBlankLines = true;
    Settings().MultiLineDisplay = true;
    EXPECT_EQ(lines->Mode(), linemode::Single);
    EXPECT_EQ(Frame(*lines, 1000), 0);
    EXPECT_EQ(Frame(*lines, 1960), 1) << "blank lines are still passed one a frame";
}

TEST(LineSetup, TakesEveryPreferenceTheRenderersUse) {
    EXPECT_EQ(LineSetupFrom(tSettingsClass()), tLineSetup{}) << "the defaults agree";
    tSettingsClass s;
    s.NiceWordwrap = false, s.AddPixels = 3, s.Bounce = 5, s.BounceHeightinPercent = 120,
    s.TrueBounce = false;
    s.MultiLineDisplay = false, s.Enabled = true, s.PrevDefPos = false, s.PrevAlign = 2, s.HalfSize = false;
    s.BlendBG = true, s.FLTL = false, s.FadeinPreview = false;
    s.Early = 40, s.ShowFirstLine = true, s.RemoveLyricsAtSongEnd = false, s.SkipBlankLines = true;
    s.LeadIN = 11, s.LeadOut = 12, s.ScrollTime = 13, s.MinTimePlay = 14, s.EndEarlyMin = 15,
    s.EndEarlyMax = 16;
    const tLineSetup setup = LineSetupFrom(s);
    EXPECT_EQ(setup.Wipe, (tLineSetup::tWipe{false, 3}));
    EXPECT_EQ(setup.Bounce, (tLineSetup::tBounce{5, 120, false}));
    EXPECT_EQ(setup.Display, (tLineSetup::tDisplay{false, true, false, 2, false, true, false, false}));
    EXPECT_EQ(setup.Timing, (tLineSetup::tTiming{100, true, false, true})) << "\"Early\" is at least 100";
    EXPECT_EQ(setup.Animation, (tLineSetup::tAnimation{11, 12, 13, 14}));
    EXPECT_EQ(setup.Margin, (tLineSetup::tMargin{15, 16}));
    EXPECT_EQ(EndEarlyMarginFor(setup.Margin, 1), 15);
    EXPECT_EQ(EndEarlyMarginFor(setup.Margin, 5), 15);
    EXPECT_EQ(EndEarlyMarginFor({30, 50}, 33), 43);
    EXPECT_EQ(EndEarlyMarginFor({30, 50}, 90), 50);
}

TEST_F(LinePlayback, TwoLineDisplayAlternatesSlotsAndRestartsEachVerse) {
    auto song = MakeSong({Sung("one", 1000), Sung("two", 2000), Sung("three", 3000), Blank(),
                          Sung("four", 9000), Sung("five", 10000)});
    for (bool firstLineTop : {true, false}) {
        Settings().FLTL = firstLineTop;
        auto lines = Create(*song);
        ASSERT_EQ(lines->Mode(), linemode::MultiLine);
        std::vector<bool> atBottom;
        for (int i = 0; i < 6; ++i) {
            lines->SetLine(i, false, 0, false);
            atBottom.push_back(lines->CurrentAtBottom());
        }
        const bool t = !firstLineTop; // where a verse's first line goes
        EXPECT_EQ(atBottom, (std::vector<bool>{t, !t, t, !t, t, !t})) << "first line top: " << firstLineTop;
    }

    // The song's own choice overrides the preferences.
    song->SongSettings.setMultiLineMode(1);
    EXPECT_EQ(Create(*song)->Mode(), linemode::Single);
    song->SongSettings.setMultiLineMode(2);
    EXPECT_EQ(Create(*song)->Mode(), linemode::Preview);
    Settings().MultiLineDisplay = false;
    song->SongSettings.setMultiLineMode(3);
    song->SongSettings.setFirstLineTop(0);
    auto lines = Create(*song);
    EXPECT_EQ(lines->Mode(), linemode::MultiLine);
    EXPECT_TRUE(lines->CurrentAtBottom());
}

TEST_F(LinePlayback, SlotsAreSizedByTheLinesThatGoIntoThem) {
    const QString longLine =
        "twinkle twinkle little star how I wonder what you are up above the world so high";
    auto song = MakeSong({Sung(longLine, 1000, 4000), Sung("like a diamond", 6000)});
    Settings().FLTL = true;
    auto lines = Create(*song);
    EXPECT_GT(lines->BottomSlotHeight(), 0);
    EXPECT_GT(lines->TopSlotHeight(), lines->BottomSlotHeight() * 3 / 2)
        << "the wrapped first line is on top";

    Settings().FLTL = false;
    lines = Create(*song);
    EXPECT_GT(lines->TopSlotHeight(), 0);
    EXPECT_GT(lines->BottomSlotHeight(), lines->TopSlotHeight() * 3 / 2)
        << "the wrapped first line is at the bottom";

    // Slots that do not fit the block are scaled down together.
    lines = Create(*song, 0, 0, 60);
    EXPECT_LE(lines->TopSlotHeight() + lines->BottomSlotHeight(), 60);
    EXPECT_GT(lines->BottomSlotHeight(), lines->TopSlotHeight());
}

// In two-line display the ball of a line in the bottom slot bounces in room of its own between
// the slots, never over the letters of the line in the top slot.
TEST_F(LinePlayback, BallOfTheBottomSlotStaysClearOfTheTopLine) {
    auto song = MakeSong({Sung("three moon", 1000), Sung("two the sun", 2200, 1600), Sung("one more", 4000)});
    Settings().FLTL = true;
    auto plain = Create(*song);
    EXPECT_EQ(plain->BottomBallRoom(), 0) << "no ball, no room";
    EXPECT_EQ(plain->TopSlotHeight(), plain->BottomSlotHeight());

    tLyricsData* part = song->GetPart(0);
    part->PartExtras.setBallStyle(2);
    part->PartRecord.setBallNumber(3);
    tBouncingBall ball;
    ball.LoadBuiltIn(3, false);
    ASSERT_GT(ball.Height(), 0);
    auto lines = Create(*song);
    EXPECT_GT(lines->BottomBallRoom(), 0);
    EXPECT_EQ(lines->TopSlotHeight() - plain->TopSlotHeight(), lines->BottomBallRoom());
    EXPECT_EQ(lines->BottomSlotHeight() - plain->BottomSlotHeight(), lines->BottomBallRoom());

    ASSERT_GT(FirstTimeShowing(*lines, 1, 2200), 0);
    int highest = kHeight, lowest = 0, withUpperLine = 0;
    for (int32_t t = 2200; t < 3700; t += 40) {
        ASSERT_EQ(Frame(*lines, t), 1);
        ASSERT_TRUE(lines->CurrentAtBottom());
        const tMyRect* drawn = nullptr;
        for (const tMyRect& rect : changes_)
            if (rect.Width() == ball.FrameWidth && rect.Height() == ball.Height())
                drawn = &rect;
        ASSERT_NE(drawn, nullptr) << "the ball is drawn at " << t;
        // The top line's ink is the first run of rows with ink beside the ball.
        int upperTop = -1, upperBottom = -1;
        for (int y = 0; y < kHeight; ++y) {
            bool ink = false;
            for (int x = 0; x < kWidth && !ink; ++x)
                ink = frame_.Pixel(x, y) != 0 &&
                      !(x >= drawn->Left && x < drawn->Right && y >= drawn->Top && y < drawn->Bottom);
            if (ink && upperTop < 0)
                upperTop = y;
            if (ink)
                upperBottom = y + 1;
            else if (upperBottom >= 0)
                break;
        }
        ASSERT_GT(upperBottom, 0) << "the bottom line is drawn at " << t;
        if (upperTop >= drawn->Bottom)
            continue; // mid-line, while neither neighbour shows in the top slot
        ++withUpperLine;
        EXPECT_GE(drawn->Top, upperBottom) << "the ball covers the top line at " << t;
        highest = std::min(highest, int(drawn->Top));
        lowest = std::max(lowest, int(drawn->Top));
    }
    EXPECT_LT(highest, lowest) << "the ball still bounces";
    EXPECT_GT(withUpperLine, 20) << "the top slot showed a line in most frames";
}

TEST_F(LinePlayback, PreviewGoesAboveLyricsAtTheBottomOfTheBlock) {
    auto song = MakeSong({Sung("sung now", 1000), Sung("coming next", 3000)});
    song->SongSettings.setMultiLineMode(2);
    song->SongSettings.setPreviewBelow(1);
    song->SongSettings.setPreviewHalfSize(1);

    song->GetPart(0)->PartExtras.setLyricsPosition(linepos::Bottom);
    auto lines = Create(*song);
    Frame(*lines, 1500);
    EXPECT_TRUE(InkBetween(frame_, 0, kHeight / 4)) << "preview at the top of the block";
    EXPECT_TRUE(InkBetween(frame_, kHeight * 3 / 4, kHeight)) << "lyrics at the bottom";
    EXPECT_FALSE(InkBetween(frame_, kHeight / 4, kHeight * 3 / 4));

    song->GetPart(0)->PartExtras.setLyricsPosition(linepos::Middle);
    lines = Create(*song);
    Frame(*lines, 1500);
    EXPECT_FALSE(InkBetween(frame_, 0, kHeight / 4)) << "below, as the song asks";
    EXPECT_TRUE(InkBetween(frame_, kHeight * 3 / 4, kHeight));
    EXPECT_TRUE(InkBetween(frame_, kHeight / 4, kHeight * 3 / 4));

    song->GetPart(0)->PartExtras.setLyricsPosition(linepos::Top);
    song->SongSettings.setPreviewBelow(0);
    lines = Create(*song);
    Frame(*lines, 1500);
    EXPECT_TRUE(InkBetween(frame_, kHeight * 3 / 4, kHeight)) << "lyrics at the top force the preview below";
}

TEST_F(LinePlayback, NeighbouringLinesFadeOverHalfTheCurrentLine) {
    // The line runs from 1000 to 3000: the previous line fades out until 2000, the next fades in after.
    auto song = MakeSong({Sung("before", 0, 800), Sung("current", 1000, 2000), Sung("after", 4000)});
    auto lines = Create(*song);
    ASSERT_TRUE(lines->Fade());
    lines->SetLine(0, false, 0, false);
    lines->SetLine(1, false, 0, false);
    EXPECT_TRUE(lines->PreviousShown());

    struct {
        int32_t time;
        int next;
    } expected[] = {{1000, -256}, {1500, -128}, {2000, 0}, {2500, 128}, {3000, 256}, {9000, 256}, {0, -256}};
    for (auto [time, next] : expected) {
        auto alphas = lines->FadeAlphas(time);
        EXPECT_EQ(alphas.next, next) << time;
        EXPECT_EQ(alphas.previous, -next) << time;
    }

    // Lyrics cut out over full-screen video never fade.
    song->SongSettings.setCutoutText(1);
    song->SongSettings.setFullScreenVideo(1);
    EXPECT_EQ(lines->FadeAlphas(1500).next, 255);
    EXPECT_EQ(lines->FadeAlphas(1500).previous, 0);
}

class InstrumentalAnimation : public LinePlayback {
protected:
    // A sung line ending at 2000, a blank line, and the next verse gap ms later.
    std::unique_ptr<tLyrimoData> GapSong(int gap, int placement, bool blankBetween = true) {
        std::vector<test::tLineSpec> specs{Sung("before the break", 1000)};
        if (blankBetween)
            specs.push_back(Blank());
        specs.push_back(Sung("after the break", 2000 + gap));
        auto song = MakeSong(specs);
        song->GetPart(0)->PartExtras.setInstrumentalAnimation(1);
        song->GetPart(0)->Slots[kAnimationSlot].Record.setPlacement(uint8_t(placement));
        return song;
    }
    bool ScheduledAfterFirstLine(tLyrimoData& song) {
        auto lines = Create(song);
        EXPECT_TRUE(lines->Animation());
        EXPECT_FALSE(lines->AnimationWindow().Active);
        lines->ScheduleAnimation(0);
        return lines->AnimationWindow().Active;
    }
};

TEST_F(InstrumentalAnimation, RunsOnlyInLongEnoughBlankStretches) {
    auto song = GapSong(3802, 5);
    EXPECT_FALSE(ScheduledAfterFirstLine(*song));
    song = GapSong(3803, 5);
    EXPECT_TRUE(ScheduledAfterFirstLine(*song));
    song = GapSong(7802, 6);
    EXPECT_FALSE(ScheduledAfterFirstLine(*song)) << "scrolling needs room to come and go";
    song = GapSong(7803, 6);
    EXPECT_TRUE(ScheduledAfterFirstLine(*song));
    song = GapSong(30000, 5, false);
    EXPECT_FALSE(ScheduledAfterFirstLine(*song)) << "two sung lines in a row never get one";

    song = GapSong(3803, 5);
    auto lines = Create(*song);
    lines->ScheduleAnimation(0);
    EXPECT_EQ(lines->AnimationWindow().Start, 2501);
    EXPECT_EQ(lines->AnimationWindow().End, 5803 - 1301);
}

TEST_F(InstrumentalAnimation, IsDrawnInItsWindowWithinItsOwnBlock) {
    auto song = GapSong(10000, 5);
    test::AddPart(*song, {Sung("other part", 1000), Blank(), Sung("again", 12000)});
    song->GetPart(1)->PartExtras.setInstrumentalAnimation(1);
    const int blockTop = 240, blockHeight = 240;
    auto lines = Create(*song, 1, blockTop, blockHeight);
    ASSERT_TRUE(lines->Animation());
    const int fw = lines->Animation()->FrameWidth, fh = lines->Animation()->Height();

    for (int32_t t = 0; t <= 2000; t += 40)
        Frame(*lines, t);
    ASSERT_TRUE(lines->AnimationWindow().Active);
    Frame(*lines, 4000);
    const tMyRect expected = SizedRect(kWidth / 2 - fw / 2, blockTop + blockHeight / 2 - fh / 2, fw, fh);
    bool found = false;
    for (const tMyRect& r : changes_)
        found = found || r == expected;
    EXPECT_TRUE(found) << "the animation sits in the middle of part 2's block";
    EXPECT_TRUE(InkBetween(frame_, expected.Top, expected.Bottom));

    Frame(*lines, lines->AnimationWindow().End + 40);
    EXPECT_FALSE(lines->AnimationWindow().Active);
    EXPECT_TRUE(changes_.IsEmpty()) << "between its end and the early display nothing is drawn";
}

TEST_F(InstrumentalAnimation, ScrollsInFromItsSide) {
    auto song = GapSong(20000, 2 | 16); // right, top, scrolling
    auto lines = Create(*song);
    lines->ScheduleAnimation(0);
    ASSERT_TRUE(lines->AnimationWindow().Active);
    const int fw = lines->Animation()->FrameWidth;
    EXPECT_EQ(lines->AnimationWindow().X0, kWidth);
    EXPECT_EQ(lines->AnimationWindow().X1, kWidth - fw);
    EXPECT_EQ(lines->AnimationWindow().Y1, 0);

    lines->SetLine(1, false, 0, false);
    const int32_t halfIn = lines->AnimationWindow().Start + 1000; // half of the scroll time
    Bitmap frame(kWidth, kHeight, WorkingPixelFormat());
    tChangesList changes;
    lines->DrawFrame(frame, nullptr, changes, halfIn, kMargin);
    ASSERT_EQ(changes.Count(), 1);
    EXPECT_EQ(changes[0].Left, int(std::trunc(0.5 * kWidth + 0.5 * (kWidth - fw))));
}

} // namespace
} // namespace lyrimo
