#include "playback/playback_background.h"

#include "app/app_services.h"
#include "picture/bitmap_png.h"
#include "playback/monitors.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace lyrimo {
namespace {

// A 4 × 2 picture with a different colour in every pixel.
Bitmap Sample() {
    Bitmap picture(4, 2, tPixelFormat::Bits32);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            picture.SetPixel(x, y, tColour(0x101010 * (1 + x + 4 * y)));
    return picture;
}

QString SamplePath() {
    const QString path = test::ScratchFolder() + "/background.png";
    EXPECT_TRUE(SavePng(Sample(), path));
    return path;
}

TEST(BackgroundPictureTest, CentredOnBlackWithIntegerHalves) {
    const Bitmap sample = Sample();
    Bitmap out;
    ASSERT_TRUE(ComposeBackgroundPicture(SamplePath(), 0, true, tPixelFormat::Bits32, 11, 7, out));
    ASSERT_EQ(out.Width(), 11);
    ASSERT_EQ(out.Height(), 7);
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 11; ++x) {
            const bool inside = x >= 3 && x < 7 && y >= 2 && y < 4;
            EXPECT_EQ(out.Pixel(x, y), inside ? sample.Pixel(x - 3, y - 2) : 0u) << x << "," << y;
        }
    }
}

TEST(BackgroundPictureTest, CentredPictureLargerThanTheScreenIsCropped) {
    const Bitmap sample = Sample();
    Bitmap out;
    ASSERT_TRUE(ComposeBackgroundPicture(SamplePath(), 0, false, tPixelFormat::Bits32, 2, 1, out));
    EXPECT_EQ(out.Pixel(0, 0), sample.Pixel(1, 0));
    EXPECT_EQ(out.Pixel(1, 0), sample.Pixel(2, 0));
}

TEST(BackgroundPictureTest, TiledAndStretched) {
    const Bitmap sample = Sample();
    Bitmap tiled;
    ASSERT_TRUE(ComposeBackgroundPicture(SamplePath(), 1, true, tPixelFormat::Bits32, 10, 5, tiled));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(tiled.Pixel(x, y), sample.Pixel(x % 4, y % 2)) << x << "," << y;

    // Twice as wide as high: keeping the aspect on a square leaves black bands above and below.
    Bitmap kept;
    ASSERT_TRUE(ComposeBackgroundPicture(SamplePath(), 2, true, tPixelFormat::Bits32, 40, 40, kept));
    EXPECT_EQ(kept.Pixel(20, 2), 0u);
    EXPECT_EQ(kept.Pixel(20, 37), 0u);
    EXPECT_NE(kept.Pixel(20, 20), 0u);

    Bitmap filled;
    ASSERT_TRUE(ComposeBackgroundPicture(SamplePath(), 2, false, tPixelFormat::Bits32, 40, 40, filled));
    EXPECT_NE(filled.Pixel(20, 2), 0u);
    EXPECT_NE(filled.Pixel(20, 37), 0u);
}

TEST(BackgroundPictureTest, FollowsThePixelFormat) {
    Bitmap out;
    ASSERT_TRUE(ComposeBackgroundPicture(SamplePath(), 0, true, tPixelFormat::Bits16, 8, 8, out));
    EXPECT_EQ(out.Format(), tPixelFormat::Bits16);
    ASSERT_TRUE(ComposeBackgroundPicture(SamplePath(), 2, true, tPixelFormat::Bits16, 8, 8, out));
    EXPECT_EQ(out.Format(), tPixelFormat::Bits16);
    EXPECT_EQ(ImageOfBitmap(out).format(), QImage::Format_RGB16);
}

TEST(BackgroundPictureTest, MissingOrBrokenPictureLeavesTheOutputAlone) {
    Bitmap out(3, 3, tPixelFormat::Bits32);
    out.Fill(0x123456);
    const Bitmap before = out;
    EXPECT_FALSE(ComposeBackgroundPicture("", 0, true, tPixelFormat::Bits32, 8, 8, out));
    EXPECT_FALSE(ComposeBackgroundPicture(test::ScratchFolder() + "/none.png", 0, true, tPixelFormat::Bits32,
                                          8, 8, out));
    const QString broken = test::ScratchFolder() + "/broken.png";
    ASSERT_TRUE(test::WriteFile(broken, "\x89PNG\r\n\x1a\nnot really"));
    EXPECT_FALSE(ComposeBackgroundPicture(broken, 1, true, tPixelFormat::Bits32, 8, 8, out));
    EXPECT_TRUE(out == before);
}

TEST(LogoAnimationTest, NineteenFramesAtTwentyFourPerSecond) {
    EXPECT_EQ(LogoAnimationFrameAt(0), 0);
    EXPECT_EQ(LogoAnimationFrameAt(41), 0);
    EXPECT_EQ(LogoAnimationFrameAt(42), 1);
    EXPECT_EQ(LogoAnimationFrameAt(1000), 24 % 19);
    EXPECT_EQ(LogoAnimationFrameAt(19 * 1000 / 24 + 1), 0); // wraps after 19 frames
    EXPECT_EQ(LogoAnimationFrameAt(-5), 0);

    const QImage strip = LogoAnimationStrip();
    const int frameWidth = strip.width() / kLogoAnimationFrames;
    ASSERT_EQ(strip.width(), frameWidth * kLogoAnimationFrames);
    const QImage first = strip.copy(0, 0, frameWidth, strip.height());
    const QImage later = strip.copy(5 * frameWidth, 0, frameWidth, strip.height());
    EXPECT_NE(first, later);
}

class BackgroundWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetMonitorsForTesting(
            {{"MAIN", SizedRect(0, 0, 800, 600), {}, 0}, {"TV", SizedRect(800, 0, 640, 480), {}, 0}});
        Settings().PlayMon = "TV";
    }
    void TearDown() override {
        Settings() = tSettingsClass();
        UseRealMonitors();
    }
};

TEST_F(BackgroundWindowTest, CoversThePlaybackMonitorWithTheLogoByDefault) {
    Settings().BgScreenFileName = test::ScratchFolder() + "/no-such-picture.jpg";
    TPlaybackBG background;
    background.show();
    EXPECT_EQ(background.geometry(), QRect(800, 0, 640, 480));
    EXPECT_FALSE(background.ShowsUserPicture());
    EXPECT_EQ(background.windowTitle(), "Lyrimo Playback Background");
}

TEST_F(BackgroundWindowTest, UserPictureFillsThePlaybackMonitor) {
    Settings().BgScreenFileName = SamplePath();
    Settings().ScreenStretchMode = 1;
    TPlaybackBG background;
    background.show();
    ASSERT_TRUE(background.ShowsUserPicture());
    EXPECT_EQ(background.UserPicture().size(), QSize(640, 480));
}

} // namespace
} // namespace lyrimo
