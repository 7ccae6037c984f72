#include "render/animations.h"

#include "../picture/picture_fixtures.h"
#include "render/builtin_pictures.h"
#include "render/colour_rules.h"
#include "render/drawing_utils.h"
#include "test_support.h"

#include <QDir>

#include <gtest/gtest.h>

namespace lyrimo {
namespace {

using test::GifFrameDesc;
using test::SolidGifFrame;
using test::WriteGif;

int64_t fakeNow = 0;
int64_t FakeClock() { return fakeNow; }

// Every test runs on a fixed clock, restored afterwards.
class AnimationTest : public ::testing::Test {
protected:
    void SetUp() override { SetAnimationClock(FakeClock); }
    void TearDown() override {
        SetAnimationClock(nullptr);
        SetWorkingPixelFormat(tPixelFormat::Bits24);
    }
};

// Whether the w × h rectangle at (ax, ay) of a shows the same colours as the one at (bx, by) of b.
bool SameCells(const Bitmap& a, int ax, int ay, const Bitmap& b, int bx, int by, int w, int h) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (a.Pixel(ax + x, ay + y) != b.Pixel(bx + x, by + y))
                return false;
    return true;
}

QStringList TemporaryPictures() { return QDir(QDir::tempPath()).entryList({"~lyrimo-temp*"}, QDir::Files); }

TEST(ColourRules, NearColourStepsEveryChannel) {
    EXPECT_EQ(NearColour(0x000000, false, tPixelFormat::Bits24), 0x010101u);
    EXPECT_EQ(NearColour(0x000102, true, tPixelFormat::Bits24), 0x020300u);
    EXPECT_EQ(NearColour(0x000000, false, tPixelFormat::Bits16), 0x080808u);
    EXPECT_EQ(NearColour(0x0F2040, true, tPixelFormat::Bits16), 0x1F1030u);
    // On 5-6-5 pixels the nudged colour must still be a different pixel, however the
    // channel sits within its 8-value step.
    for (uint32_t c = 0; c < 256; ++c) {
        tColour colour = c | (255 - c) << 8 | (c * 7 & 0xFF) << 16;
        for (bool fine : {false, true}) {
            EXPECT_FALSE(
                SamePixel(NearColour(colour, fine, tPixelFormat::Bits16), colour, tPixelFormat::Bits16));
            EXPECT_NE(NearColour(colour, fine, tPixelFormat::Bits24), colour);
        }
    }
}

TEST(ColourRules, DistinctColourAvoidsBothColours) {
    const auto f = tPixelFormat::Bits24;
    EXPECT_EQ(DistinctColour(0x123456, 0x000000, 0xFFFFFF, f), 0x123456u);
    EXPECT_EQ(DistinctColour(0x123456, 0x123456, 0xFFFFFF, f), 0x113355u);
    EXPECT_EQ(DistinctColour(0x123456, 0x123456, 0x113355, f), 0x103254u); // the near colour is taken too
    // 0x030303 and black are the same 5-6-5 pixel, so on 16-bit it must move.
    EXPECT_EQ(DistinctColour(0x030303, 0xFFFFFF, 0x000000, f), 0x030303u);
    tColour moved = DistinctColour(0x030303, 0xFFFFFF, 0x000000, tPixelFormat::Bits16);
    EXPECT_FALSE(SamePixel(moved, 0x000000, tPixelFormat::Bits16));
}

// A monospaced face, so positions are whole numbers of one advance.
class BounceTest : public AnimationTest {
protected:
    BounceTest() {
        canvas.Font = tFont("DejaVu Sans Mono", 20);
        w = canvas.Font.CharacterAdvance('a');
    }
    std::vector<int32_t> PointsOf(const QString& text, int lettersPerBounce = 8) {
        tUnicodeFontEngine engine;
        engine.Setup(&canvas, false, false, 0);
        engine.SetText(text);
        bounces.Configure(lettersPerBounce, 40, false, true);
        bounces.ComputePoints(engine);
        return bounces.Points;
    }
    tCanvas canvas;
    tRealBallBounces bounces;
    int w = 0;
};

TEST_F(BounceTest, WordsGetTouchDownsSpreadOverThem) {
    ASSERT_GT(w, 0);
    EXPECT_EQ(PointsOf("abc"), (std::vector<int32_t>{3 * w / 2}));
    EXPECT_EQ(bounces.LineWidth, 3 * w);
    // 17 letters: 17 / 2 = 8 per hop, so touch-downs at a third and two thirds.
    const int left = 4 * w, step = 17 * w / 3;
    EXPECT_EQ(PointsOf("abc abcdefghijklmnopq"),
              (std::vector<int32_t>{3 * w / 2, left + step, left + 2 * step}));
    // 18 letters need three.
    EXPECT_EQ(PointsOf("abcdefghijklmnopqr").size(), 3u);
    // A second space between words is no word of its own.
    EXPECT_EQ(PointsOf("ab  cd"), (std::vector<int32_t>{w, 4 * w + w}));
    // Fewer than 3 letters per bounce counts as 3: 7 letters then need 2, not 4.
    EXPECT_EQ(PointsOf("abcdefg", 1).size(), 2u);
    EXPECT_EQ(bounces.LettersPerBounce, 3);
    EXPECT_TRUE(PointsOf("").empty());
}

TEST_F(BounceTest, HeightsFollowArcsBetweenTouchDowns) {
    tRealBallBounces b;
    b.Configure(8, 40, false, true);
    b.Points = {100, 300};
    b.LineWidth = 500;
    EXPECT_EQ(b.HeightAt(0), 40);   // apex at the line's start
    EXPECT_EQ(b.HeightAt(50), 28);  // coming down: sin(3π/4)
    EXPECT_EQ(b.HeightAt(100), 0);  // touch-down
    EXPECT_EQ(b.HeightAt(200), 40); // mid-arc
    EXPECT_EQ(b.HeightAt(400), 28); // rising after the last touch-down
    EXPECT_EQ(b.HeightAt(500), 40); // apex at the line's end

    b.Configure(8, 40, true, true);
    b.Points = {100, 300};
    b.LineWidth = 500;
    EXPECT_EQ(b.HeightAt(300), 0);
    EXPECT_EQ(b.HeightAt(200), 40);
    EXPECT_EQ(b.HeightAt(150), 30); // parabola: 1 - (1/2)² of the height, where the sine gives 28

    b.Configure(8, 40, true, false);
    b.Points = {100, 300};
    EXPECT_EQ(b.HeightAt(200), 5);
}

TEST_F(BounceTest, HeightIsCachedPerPosition) {
    PointsOf("abc");
    int apex = bounces.HeightAt(3 * w);
    bounces.BounceHeight = 1000;
    EXPECT_EQ(bounces.HeightAt(3 * w + 0.005), apex);
    EXPECT_GT(bounces.HeightAt(3 * w + 0.5), apex);
    // A line without words keeps the ball on the ground, asked once or twice.
    PointsOf("");
    EXPECT_EQ(bounces.HeightAt(7), 0);
    EXPECT_EQ(bounces.HeightAt(7), 0);
}

TEST_F(AnimationTest, BuiltInBallsAreCutWithTheirLayouts) {
    struct tCase {
        int index, width;
        bool spinning;
        std::vector<int> rows; // the picture row each frame comes from
    };
    const tCase cases[] = {
        {7, 124, false, {0, 1, 2, 1}}, // squash down and back up
        {30, 124, true, {0, 1, 2, 1}},
        {50, 465, true, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}},
        {53, 930, true, {0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,  6,  7,
                         7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14}},
    };
    for (const tCase& c : cases) {
        tBouncingBall ball;
        ball.LoadBuiltIn(c.index, true);
        EXPECT_EQ(ball.Strip.Width(), c.width);
        EXPECT_EQ(ball.Height(), 31);
        EXPECT_EQ(ball.FrameCount, int(c.rows.size()));
        EXPECT_EQ(ball.FrameWidth, 31);
        EXPECT_EQ(ball.TimeAnimated, c.spinning);
        EXPECT_EQ(ball.TransparentColour, 0u);
        ASSERT_TRUE(ball.Shape.has_value());
        EXPECT_FALSE(ball.Shape->IsEmpty());
        for (int frame = 0; frame < ball.FrameCount; ++frame) {
            auto cell = BuiltInBallCell(c.index, c.rows[size_t(frame)]);
            ASSERT_TRUE(cell);
            EXPECT_TRUE(
                SameCells(ball.Strip, frame * 31, 0, BuiltInPicture(cell->picture), cell->x, cell->y, 31, 31))
                << "ball " << c.index << " frame " << frame;
        }
        // Without frame times the frames step every 40 ms.
        EXPECT_EQ(ball.FrameAt(39), 0);
        EXPECT_EQ(ball.FrameAt(40), 1);
        EXPECT_EQ(ball.FrameAt(40 * ball.FrameCount + 79), 1);
    }
    tBouncingBall none;
    none.LoadBuiltIn(54, true);
    EXPECT_TRUE(none.Strip.IsEmpty());
    EXPECT_EQ(none.FrameCount, 15);
}

