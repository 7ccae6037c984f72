#include "render/slide_show.h"

#include "../picture/picture_fixtures.h"
#include "render/colour_rules.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace lyrimo {
namespace {

constexpr int kW = 640, kH = 480;

// Every pixel tells where it came from: its position and which image.
tColour Marker(int x, int y, bool fromNew) { return tColour(x | y << 11 | (fromNew ? 1 << 23 : 0)); }

Bitmap MarkedImage(int w, int h, bool isNew) {
    Bitmap image(w, h, WorkingPixelFormat());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.SetPixel(x, y, Marker(x, y, isNew));
    return image;
}

struct TransitionTest : ::testing::Test {
    Bitmap oldImage = MarkedImage(kW, kH, false);
    Bitmap newImage = MarkedImage(kW, kH, true);
    Bitmap out{kW, kH, WorkingPixelFormat()};

    void Run(int number, double p) { tSlideShowhandler::Transition(oldImage, newImage, out, number, p); }
    bool IsOld(int x, int y) const { return out.Pixel(x, y) == Marker(x, y, false); }
    bool IsNew(int x, int y) const { return out.Pixel(x, y) == Marker(x, y, true); }
    // The out pixel is the pixel (sx, sy) of the old or new image.
    bool Shows(int x, int y, int sx, int sy, bool fromNew) const {
        return out.Pixel(x, y) == Marker(sx, sy, fromNew);
    }
    int CountNew() const {
        int n = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                n += IsNew(x, y);
        return n;
    }
};

TEST_F(TransitionTest, EndsShowTheOldAndTheNewPicture) {
    // Cross-fade darkens by its div-256 mix and dissolve starts with one cell, so they are checked apart.
    for (int number = 0; number <= 23; ++number) {
        if (number == kCrossFade)
            continue;
        Run(number, 1.0);
        EXPECT_EQ(out, newImage) << TransitionName(number) << " at 1";
        if (number == kDissolve)
            continue;
        out.Fill(0x123456);
        Run(number, 0.0);
        EXPECT_EQ(out, oldImage) << TransitionName(number) << " at 0";
    }
}

TEST_F(TransitionTest, EveryPixelIsWrittenMidway) {
    for (int number = 0; number <= 30; ++number) {
        out.Fill(0x654321);
        Run(number, 0.37);
        const uint32_t mark = out.PixelValue(0x654321);
        int stale = 0;
        for (int y = 0; y < kH; ++y)
            stale += int(std::count(out.Row32(y), out.Row32(y) + kW, mark));
        EXPECT_EQ(stale, 0) << number;
    }
}

TEST_F(TransitionTest, WipesSplitAtTheProgress) {
    Run(kWipeRight, 0.5);
    EXPECT_TRUE(IsNew(0, 0) && IsNew(319, 479));
    EXPECT_TRUE(IsOld(320, 0) && IsOld(639, 479));
    Run(kWipeLeft, 0.25); // old keeps the first 480 columns
    EXPECT_TRUE(IsOld(479, 10) && IsNew(480, 10));
    Run(kWipeUp, 0.25); // old keeps the first 360 rows
    EXPECT_TRUE(IsOld(5, 359) && IsNew(5, 360));
    Run(kWipeDown, 0.25);
    EXPECT_TRUE(IsNew(5, 119) && IsOld(5, 120));
}

TEST_F(TransitionTest, BlindsOpenInEveryStripe) {
    Run(kHorizontalBlinds, 0.5); // stripes of 64 columns, 32 of each new
    for (int stripe = 0; stripe < 10; ++stripe) {
        EXPECT_TRUE(IsNew(stripe * 64, 7) && IsNew(stripe * 64 + 31, 7)) << stripe;
        EXPECT_TRUE(IsOld(stripe * 64 + 32, 7) && IsOld(stripe * 64 + 63, 7)) << stripe;
    }
    Run(kVerticalBlinds, 0.5); // stripes of 48 rows
    EXPECT_TRUE(IsNew(9, 48 * 3 + 23) && IsOld(9, 48 * 3 + 24));
}

TEST_F(TransitionTest, WaterfallStretchesTheEdgeRowOfTheNewPicture) {
    Run(kWaterfall, 0.5);
    EXPECT_TRUE(IsNew(17, 240) && IsNew(17, 479));
    EXPECT_TRUE(Shows(17, 0, 17, 239, true) && Shows(17, 239, 17, 239, true));
}

TEST_F(TransitionTest, CheckerBoardsShiftOddCells) {
    Run(kCheckerBoardLeft, 0.5); // cells 80 × 60, 40 columns of each old
    EXPECT_TRUE(IsOld(0, 0) && IsOld(39, 59) && IsNew(40, 0) && IsNew(79, 59));
    // the second cell row is shifted left by half a cell
    EXPECT_TRUE(IsNew(0, 60) && IsNew(39, 60) && IsOld(40, 60) && IsOld(79, 119) && IsNew(80, 60));
    Run(kCheckerBoardRight, 0.25); // 20 columns of each new
    EXPECT_TRUE(IsNew(80, 0) && IsNew(99, 0) && IsOld(100, 0));
    Run(kCheckerBoardUp, 0.25); // 45 rows of each old; odd columns shifted up by 30 rows
    EXPECT_TRUE(IsOld(0, 0) && IsOld(79, 44) && IsNew(0, 45) && IsNew(79, 59) && IsOld(0, 60));
    EXPECT_TRUE(IsOld(80, 14) && IsNew(80, 15) && IsNew(80, 29) && IsOld(80, 30));
    Run(kCheckerBoardDown, 0.5);
    EXPECT_TRUE(IsNew(0, 29) && IsOld(0, 30) && IsOld(80, 0) && IsNew(80, 30) && IsOld(80, 60));
}

TEST_F(TransitionTest, ScrollsMoveBothPictures) {
    Run(kScrollLeft, 0.25);
    EXPECT_TRUE(Shows(0, 5, 160, 5, false) && Shows(479, 5, 639, 5, false));
    EXPECT_TRUE(Shows(480, 5, 0, 5, true) && Shows(639, 5, 159, 5, true));
    Run(kScrollRight, 0.25);
    EXPECT_TRUE(Shows(0, 5, 480, 5, true) && Shows(159, 5, 639, 5, true));
    EXPECT_TRUE(Shows(160, 5, 0, 5, false));
    Run(kScrollUp, 0.5);
    EXPECT_TRUE(Shows(3, 0, 3, 240, false) && Shows(3, 240, 3, 0, true));
    Run(kScrollDown, 0.75);
    EXPECT_TRUE(Shows(3, 0, 3, 120, true) && Shows(3, 359, 3, 479, true) && Shows(3, 360, 3, 0, false));
}

TEST_F(TransitionTest, DissolveCopiesDistinctCells) {
    // 640 × 480 makes cells of 4 × 4 pixels.
    Run(kDissolve, 0.0);
    EXPECT_EQ(CountNew(), 16);
    EXPECT_TRUE(IsNew(3, 3) && IsOld(4, 0));
    Run(kDissolve, 0.5);
    EXPECT_EQ(CountNew(), (9600 + 1) * 16);
    // the second cell is number 20573 mod 19200 = 1373: column 93, row 8
    EXPECT_TRUE(IsNew(93 * 4, 8 * 4) && IsNew(93 * 4 + 3, 8 * 4 + 3));
    Run(kDissolve, 1.0);
    EXPECT_EQ(CountNew(), kW * kH);
}

TEST_F(TransitionTest, BoxesAndCentreWipesGrowFromTheMiddle) {
    Run(kBoxOut, 0.5); // half sizes 160 and 120 around (320, 240), one pixel past the far half
    EXPECT_TRUE(IsNew(160, 120) && IsNew(480, 360));
    EXPECT_TRUE(IsOld(159, 120) && IsOld(160, 119) && IsOld(481, 360) && IsOld(480, 361));
    Run(kBoxIn, 0.5);
    EXPECT_TRUE(IsOld(160, 120) && IsOld(480, 360) && IsNew(159, 240) && IsNew(320, 361));
    Run(kCenterWipeOutHorizontal, 0.5); // band of rows 120..359
    EXPECT_TRUE(IsOld(0, 119) && IsNew(0, 120) && IsNew(639, 359) && IsOld(639, 360));
    Run(kCenterWipeInVertical, 0.25); // old keeps columns 80..559
    EXPECT_TRUE(IsNew(79, 0) && IsOld(80, 0) && IsOld(559, 479) && IsNew(560, 479));
    Run(kCenterWipeInHorizontal, 0.5);
    EXPECT_TRUE(IsNew(0, 119) && IsOld(0, 120) && IsOld(0, 359) && IsNew(0, 360));
    Run(kCenterWipeOutVertical, 0.5);
    EXPECT_TRUE(IsOld(159, 0) && IsNew(160, 0) && IsNew(479, 0) && IsOld(480, 0));
}

TEST(Transition, CrossFadeMixesEveryChannel) {
    Bitmap oldImage(4, 2, WorkingPixelFormat()), newImage(4, 2, WorkingPixelFormat()),
        out(4, 2, WorkingPixelFormat());
    oldImage.Fill(0x0000C8FF); // red 255, green 200, blue 0
    newImage.Fill(0x00FF6400); // red 0, green 100, blue 255
    tSlideShowhandler::Transition(oldImage, newImage, out, kCrossFade, 0.5);
    // k = 127: channel = o × 128 div 256 + n × 127 div 256
    const tColour expected =
        (255 * 128 / 256) | (200 * 128 / 256 + 100 * 127 / 256) << 8 | (255 * 127 / 256) << 16;
    EXPECT_EQ(out.Pixel(3, 1), expected);
    EXPECT_EQ(out.Pixel(0, 0), expected);
}

TEST(Transition, FormatsAndSizes) {
    // pictures of another format are brought to the working one first
    Bitmap white16(8, 8, tPixelFormat::Bits16), red32(8, 8, tPixelFormat::Bits32),
        out(8, 8, WorkingPixelFormat());
    white16.Fill(0xFFFFFF);
    red32.Fill(0x0000FF);
    tSlideShowhandler::Transition(white16, red32, out, kWipeRight, 0.5);
    EXPECT_EQ(out.Pixel(3, 3), 0x0000FFu);
    EXPECT_EQ(out.Pixel(4, 3), 0xFFFFFFu);

    // sizes that differ draw nothing
    Bitmap taller(8, 9, WorkingPixelFormat());
    tSlideShowhandler::Transition(white16, taller, out, kNoTransition, 1.0);
    tSlideShowhandler::Transition(taller, taller, out, kNoTransition, 1.0);
    EXPECT_EQ(out.Pixel(3, 3), 0x0000FFu);

    // 16-bit cross-fade, k = 31: 5-bit fields 31 × 32 div 64 = 15, the 6-bit field 63 × 32 div 64 = 31
    SetWorkingPixelFormat(tPixelFormat::Bits16);
    Bitmap black16(8, 8, tPixelFormat::Bits16), out16(8, 8, tPixelFormat::Bits16);
    tSlideShowhandler::Transition(white16, black16, out16, kCrossFade, 0.5);
    EXPECT_EQ(out16.Row16(7)[7], uint16_t(15 << 11 | 31 << 5 | 15));
    tSlideShowhandler::Transition(white16, black16, out16, kDissolve, 1.0);
    EXPECT_EQ(out16, black16);
    SetWorkingPixelFormat(tPixelFormat::Bits24);
}

// ---- the slide show of a song ----

QByteArray SolidPng(int w, int h, tColour colour) {
    std::vector<uint8_t> pixels;
    for (int i = 0; i < w * h; ++i) {
        pixels.push_back(uint8_t(colour));
        pixels.push_back(uint8_t(colour >> 8));
        pixels.push_back(uint8_t(colour >> 16));
    }
    return test::WritePng(w, h, 3, pixels);
}

tSlideRecord Slide(int picture, int showTime, int removeTime, bool leave, int transition = 0,
                   int tenths = 0) {
    tSlideRecord slide;
    slide.setPicture(uint16_t(picture));
    slide.setShowTime(showTime);
    slide.setRemoveTime(removeTime);
    slide.setLeaveUntilRemoved(leave ? 1 : 0);
    slide.setTransition(uint8_t(transition));
    slide.setTransitionDuration(uint8_t(tenths));
    return slide;
}

struct SlideShowTest : ::testing::Test {
    static constexpr tColour kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kGrey = 0x808080;
    tLyrimoData song;
    tSlideShowhandler show;

