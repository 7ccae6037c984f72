// The frame composer: the screen's areas, the blocks of the parts, the background layer's
// redraws, the change bookkeeping, line preparation after the output, and step mode.
#include "render/frame_composer.h"

#include "part_playback_fixtures.h"
#include "picture/bitmap_png.h"
#include "render/line_renderer.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace lyrimo {
namespace {

using test::Blank;
using test::MakeSong;
using test::Sung;

class Composer : public ::testing::Test {
protected:
    void SetUp() override { test::ResetPlaybackSettings(); }
    void TearDown() override { test::ResetPlaybackSettings(); }

    static bool Holds(const tChangesList& changes, const tMyRect& rect) {
        return std::any_of(changes.begin(), changes.end(), [&](const tMyRect& r) {
            return r.Left <= rect.Left && r.Top <= rect.Top && r.Right >= rect.Right &&
                   r.Bottom >= rect.Bottom;
        });
    }
    static std::vector<tMyRect> Copy(const tChangesList& changes) { return {changes.begin(), changes.end()}; }

    const tChangesList& ComposeAt(tFrameComposer& composer, int32_t time, bool full = false) {
        tComposerInput input;
        input.mediaTime = time;
        input.full = full;
        return composer.Compose(input);
    }
};

TEST_F(Composer, SplitScreenAreas) {
    auto song = MakeSong({Sung("la", 1000)});
    song->SongSettings.setSplitSize(40);
    song->SongSettings.setSlideShowEnabled(1);

    tPlaybackAreas areas = ComputePlaybackAreas(*song, 1024, 768, false);
    EXPECT_EQ(areas.Picture, (tMyRect{0, 461, 1024, 768}));
    EXPECT_EQ(areas.Picture.Height(), 307);
    EXPECT_EQ(areas.Lyrics, (tMyRect{0, 0, 1024, 461}));

    song->SongSettings.setLyricsAtBottom(1);
    areas = ComputePlaybackAreas(*song, 1024, 768, false);
    EXPECT_EQ(areas.Picture, (tMyRect{0, 0, 1024, 307}));
    EXPECT_EQ(areas.Lyrics, (tMyRect{0, 307, 1024, 768}));

    const tMyRect whole{0, 0, 1024, 768};
    EXPECT_EQ(ComputePlaybackAreas(*song, 1024, 768, true).Picture, whole) << "step mode";
    song->SongSettings.setFullScreenSlideShow(1);
    EXPECT_EQ(ComputePlaybackAreas(*song, 1024, 768, false).Lyrics, whole);
    song->SongSettings.setFullScreenSlideShow(0);
    song->SongSettings.setSlideShowEnabled(0);
    EXPECT_EQ(ComputePlaybackAreas(*song, 1024, 768, false).Lyrics, whole)
        << "nothing to show beside the lyrics";
    song->SongSettings.setHasVideo(1);
    EXPECT_EQ(ComputePlaybackAreas(*song, 1024, 768, false).Picture.Height(), 307);
    song->SongSettings.setFullScreenVideo(1);
    EXPECT_EQ(ComputePlaybackAreas(*song, 1024, 768, false).Picture, whole);
}

TEST_F(Composer, SplitSizesNoSongHoldsStayInsideTheClient) {
    auto song = MakeSong({Sung("la", 1000)});
    song->SongSettings.setSlideShowEnabled(1);
    const tMyRect whole{0, 0, 1024, 768};
    for (int32_t split : {INT32_MAX, 1000, 101, -1, INT32_MIN}) {
        for (int bottom : {0, 1}) {
            song->SongSettings.setSplitSize(split);
            song->SongSettings.setLyricsAtBottom(uint8_t(bottom));
            const tPlaybackAreas areas = ComputePlaybackAreas(*song, 1024, 768, false);
            for (const tMyRect& area : {areas.Lyrics, areas.Picture}) {
                EXPECT_GE(area.Top, whole.Top) << split;
                EXPECT_LE(area.Bottom, whole.Bottom) << split;
                EXPECT_GE(area.Height(), 0) << split;
            }
            EXPECT_EQ(areas.Lyrics.Height() + areas.Picture.Height(), 768) << split;
        }
    }
}

TEST_F(Composer, PictureAreaTakesTheVideosProportions) {
    const tMyRect area{0, 461, 1024, 768};
    EXPECT_EQ(FitAreaToVideo(area, 640, 480), SizedRect((1024 - 409) / 2, 461, 409, 307));
    EXPECT_EQ(FitAreaToVideo(area, 0, 0), FitAreaToVideo(area, 320, 240)) << "unknown size";
    // Too wide for the area: as wide as the area and centred vertically.
    EXPECT_EQ(FitAreaToVideo(tMyRect{0, 0, 400, 400}, 800, 200), SizedRect(0, 150, 400, 100));

    auto song = MakeSong({Sung("la", 1000)});
    song->SongSettings.setSplitSize(40);
    song->SongSettings.setHasVideo(1);
    tFrameComposer composer(song.get(), 1024, 768, test::ComposerSetup());
    composer.FitPictureAreaToVideo(640, 480);
    EXPECT_EQ(composer.PictureArea(), SizedRect(307, 461, 409, 307));
    EXPECT_EQ(composer.LyricsArea(), (tMyRect{0, 0, 1024, 461})) << "the lyrics keep their area";
}

TEST_F(Composer, EveryPartGetsItsBlock) {
    auto song = MakeSong({Sung("first part", 1000)});
    test::AddPart(*song, {Sung("second part", 1000)});
    song->SongSettings.setVerticalShift(10);
    tFrameComposer composer(song.get(), 1024, 768, test::ComposerSetup());
    auto& renderers = composer.Renderers();
    ASSERT_EQ(renderers.size(), 2u);
    EXPECT_EQ(renderers[0]->BlockHeight(), (768 - 40) / 2);
    EXPECT_EQ(renderers[0]->BlockTop(), 30);
    EXPECT_EQ(renderers[1]->BlockTop(), 364 + 30);
    EXPECT_EQ(renderers[1]->PartIndex(), 1);
    EXPECT_EQ(renderers[0]->ShownLine(), -1);

    // Lyrics cut out over full-screen video use the whole height.
    song->SongSettings.setFullScreenVideo(1);
    song->SongSettings.setCutoutText(0);
    tFrameComposer overVideo(song.get(), 1024, 768, test::ComposerSetup());
    EXPECT_EQ(overVideo.Renderers()[0]->BlockHeight(), 384);
    EXPECT_EQ(overVideo.Renderers()[1]->BlockTop(), 384 + 10);
}

TEST_F(Composer, NewLinesArePreparedOnlyAfterTheFrame) {
    auto song = MakeSong({Sung("one", 1000), Sung("two", 2500)});
    tFrameComposer composer(song.get(), 640, 360, test::ComposerSetup());
    auto& lines = *composer.Renderers()[0];

    ComposeAt(composer, 1000, true);
    EXPECT_EQ(lines.ShownLine(), 0);
    EXPECT_EQ(composer.PrepCount, 1) << "the first line is prepared inside the first frame";

    const Bitmap before = composer.Frame();
    ComposeAt(composer, 1960);
    EXPECT_EQ(lines.WantedLine(), 1);
    EXPECT_EQ(lines.ShownLine(), 0) << "the frame still shows the old line";
    EXPECT_EQ(composer.PrepCount, 1);

    composer.PrepareWantedLines();
    EXPECT_EQ(lines.ShownLine(), 1);
    EXPECT_EQ(lines.WantedLine(), 1);
    EXPECT_EQ(composer.PrepCount, 2);
    composer.PrepareWantedLines();
    EXPECT_EQ(composer.PrepCount, 2) << "nothing more to prepare";
    EXPECT_GE(composer.PrepTimeTotal, 0);
}

TEST_F(Composer, WhatWasDrawnLastFrameIsCopiedAgain) {
    auto song = MakeSong({Sung("only line", 1000)});
    tFrameComposer composer(song.get(), 640, 360, test::ComposerSetup());
    const tMyRect whole{0, 0, 640, 360};

    EXPECT_TRUE(Holds(ComposeAt(composer, 1000, true), whole));
    EXPECT_TRUE(composer.LastWasFull());
    composer.PrepareWantedLines();
    EXPECT_TRUE(Holds(ComposeAt(composer, 1040), whole)) << "the full frame is refreshed once more";
    EXPECT_FALSE(composer.LastWasFull());
    composer.PrepareWantedLines();

    const std::vector<tMyRect> lineRects = Copy(ComposeAt(composer, 1080));
    ASSERT_FALSE(lineRects.empty());
    EXPECT_FALSE(Holds(composer.CurrentChanges, whole));
    composer.PrepareWantedLines();

    // The line finishes and is removed: the next frame draws nothing, but its old place is refreshed.
    ComposeAt(composer, 1960);
    const std::vector<tMyRect> drawnLast = Copy(composer.PreviousChanges);
    EXPECT_EQ(drawnLast, Copy(composer.ScratchChanges));
    composer.PrepareWantedLines();
    ASSERT_EQ(composer.Renderers()[0]->ShownLine(), 1);
    EXPECT_EQ(Copy(ComposeAt(composer, 2000)), drawnLast);
    EXPECT_TRUE(composer.PreviousChanges.IsEmpty()) << "nothing was drawn in this frame";
    EXPECT_TRUE(ComposeAt(composer, 2040).IsEmpty());
    // The line is gone from the frame.
    EXPECT_TRUE(test::InkRows(composer.Frame()).empty());
}

TEST_F(Composer, StepModeShowsLineAfterLineWithoutMedia) {
    auto song = MakeSong({Sung("one", 1000), Sung("two", 2000), Sung("three", 3000)});
    tFrameComposer composer(song.get(), 640, 360, test::ComposerSetup(true));
    auto& lines = *composer.Renderers()[0];
    EXPECT_FALSE(lines.AnimationsAllowed());

    ComposeAt(composer, 0, true);
    EXPECT_EQ(lines.ShownLine(), 0);
    EXPECT_FALSE(test::InkRows(composer.Frame()).empty()) << "line 0 shown, though its time has not come";
    composer.PrepareWantedLines();
    EXPECT_EQ(lines.ShownLine(), 0) << "only the user's steps advance the lines";

    for (int step = 1; step <= 2; ++step) {
        composer.StepAllParts();
        EXPECT_EQ(lines.ShownLine(), step);
        EXPECT_FALSE(composer.AllPartsDone());
    }
    composer.StepAllParts();
    EXPECT_TRUE(composer.AllPartsDone());
    ComposeAt(composer, 0);
    EXPECT_TRUE(test::InkRows(composer.Frame()).empty()) << "past the last line nothing is shown";
}

TEST_F(Composer, StepModeLinesAreNeverHighlighted) {
    auto song = MakeSong({Sung("one two three", 1000)});
    tFrameComposer composer(song.get(), 640, 360, test::ComposerSetup(true));
    ComposeAt(composer, 0, true);
    const Bitmap& frame = composer.Frame();
    int white = 0, red = 0;
    for (int y = 0; y < frame.Height(); ++y) {
        for (int x = 0; x < frame.Width(); ++x) {
            white += frame.Pixel(x, y) == 0xFFFFFF;
            red += frame.Pixel(x, y) == 0x0000FF;
        }
    }
    EXPECT_GT(white, 0);
    EXPECT_EQ(red, 0);
}

TEST_F(Composer, SlideChangesRedrawTheirAreaOrEverything) {
    Bitmap picture(64, 48, tPixelFormat::Bits32);
    picture.Fill(0x00FF00);
    auto song = MakeSong({Sung("la la", 9000)});
    song->SongSettings.setSlideShowEnabled(1);
    song->SongSettings.setSplitSize(40);
    tPictureRecord record;
    record.setFileName("green.png");
    *song->Pictures.GetPicture(song->Pictures.AddPicture(record)) = EncodePng(picture);
    tSlideRecord slide;
    slide.setPicture(0);
    slide.setShowTime(1000);
    slide.setLeaveUntilRemoved(1);
    song->Slides.AddSlide(slide);

    tFrameComposer composer(song.get(), 640, 480, test::ComposerSetup());
    ComposeAt(composer, 0, true);
    ComposeAt(composer, 40);
    EXPECT_TRUE(ComposeAt(composer, 80).IsEmpty());
    const tChangesList& changes = ComposeAt(composer, 1000);
    EXPECT_FALSE(composer.LastWasFull());
    EXPECT_TRUE(Holds(changes, composer.PictureArea()));
    EXPECT_FALSE(Holds(changes, tMyRect{0, 0, 640, 480}));
    const tMyRect area = composer.PictureArea();
    EXPECT_EQ(composer.Frame().Pixel((area.Left + area.Right) / 2, (area.Top + area.Bottom) / 2), 0x00FF00u);

    // A full-screen slide show changes the whole screen.
    song->SongSettings.setFullScreenSlideShow(1);
    tFrameComposer fullScreen(song.get(), 640, 480, test::ComposerSetup());
    ComposeAt(fullScreen, 0, true);
    ComposeAt(fullScreen, 40);
    ComposeAt(fullScreen, 80);
    EXPECT_FALSE(fullScreen.LastWasFull());
    EXPECT_TRUE(Holds(ComposeAt(fullScreen, 1000), tMyRect{0, 0, 640, 480}));
    EXPECT_TRUE(fullScreen.LastWasFull());
}

TEST_F(Composer, VideoFramesFillThePictureAreaBehindTheLyrics) {
    auto song = MakeSong({Sung("over the video", 1000)});
    song->SongSettings.setHasVideo(1);
    song->SongSettings.setSplitSize(50);
    tFrameComposer composer(song.get(), 640, 480, test::ComposerSetup());
    composer.FitPictureAreaToVideo(320, 240);
    const tMyRect area = composer.PictureArea();
    EXPECT_EQ(area, SizedRect(160, 240, 320, 240));

    Bitmap video(160, 120, tPixelFormat::Bits32);
    video.Fill(0x336699);
    tComposerInput input;
    input.mediaTime = 1000;
    input.videoFrame = &video;
    const tChangesList& changes = composer.Compose(input);
    EXPECT_TRUE(Holds(changes, area));
    const Bitmap& frame = composer.Frame();
    EXPECT_EQ(frame.Pixel(area.Left + 5, area.Top + 5), 0x336699u);
    EXPECT_EQ(frame.Pixel(area.Right - 5, area.Bottom - 5), 0x336699u);
    EXPECT_EQ(frame.Pixel(area.Left - 5, area.Top + 5), 0u)
        << "outside the picture area the background stays";

    composer.PrepareWantedLines();
    input.mediaTime = 1040;
    input.videoFrameChanged = false;
    EXPECT_EQ(composer.Frame().Pixel(area.Left + 5, area.Top + 5), 0x336699u);
    composer.Compose(input);
    composer.PrepareWantedLines();
    EXPECT_FALSE(Holds(composer.Compose(input), area)) << "an unchanged video frame is not copied again";
    EXPECT_EQ(composer.Frame().Pixel(area.Left + 5, area.Top + 5), 0x336699u);
}

// The margin a line is finished early by belongs to the composer: two composers of the same
// song in one process, with different margins, show different wipes at the same time.
TEST_F(Composer, EachComposerWipesWithItsOwnMargin) {
    auto song = MakeSong({Sung("one two three four", 1000, 2000), Sung("five", 6000)});
    tComposerSetup early = test::ComposerSetup();
    early.Lines.Margin.EndEarlyMin = early.Lines.Margin.EndEarlyMax = 500;
    tFrameComposer soon(song.get(), 640, 360, test::ComposerSetup());
    tFrameComposer late(song.get(), 640, 360, early);
    EXPECT_EQ(soon.EndEarlyMargin(), 40);
    EXPECT_EQ(late.EndEarlyMargin(), 500);

    ComposeAt(soon, 2700, true);
    ComposeAt(late, 2700, true);
    EXPECT_FALSE(soon.Frame() == late.Frame()) << "only the one with the wider margin has finished the line";
    EXPECT_EQ(soon.Renderers()[0]->WantedLine(), 0);
    EXPECT_EQ(late.Renderers()[0]->WantedLine(), 1);

    // Keeping one composer's margin in step with its preparation time leaves the other's alone.
    late.PrepTimeTotal = 10000;
    late.PrepCount = 1;
    late.UpdateEndEarlyMargin();
    EXPECT_EQ(soon.EndEarlyMargin(), 40);
}

// A performance composes in the frame's pixel format without touching the process's working
// format, and what it composes does not depend on that format.
TEST_F(Composer, ComposesInItsOwnPixelFormat) {
    Bitmap picture(64, 48, tPixelFormat::Bits32);
    for (int x = 0; x < 64; ++x)
        picture.FillRect(x, 0, 1, 48, tColour(x * 4 << 8 | 0x23));
    auto song = MakeSong({Sung("one two three", 1000, 2000), Blank(), Sung("four", 12000)});
    song->SongSettings.setBackgroundEnabled(1);
    song->SongSettings.setBackgroundFileName("shade.png");
    song->BackgroundStream = EncodePng(picture);
    tLyricsData* part = song->GetPart(0);
    part->PartExtras.setBallStyle(2);
    part->PartRecord.setBallNumber(3);
    part->PartExtras.setInstrumentalAnimation(1);
    part->Slots[kAnimationSlot].Record.setPlacement(5);
    song->SongSettings.setFullScreenVideo(1); // the ball's and the animation's shapes are measured too

    // The line with its ball mid-wipe, then the animation in the gap after it.
    auto perform = [&] {
        tComposerSetup setup = test::ComposerSetup();
        setup.Format = tPixelFormat::Bits16;
        tFrameComposer composer(song.get(), 320, 240, setup);
        std::vector<Bitmap> frames;
        for (int32_t t = 0; t <= 6000; t += 100) {
            ComposeAt(composer, t, t == 0);
            if (t == 1500 || t == 6000)
                frames.push_back(composer.Frame());
            composer.PrepareWantedLines();
        }
        return frames;
    };

    ASSERT_EQ(WorkingPixelFormat(), tPixelFormat::Bits24);
    const std::vector<Bitmap> frames = perform();
    EXPECT_EQ(WorkingPixelFormat(), tPixelFormat::Bits24) << "the process default is left alone";
    ASSERT_EQ(frames.size(), 2u);
    for (const Bitmap& frame : frames) {
        EXPECT_EQ(frame.Format(), tPixelFormat::Bits16);
        EXPECT_FALSE(test::InkRows(frame).empty());
    }
    EXPECT_FALSE(frames[0] == frames[1]);

    SetWorkingPixelFormat(tPixelFormat::Bits32);
    const std::vector<Bitmap> underOtherDefault = perform();
    SetWorkingPixelFormat(tPixelFormat::Bits24);
    EXPECT_TRUE(frames == underOtherDefault) << "nothing in the frames follows the process default";
}

TEST_F(Composer, EndEarlyMarginFollowsThePreparationTime) {
    auto song = MakeSong({Sung("la", 1000)});
    tComposerSetup setup{LineSetupFrom(Settings()), WorkingPixelFormat()};
    tFrameComposer composer(song.get(), 320, 240, setup);
    EXPECT_EQ(composer.EndEarlyMargin(), 30) << "\"EndEarlyMin\" before anything is measured";
    composer.UpdateEndEarlyMargin();
    EXPECT_EQ(composer.EndEarlyMargin(), 30) << "nothing prepared yet: 1 + 10, at least \"EndEarlyMin\"";
    composer.PrepTimeTotal = 70;
    composer.PrepCount = 2;
    composer.UpdateEndEarlyMargin();
    EXPECT_EQ(composer.EndEarlyMargin(), 45);
    composer.PrepTimeTotal = 500;
    composer.UpdateEndEarlyMargin();
    EXPECT_EQ(composer.EndEarlyMargin(), 50) << "at most \"EndEarlyMax\"";

    setup.Lines.Margin.EndEarlyMax = 200;
    tFrameComposer wider(song.get(), 320, 240, setup);
    wider.PrepTimeTotal = 500;
    wider.PrepCount = 2;
    wider.UpdateEndEarlyMargin();
    EXPECT_EQ(wider.EndEarlyMargin(), 200);
}

} // namespace
} // namespace lyrimo