TEST_F(AnimationTest, BuiltInInstrumentalAnimationsShowEveryFrameTwice) {
    const int widths[] = {2304, 2304, 2180, 3360}, heights[] = {128, 128, 250, 201},
              frames[] = {18, 18, 10, 12};
    for (int i = 0; i < 4; ++i) {
        tInstrumentalAnimation animation;
        animation.LoadBuiltIn(i, false);
        EXPECT_EQ(animation.Strip.Width(), widths[i]);
        EXPECT_EQ(animation.Height(), heights[i]);
        EXPECT_EQ(animation.FrameCount, frames[i]);
        EXPECT_TRUE(animation.TimeAnimated);
        EXPECT_EQ(animation.TransparentColour, animation.Strip.Pixel(0, 0));
        const Bitmap& source = BuiltInPicture(*InstrumentPicture(i));
        const int fw = animation.FrameWidth;
        for (int frame = 0; frame < frames[i]; ++frame)
            EXPECT_TRUE(SameCells(animation.Strip, frame * fw, 0, source, frame / 2 * fw, 0, fw, heights[i]))
                << "animation " << i << " frame " << frame;
    }
    tInstrumentalAnimation none;
    none.LoadBuiltIn(4, true);
    EXPECT_TRUE(none.Strip.IsEmpty());
    EXPECT_EQ(none.FrameCount, 0);
}