    void AddPicture(const QByteArray& bytes, const char* name = "slide.png") {
        tPictureRecord record;
        record.setFileName(name);
        const int index = song.Pictures.AddPicture(record);
        *song.Pictures.GetPicture(index) = bytes;
    }
    void Prepare(bool fullScreen, tMyRect area = {0, 0, 64, 48}) {
        song.SongSettings.setSlideShowEnabled(1);
        song.SongSettings.setFullScreenSlideShow(fullScreen ? 1 : 0);
        song.SongSettings.setBackgroundColour(int32_t(kGrey));
        show.SeedRandom(7);
        show.Prepare(&song, 64, 0xFF00FF, false, area, 48);
    }
    std::vector<int> ScheduledShowTimes() const {
        std::vector<int> times;
        for (const tScheduledSlide& s : show.Schedule)
            times.push_back(s.Record.ShowTime());
        return times;
    }
};

TEST_F(SlideShowTest, ScheduleIsOrderedByShowTimeAndDropsMissingPictures) {
    AddPicture(SolidPng(4, 4, kRed));
    AddPicture(SolidPng(4, 4, kGreen));
    song.Slides.AddSlide(Slide(0, 3000, 0, true));
    song.Slides.AddSlide(Slide(1, 1000, 1, true));
    song.Slides.AddSlide(Slide(2, 500, 0, true)); // no such picture
    song.Slides.AddSlide(Slide(0, 2000, 0, true));
    song.Slides.AddSlide(Slide(0, 1000, 2, true, 99));
    Prepare(true);
    ASSERT_EQ(ScheduledShowTimes(), (std::vector<int>{1000, 1000, 2000, 3000}));
    // equal times keep the song's order
    EXPECT_EQ(show.Schedule[0].Record.RemoveTime(), 1);
    EXPECT_EQ(show.Schedule[1].Record.RemoveTime(), 2);
    EXPECT_EQ(show.Schedule[1].EffectiveTransition, 99); // stays: any number outside 1..24 means none
}

TEST_F(SlideShowTest, RandomPicksEveryRealTransitionAndNeverRandomAgain) {
    AddPicture(SolidPng(4, 4, kRed));
    for (int i = 0; i < 400; ++i)
        song.Slides.AddSlide(Slide(0, i, 0, true, kRandomTransition));
    Prepare(true);
    std::vector<int> seen(25);
    for (const tScheduledSlide& s : show.Schedule)
        ++seen[s.EffectiveTransition];
    EXPECT_EQ(seen[0] + seen[24], 0);
    for (int n = 1; n <= 23; ++n)
        EXPECT_GT(seen[size_t(n)], 0) << n;
}

TEST_F(SlideShowTest, CurrentSlideFollowsShowAndRemoveTimes) {
    AddPicture(SolidPng(4, 4, kRed));
    AddPicture(SolidPng(4, 4, kGreen));
    song.Slides.AddSlide(Slide(0, 10000, 20000, false, kWipeLeft, 15));
    song.Slides.AddSlide(Slide(1, 30000, 40000, true));
    song.Slides.AddSlide(Slide(0, 50000, 60000, false));
    Prepare(true);
    EXPECT_EQ(show.CurrentSlideAt(9999).Position, -1);
    const tCurrentSlide first = show.CurrentSlideAt(10000);
    EXPECT_EQ(first.Position, 0);
    EXPECT_EQ(first.Picture, 0);
    EXPECT_EQ(first.Transition, kWipeLeft);
    EXPECT_EQ(first.Duration, 1500);
    EXPECT_EQ(first.ShowTime, 10000);
    EXPECT_EQ(show.CurrentSlideAt(20000).Position, 0);
    EXPECT_EQ(show.CurrentSlideAt(20001).Position, -1);
    EXPECT_EQ(show.CurrentSlideAt(29999).Position, -1);
    // left until removed: stays past its remove time until a later slide starts
    EXPECT_EQ(show.CurrentSlideAt(49999).Position, 1);
    EXPECT_EQ(show.CurrentSlideAt(50000).Position, 2);
    // which, once removed, leaves nothing (the last slide started decides)
    EXPECT_EQ(show.CurrentSlideAt(60001).Position, -1);

    // the slide-show offset moves the whole show
    song.SongSettings.setSlideShowStartOffset(5000);
    EXPECT_EQ(show.CurrentSlideAt(5000).Position, 0);
    EXPECT_EQ(show.CurrentSlideAt(15001).Position, -1);
}

TEST_F(SlideShowTest, FullScreenLayerReportsTransitionsUntilSettled) {
    AddPicture(SolidPng(8, 8, kRed));
    AddPicture(SolidPng(8, 8, kGreen));
    song.Slides.AddSlide(Slide(0, 1000, 0, true, kWipeRight, 10));
    song.Slides.AddSlide(Slide(1, 5000, 0, true, kNoTransition, 0));
    Prepare(true);
    Bitmap frame(64, 48, WorkingPixelFormat());

    EXPECT_FALSE(show.DrawLayer(frame, 0, kBlue));
    EXPECT_EQ(frame.Pixel(63, 47), kBlue); // no slide and no background picture: the colour given

    EXPECT_TRUE(show.DrawLayer(frame, 1500, kBlue)); // halfway from the background layer to red
    EXPECT_EQ(frame.Pixel(31, 20), kRed);
    EXPECT_EQ(frame.Pixel(32, 20), kGrey);
    EXPECT_TRUE(show.DrawLayer(frame, 1900, kBlue));
    EXPECT_EQ(frame.Pixel(50, 20), kRed);

    EXPECT_TRUE(show.DrawLayer(frame, 2000, kBlue)); // drawn whole for the first time
    EXPECT_EQ(frame.Pixel(63, 47), kRed);
    EXPECT_FALSE(show.DrawLayer(frame, 2100, kBlue));
    EXPECT_FALSE(show.DrawLayer(frame, 4999, kBlue));

    // no transition duration: switches at once, reported once
    EXPECT_TRUE(show.DrawLayer(frame, 5000, kBlue));
    EXPECT_EQ(frame.Pixel(0, 0), kGreen);
    EXPECT_FALSE(show.DrawLayer(frame, 5040, kBlue));

    // rewinding to before the first slide changes the layer again
    EXPECT_TRUE(show.DrawLayer(frame, 0, kBlue));
    EXPECT_EQ(frame.Pixel(0, 0), kBlue);
}

TEST_F(SlideShowTest, TransitionStartsFromThePreviousSlide) {
    AddPicture(SolidPng(8, 8, kRed));
    AddPicture(SolidPng(8, 8, kGreen));
    AddPicture(QByteArray("not a picture"));
    song.Slides.AddSlide(Slide(0, 0, 0, true));
    song.Slides.AddSlide(Slide(1, 1000, 0, true, kWipeDown, 10));
    song.Slides.AddSlide(Slide(2, 3000, 0, true, kWipeDown, 10));
    Prepare(true);
    Bitmap frame(64, 48, WorkingPixelFormat());
    show.DrawLayer(frame, 500, kBlue);
    EXPECT_TRUE(show.DrawLayer(frame, 1500, kBlue));
    EXPECT_EQ(frame.Pixel(5, 23), kGreen);
    EXPECT_EQ(frame.Pixel(5, 24), kRed);
    // a picture that cannot be decoded is shown as the background layer
    EXPECT_TRUE(show.Pictures[2].IsEmpty());
    EXPECT_TRUE(show.DrawLayer(frame, 3500, kBlue));
    EXPECT_EQ(frame.Pixel(5, 23), kGrey);
    EXPECT_EQ(frame.Pixel(5, 24), kGreen);
}

TEST_F(SlideShowTest, SplitScreenPictureIsFittedAndCentredInItsArea) {
    AddPicture(SolidPng(20, 10, kRed));
    song.Slides.AddSlide(Slide(0, 0, 0, true, kCrossFade, 50));
    const tMyRect area{10, 8, 50, 48}; // 40 × 40: the picture becomes 40 × 20
    Prepare(false, area);
    ASSERT_EQ(show.Pictures[0].Width(), 40);
    ASSERT_EQ(show.Pictures[0].Height(), 20);
    Bitmap frame(64, 48, WorkingPixelFormat());
    EXPECT_TRUE(show.DrawLayer(frame, 0, kBlue)); // no transitions beside the lyrics
    EXPECT_TRUE(frame.Pixel(10, 18) == kRed && frame.Pixel(49, 37) == kRed);
    EXPECT_TRUE(frame.Pixel(10, 17) == kGrey && frame.Pixel(49, 38) == kGrey && frame.Pixel(9, 20) == kGrey);
    EXPECT_FALSE(show.DrawLayer(frame, 100, kBlue));
}

TEST_F(SlideShowTest, BackgroundPictureAvoidsTheKeyColour) {
    const tColour key = 0xFF00FF;
    song.SongSettings.setBackgroundEnabled(1);
    song.SongSettings.setBackgroundFileName("back.png");
    song.BackgroundStream = SolidPng(4, 4, key);
    show.Prepare(&song, 32, key, false, {0, 0, 32, 24}, 24);
    ASSERT_TRUE(show.HasBackground);
    EXPECT_EQ(show.Background.Pixel(31, 23), key);

    show.Prepare(&song, 32, key, true, {0, 0, 32, 24}, 24);
    EXPECT_EQ(show.Background.Width(), 32);
    EXPECT_EQ(show.Background.Height(), 24);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 32; ++x)
            ASSERT_NE(show.Background.Pixel(x, y), key) << x << "," << y;
    EXPECT_EQ(show.Background.Pixel(0, 0), NearColour(key, false));
}