TEST_F(AnimationTest, SimpleBallSquashesOnlyNearTheGround) {
    tBouncingBall ball;
    ball.LoadBuiltIn(3, false);
    Bitmap frame(200, 200, WorkingPixelFormat());
    const int ground = 150;
    for (int64_t now : {0, 40, 120}) {
        fakeNow = now; // the clock never matters for a simple ball
        for (int d = 0; d <= 20; ++d) {
            int y = ground - d;
            int expected = d <= 2 ? 2 : d <= 5 ? 1 : 0;
            EXPECT_EQ(ball.Draw(frame, 10, true, true, true, true, ground, y), expected) << "d " << d;
            EXPECT_EQ(y, ground - d);
            EXPECT_EQ(ball.Draw(frame, 10, false, true, false, true, ground, y), 0) << "no animation";
        }
    }
    int y = 20;
    EXPECT_EQ(ball.Draw(frame, 10, true, false, true, true, ground, y), 0);
    EXPECT_EQ(y, ground); // not bouncing: on the ground, without squash
}

TEST_F(AnimationTest, DrawCopiesTheFrameSkippingItsTransparentColour) {
    tBouncingBall ball;
    ball.LoadBuiltIn(47, false);
    fakeNow = 85; // 40 ms a frame: frame 2
    for (tPixelFormat format : {tPixelFormat::Bits24, tPixelFormat::Bits16}) {
        Bitmap target(100, 60, format);
        target.Fill(0x336699);
        int y = 20;
        EXPECT_EQ(ball.Draw(target, 30, true, true, true, true, 25, y), 2);
        int drawn = 0, kept = 0;
        for (int dy = 0; dy < 31; ++dy) {
            for (int dx = 0; dx < 31; ++dx) {
                tColour source = ball.Strip.Pixel(2 * 31 + dx, dy);
                // Near-black pixels become black's pixel on 16-bit and count as transparent too.
                const bool transparent = SamePixel(source, 0, format);
                tColour expected = transparent ? 0x336699 : source;
                expected = Bitmap::ColourOf(Bitmap::PixelValue(expected, format), format);
                ASSERT_EQ(target.Pixel(30 + dx, 20 + dy), expected) << dx << "," << dy;
                (transparent ? kept : drawn)++;
            }
        }
        EXPECT_GT(drawn, 0);
        EXPECT_GT(kept, 0);
        EXPECT_EQ(target.Format(), format);
    }
    // Spinning backwards counts from the last frame.
    Bitmap target(100, 60, WorkingPixelFormat());
    int y = 0;
    EXPECT_EQ(ball.Draw(target, 0, false, true, true, true, 25, y), 12);
}

class AnimatedPictureTest : public AnimationTest {
protected:
    // Three 2 × 2 frames: without graphic control (100 ms), delay 3 (raised to 80 ms),
    // delay 20 (200 ms).
    static QByteArray ThreeFrameGif() {
        GifFrameDesc first = SolidGifFrame(2, 2, 1), second = SolidGifFrame(2, 2, 2),
                     third = SolidGifFrame(2, 2, 3);
        first.control = false;
        second.delay = 3;
        third.delay = 20;
        return WriteGif(2, 2, {0x000000, 0x0000FF, 0x00FF00, 0xFF0000}, {first, second, third});
    }
};

TEST_F(AnimatedPictureTest, GifFrameTimesChooseTheFrame) {
    const QString path = test::ScratchFolder() + "/notes.gif";
    ASSERT_TRUE(test::WriteFile(path, ThreeFrameGif()));
    tInstrumentalAnimation animation;
    ASSERT_TRUE(animation.LoadFromFile(path, 0x000000, true, 3));
    EXPECT_EQ(animation.FrameEnds, (std::vector<int32_t>{100, 180, 380}));
    EXPECT_EQ(animation.TotalDuration, 380);
    EXPECT_EQ(animation.FrameWidth, 2);
    EXPECT_EQ(animation.Strip.Pixel(2, 0), 0x00FF00u);
    const std::pair<int64_t, int> expected[] = {{0, 0},   {99, 0},  {100, 1}, {179, 1},
                                                {180, 2}, {379, 2}, {380, 0}, {380 + 150, 1}};
    for (auto [ms, frame] : expected)
        EXPECT_EQ(animation.FrameAt(ms), frame) << ms;

    // A ball loaded from the same file honours the times too; one held in the song's
    // bytes steps every 40 ms.
    tBouncingBall ball;
    ASSERT_TRUE(ball.LoadFromFile(path, 0, false, 3));
    EXPECT_EQ(ball.FrameAt(150), 1);
    ASSERT_TRUE(ball.LoadFromStream(ThreeFrameGif(), "ball.GIF", false, 3, 0));
    EXPECT_EQ(ball.FrameEnds.size(), 3u);
    EXPECT_EQ(ball.FrameAt(40), 1);
    EXPECT_EQ(ball.FrameAt(80), 2);
    EXPECT_EQ(ball.FrameAt(120), 0);
}

TEST_F(AnimatedPictureTest, LoadingFromBytesLeavesNoTemporaryFile) {
    tInstrumentalAnimation animation;
    ASSERT_TRUE(animation.LoadFromStream(ThreeFrameGif(), "C:\\Songs\\sax.gif", true, 3, 0));
    EXPECT_EQ(animation.TotalDuration, 380);
    EXPECT_EQ(animation.Strip.Width(), 6);
    EXPECT_TRUE(animation.Shape.has_value());
    EXPECT_TRUE(TemporaryPictures().isEmpty());

    EXPECT_FALSE(animation.LoadFromStream("GIF89a broken", "sax.gif", true, 3, 0));
    EXPECT_TRUE(TemporaryPictures().isEmpty());
    EXPECT_TRUE(animation.Strip.IsEmpty());

    // No bytes at all: an empty animation that draws nothing.
    EXPECT_FALSE(animation.LoadFromStream(QByteArray(), "sax.gif", true, 3, 0));
    EXPECT_EQ(animation.FrameCount, 0);
    Bitmap target(10, 10, WorkingPixelFormat());
    target.Fill(0x123456);
    const Bitmap before = target;
    int y = 0;
    animation.Draw(target, 0, true, true, true, true, 0, y);
    EXPECT_EQ(target, before);
    EXPECT_TRUE(TemporaryPictures().isEmpty());
}