TEST_F(SlideShowTest, InactiveShowAndUnreadableBackgroundFallBackToTheColour) {
    AddPicture(SolidPng(4, 4, kRed));
    song.Slides.AddSlide(Slide(0, 0, 0, true));
    song.SongSettings.setBackgroundColour(int32_t(kBlue));
    song.SongSettings.setBackgroundFileName("back.png");
    song.BackgroundStream = SolidPng(4, 4, kRed);
    show.Prepare(&song, 16, 0, false, {0, 0, 16, 16}, 16); // BackgroundEnabled and the slide show off
    EXPECT_FALSE(show.HasBackground);
    EXPECT_FALSE(show.Active);
    EXPECT_EQ(show.CurrentSlideAt(100).Position, -1);
    EXPECT_EQ(show.Background.Pixel(15, 15), kBlue);

    song.SongSettings.setBackgroundEnabled(1);
    song.BackgroundStream = "garbage";
    show.Prepare(&song, 16, 0, false, {0, 0, 16, 16}, 16);
    EXPECT_FALSE(show.HasBackground);
    Bitmap frame(16, 16, WorkingPixelFormat());
    show.DrawLayer(frame, 0, kGreen);
    EXPECT_EQ(frame.Pixel(3, 3), kGreen); // the window's colour, as nothing was decoded
}