TEST_F(AnimatedPictureTest, SinglePicturesAreCutByTheFrameCount) {
    // 4 × 1: red, green, blue, black.
    const QByteArray png = test::WritePng(4, 1, 3, {255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0});
    tBouncingBall ball;
    ASSERT_TRUE(ball.LoadFromStream(png, "ball.png", true, 2, 0));
    EXPECT_EQ(ball.FrameWidth, 2);
    EXPECT_TRUE(ball.TimeAnimated);
    EXPECT_TRUE(ball.FrameEnds.empty());
    tBouncingBall plain; // no shape built: each frame is measured alone
    ASSERT_TRUE(plain.LoadFromStream(png, "ball.png", false, 2, 0));
    for (int frame : {-1, 0, 1, 2, 3}) {
        tRegion built, measured;
        ball.FrameShape(frame, built);
        plain.FrameShape(frame, measured);
        EXPECT_EQ(built, measured) << frame;
    }
    tRegion shape;
    ball.FrameShape(1, shape); // blue only: the black pixel is transparent
    EXPECT_EQ(shape, tRegion(tMyRect{0, 0, 1, 1}));
    ball.FrameShape(3, shape); // frames wrap around
    EXPECT_EQ(shape, tRegion(tMyRect{0, 0, 1, 1}));
    ball.FrameShape(0, shape);
    EXPECT_EQ(shape, tRegion(tMyRect{0, 0, 2, 1}));
    ball.SetFrameCount(1);
    EXPECT_EQ(ball.FrameWidth, 4);
    ball.FrameShape(0, shape);
    EXPECT_EQ(shape, tRegion(tMyRect{0, 0, 3, 1}));

    EXPECT_FALSE(ball.LoadFromFile(test::ScratchFolder() + "/missing.png", 0, true, 2));
    EXPECT_TRUE(ball.Strip.IsEmpty());
}

TEST_F(AnimationTest, ReplaceColourNeverProducesTheTransparentColour) {
    for (tPixelFormat format : {tPixelFormat::Bits24, tPixelFormat::Bits16}) {
        // In 24-bit the first near colour of 0x102030 is the key itself; in 16-bit the
        // first near colour of 0x0A0A0A is black's pixel.
        const tColour key = format == tPixelFormat::Bits24 ? 0x0F1F2F : 0x000000;
        const tColour colour = format == tPixelFormat::Bits24 ? 0x102030 : 0x0A0A0A;
        tSingleAnimation animation;
        animation.Strip = Bitmap(3, 1, format);
        animation.Strip.SetPixel(0, 0, colour);
        animation.Strip.SetPixel(1, 0, key);
        animation.Strip.SetPixel(2, 0, 0xFFFFFF);
        animation.TransparentColour = key;
        const tColour keyPixel = animation.Strip.Pixel(1, 0);

        animation.ReplaceColour(key); // the transparent colour itself: nothing changes
        EXPECT_EQ(animation.Strip.Pixel(0, 0), Bitmap::ColourOf(Bitmap::PixelValue(colour, format), format));

        animation.ReplaceColour(colour);
        EXPECT_FALSE(SamePixel(animation.Strip.Pixel(0, 0), colour, format));
        EXPECT_FALSE(SamePixel(animation.Strip.Pixel(0, 0), key, format));
        EXPECT_EQ(animation.Strip.Pixel(1, 0), keyPixel);
        EXPECT_EQ(animation.Strip.Pixel(2, 0), 0xFFFFFFu);
    }
}

} // namespace
} // namespace lyrimo