// A caller that keeps the layer repaints it piece by piece: areas reaching over the picture's
// edges and out of the frame give the whole layer, and nothing outside an area is touched.
TEST_F(SlideShowTest, LayerDrawnByAreasEqualsTheWholeLayer) {
    AddPicture(SolidPng(20, 10, kRed));
    AddPicture(SolidPng(8, 8, kGreen));
    song.Slides.AddSlide(Slide(0, 1000, 0, true));
    song.Slides.AddSlide(Slide(1, 2000, 0, true, kBoxOut, 10));
    const tColour kMark = 0x123456;
    const std::vector<tMyRect> areas = {
        {-5, -5, 30, 20}, {30, -5, 70, 20}, {-5, 20, 12, 60}, {12, 20, 70, 60}};
    for (bool fullScreen : {false, true}) {
        Prepare(fullScreen, {10, 8, 50, 48});
        for (int32_t time : {0, 1000, 3000}) {
            Bitmap whole(64, 48, WorkingPixelFormat());
            show.DrawLayer(whole, time, kBlue);
            Bitmap pieces(64, 48, WorkingPixelFormat());
            pieces.Fill(kMark);
            show.DrawLayerArea(pieces, {20, 10, 21, 11}, kBlue);
            EXPECT_EQ(pieces.Pixel(20, 10), whole.Pixel(20, 10)) << fullScreen << " " << time;
            EXPECT_TRUE(pieces.Pixel(21, 10) == kMark && pieces.Pixel(20, 11) == kMark)
                << fullScreen << " " << time;
            for (const tMyRect& area : areas)
                show.DrawLayerArea(pieces, area, kBlue);
            EXPECT_EQ(pieces, whole) << fullScreen << " " << time;
        }
    }

    // A transition is composed as a whole: it reports its change, and an area draws all of it.
    EXPECT_TRUE(show.UpdateLayer(2500));
    Bitmap whole(64, 48, WorkingPixelFormat()), area(64, 48, WorkingPixelFormat());
    show.DrawWholeLayer(whole, kBlue);
    show.DrawLayerArea(area, {0, 0, 1, 1}, kBlue);
    EXPECT_EQ(area, whole);
    EXPECT_EQ(whole.Pixel(32, 24), kGreen);
    EXPECT_EQ(whole.Pixel(1, 1), kRed);
}

} // namespace
} // namespace lyrimo
