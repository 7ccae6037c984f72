#include "picture/bitmap_png.h"
#include "render/drawing_utils.h"
#include "render/fit_picture.h"

#include "app/app_services.h"

#include <gtest/gtest.h>

#include <climits>

namespace lyrimo {
namespace {

constexpr tColour kWhite = 0xFFFFFF, kKey = 0xFF00FF, kBlue = 0xFF0000;

// Sets the working pixel format for one test and puts the old one back.
class WorkingFormat {
public:
    explicit WorkingFormat(tPixelFormat format) : saved_(WorkingPixelFormat()) {
        SetWorkingPixelFormat(format);
    }
    ~WorkingFormat() { SetWorkingPixelFormat(saved_); }

private:
    tPixelFormat saved_;
};

// A bitmap whose pixel (x, y) has red x and green y, so copies show where they came from.
Bitmap Numbered(int width, int height, tPixelFormat format) {
    Bitmap b(width, height, format);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            b.SetPixel(x, y, tColour(0x400000 | y << 8 | x));
    }
    return b;
}

TEST(BlendCopy, AlphaArithmeticPerFormat) {
    Bitmap white(2, 1, tPixelFormat::Bits24), target(2, 1, tPixelFormat::Bits24);
    white.Fill(kWhite);
    BlendCopy(white, target, {0, 0, 2, 1}, kKey, 128, 0, 0);
    EXPECT_EQ(target.Pixel(0, 0), 0x7F7F7Fu); // (255 × 128) >> 8 over black
    BlendCopy(white, target, {0, 0, 1, 1}, kKey, 128, 0, 0);
    EXPECT_EQ(target.Pixel(0, 0), 0xBEBEBEu); // 127 + (127 × 127) >> 8
    EXPECT_EQ(target.Row32(0)[0] >> 24, 0u);
    Bitmap black(1, 1, tPixelFormat::Bits24), light(1, 1, tPixelFormat::Bits24);
    light.Fill(kWhite);
    BlendCopy(black, light, {0, 0, 1, 1}, kKey, 128, 0, 0);
    EXPECT_EQ(light.Pixel(0, 0), 0x7E7E7Eu); // (255 × 127) >> 8
    light.Fill(kWhite);
    BlendCopy(white, light, {0, 0, 1, 1}, kKey, 1, 0, 0);
    EXPECT_EQ(light.Pixel(0, 0), 0xFDFDFDu); // 0 + (255 × 254) >> 8

    Bitmap white16(1, 1, tPixelFormat::Bits16), black16(1, 1, tPixelFormat::Bits16);
    white16.Fill(kWhite);
    BlendCopy(white16, black16, {0, 0, 1, 1}, kKey, 130, 0, 0); // a = 130 div 4 = 32
    EXPECT_EQ(black16.Row16(0)[0], (15u << 11) | (31u << 5) | 15u);
    BlendCopy(white16, black16, {0, 0, 1, 1}, kKey, 130, 0, 0); // 15 + (15 × 31) >> 6 = 22
    EXPECT_EQ(black16.Row16(0)[0], (22u << 11) | (46u << 5) | 22u);

    Bitmap target2(1, 1, tPixelFormat::Bits32);
    BlendCopy(white, target2, {0, 0, 1, 1}, kKey, 0, 0, 0);
    BlendCopy(white, target2, {0, 0, 1, 1}, kKey, -7, 0, 0);
    EXPECT_EQ(target2.Pixel(0, 0), 0u);
    BlendCopy(white, target2, {0, 0, 1, 1}, kKey, 999, 0, 0); // more than opaque is opaque
    EXPECT_EQ(target2.Pixel(0, 0), kWhite);
}

TEST(BlendCopy, KeyPixelsAreSkippedAtEveryAlpha) {
    for (tPixelFormat format : {tPixelFormat::Bits16, tPixelFormat::Bits24, tPixelFormat::Bits32}) {
        Bitmap source(40, 2, format), target(40, 2, format);
        source.Fill(kKey);
        source.SetPixel(3, 0, kWhite);
        source.SetPixel(37, 1, kWhite);
        for (int alpha : {255, 200}) {
            target.Fill(kBlue);
            BlendCopy(source, target, {0, 0, 40, 2}, kKey, alpha, 0, 0);
            for (int y = 0; y < 2; ++y) {
                for (int x = 0; x < 40; ++x) {
                    bool drawn = (x == 3 && y == 0) || (x == 37 && y == 1);
                    EXPECT_EQ(target.Pixel(x, y) != target.ColourOf(target.PixelValue(kBlue)), drawn)
                        << int(format) << " alpha " << alpha << " at " << x << "," << y;
                }
            }
        }
        // Without a key colour every pixel is copied.
        BlendCopy(source, target, {0, 0, 40, 2}, kNoKeyColour, 255, 0, 0);
        EXPECT_EQ(target, source);
    }
}

TEST(BlendCopy, ClipsSourceAndDestinationTogether) {
    const Bitmap numbered = Numbered(10, 6, tPixelFormat::Bits24);
    Bitmap source = numbered;
    auto copy = [&](tMyRect rect, int y, int x) {
        Bitmap target(10, 6, tPixelFormat::Bits24);
        BlendCopy(source, target, rect, kNoKeyColour, 255, y, x);
        return target;
    };
    Bitmap left = copy({0, 0, 10, 6}, 0, -5); // from the sixth column onward, at x = 0
    EXPECT_EQ(left.Pixel(0, 2), numbered.Pixel(5, 2));
    EXPECT_EQ(left.Pixel(4, 5), numbered.Pixel(9, 5));
    EXPECT_EQ(left.Pixel(5, 0), 0u);

    Bitmap raised = copy({-3, -2, 4, 3}, 1, 1); // a negative source corner moves the destination
    EXPECT_EQ(raised.Pixel(4, 3), numbered.Pixel(0, 0));
    EXPECT_EQ(raised.Pixel(7, 5), numbered.Pixel(3, 2));
    EXPECT_EQ(raised.Pixel(3, 3), 0u);
    EXPECT_EQ(raised.Pixel(4, 2), 0u);

    Bitmap edge = copy({6, 4, 50, 50}, 4, 8); // limited by the source's and the destination's sizes
    EXPECT_EQ(edge.Pixel(8, 4), numbered.Pixel(6, 4));
    EXPECT_EQ(edge.Pixel(9, 5), numbered.Pixel(7, 5));

    Bitmap none(10, 6, tPixelFormat::Bits24);
    for (tMyRect rect :
         {tMyRect{3, 3, 3, 9}, tMyRect{10, 0, 20, 6}, tMyRect{INT_MIN, INT_MIN, INT_MAX, INT_MAX}}) {
        Bitmap target(10, 6, tPixelFormat::Bits24);
        BlendCopy(source, target, rect, kNoKeyColour, 255, INT_MAX, 0);
        BlendCopy(source, target, rect, kNoKeyColour, 255, 0, INT_MIN);
        BlendCopy(source, target, rect, kNoKeyColour, 255, 0, 0);
        EXPECT_EQ(target, none);
    }
}

TEST(BlendCopy, MixedFormatsMeetInTheWorkingFormat) {
    WorkingFormat working(tPixelFormat::Bits16);
    Bitmap source(2, 2, tPixelFormat::Bits24), target(2, 2, tPixelFormat::Bits32);
    source.Fill(0x123456);
    BlendCopy(source, target, {0, 0, 2, 2}, kKey, 255, 0, 0);
    EXPECT_EQ(source.Format(), tPixelFormat::Bits16);
    EXPECT_EQ(target.Format(), tPixelFormat::Bits16);
    EXPECT_EQ(target.Pixel(1, 1), source.Pixel(1, 1));
}

TEST(BlendCopy, OverlappingCopyWithinOneBitmap) {
    Bitmap b = Numbered(6, 6, tPixelFormat::Bits32);
    const Bitmap before = b;
    BlendCopy(b, b, {0, 0, 4, 4}, kNoKeyColour, 255, 1, 1);
    for (int y = 1; y < 5; ++y) {
        for (int x = 1; x < 5; ++x)
            EXPECT_EQ(b.Pixel(x, y), before.Pixel(x - 1, y - 1)) << x << "," << y;
    }
}

TEST(RegionOfNonKeyPixels, RowRunsInsideTheRectangle) {
    WorkingFormat working(tPixelFormat::Bits24);
    Bitmap b(8, 4, tPixelFormat::Bits24);
    b.Fill(kKey);
    b.FillRect(1, 0, 3, 2, kWhite); // a 3 × 2 block
    b.SetPixel(6, 0, kWhite);
    b.SetPixel(7, 3, kWhite);
    tRegion all = RegionOfNonKeyPixels(b, kKey);
    EXPECT_EQ(all.Area(), 8);
    EXPECT_EQ(all.Rectangles(),
              (std::vector<tMyRect>{{1, 0, 4, 1}, {6, 0, 7, 1}, {1, 1, 4, 2}, {7, 3, 8, 4}}));

    tRegion part = RegionOfNonKeyPixels(b, {2, -5, 100, 1}, kKey); // limited to the bitmap
    EXPECT_EQ(part.Rectangles(), (std::vector<tMyRect>{{2, 0, 4, 1}, {6, 0, 7, 1}}));
    EXPECT_TRUE(RegionOfNonKeyPixels(b, {20, 20, 30, 30}, kKey).IsEmpty());
    b.Fill(kKey);
    EXPECT_TRUE(RegionOfNonKeyPixels(b, kKey).IsEmpty());
}

TEST(RegionOfNonKeyPixels, ComparesInTheWorkingFormat) {
    WorkingFormat working(tPixelFormat::Bits16);
    Bitmap b(3, 1, tPixelFormat::Bits24);
    b.SetPixel(0, 0, 0x000001); // the same as black once packed into 5-6-5
    b.SetPixel(1, 0, 0x000008);
    tRegion region = RegionOfNonKeyPixels(b, 0x000000);
    EXPECT_EQ(b.Format(), tPixelFormat::Bits16);
    EXPECT_EQ(region.Rectangles(), (std::vector<tMyRect>{{1, 0, 2, 1}}));
}

TEST(ReplaceColour, ExactMatchesInTheBitmapsOwnFormat) {
    Bitmap b(3, 1, tPixelFormat::Bits32);
    b.SetPixel(0, 0, 0x102030);
    b.SetPixel(1, 0, 0x102031);
    b.Row32(0)[2] = 0xAA000000 | Bitmap::PixelValue(0x102030, tPixelFormat::Bits32); // stray fourth byte
    ReplaceColour(b, 0x102030, kWhite);
    EXPECT_EQ(b.Pixel(0, 0), kWhite);
    EXPECT_EQ(b.Pixel(1, 0), 0x102031u);
    EXPECT_EQ(b.Row32(0)[2], 0x00FFFFFFu);

    Bitmap narrow(2, 1, tPixelFormat::Bits16);
    narrow.SetPixel(0, 0, 0x102030);
    ReplaceColour(narrow, 0x102031, kBlue); // equal in 5-6-5
    EXPECT_EQ(narrow.Pixel(0, 0), narrow.ColourOf(narrow.PixelValue(kBlue)));
    EXPECT_EQ(narrow.Pixel(1, 0), 0u);
}

TEST(WorkingPixelFormat, FollowsTheGraphicsModeSetting) {
    EXPECT_EQ(PixelFormatForGraphicsMode(1, 32), tPixelFormat::Bits16);
    EXPECT_EQ(PixelFormatForGraphicsMode(0, 19), tPixelFormat::Bits16);
    EXPECT_EQ(PixelFormatForGraphicsMode(7, 20), tPixelFormat::Bits24);
    WorkingFormat working(tPixelFormat::Bits24);
    int saved = Settings().GraphicsMode;
    Settings().GraphicsMode = 3;
    ApplyGraphicsModeSetting(16);
    EXPECT_EQ(WorkingPixelFormat(), tPixelFormat::Bits32);
    Settings().GraphicsMode = saved;
}

TEST(AspectFit, CentresTheLargestRectangleOfTheSourceShape) {
    EXPECT_EQ(AspectFit({0, 0, 200, 100}, {10, 10, 110, 110}), (tMyRect{10, 35, 110, 85}));
    EXPECT_EQ(AspectFit({0, 0, 100, 200}, {0, 0, 100, 100}), (tMyRect{25, 0, 75, 100}));
    EXPECT_EQ(AspectFit({0, 0, 7, 0}, {0, 0, 10, 20}), (tMyRect{0, 5, 10, 15})); // no height: square
    EXPECT_EQ(AspectFit({0, 0, 3, 3}, {5, 5, 5, 9}), (tMyRect{5, 7, 5, 8}));     // no width: one row
    EXPECT_EQ(AspectFit({0, 0, 0, 9}, {0, 0, 10, 20}), (tMyRect{5, 0, 5, 20}));  // no source width
}

class FitPictureTest : public ::testing::Test {
protected:
    WorkingFormat working{tPixelFormat::Bits24};
};

TEST_F(FitPictureTest, MissingOrTinyPicturesLeaveTheBackground) {
    Bitmap target;
    Bitmap line(5, 1, tPixelFormat::Bits24);
    for (const Bitmap* picture : {static_cast<const Bitmap*>(nullptr), static_cast<const Bitmap*>(&line)}) {
        FitPicture(picture, target, false, false, 4, 6, kBlue);
        EXPECT_EQ(target.Width(), 6);
        EXPECT_EQ(target.Height(), 4);
        EXPECT_EQ(target.Format(), tPixelFormat::Bits24);
        EXPECT_EQ(target.Pixel(5, 3), kBlue);
    }
    FitPicture(QByteArray("not a picture"), "x.png", target, true, false, 3, 3, kWhite);
    EXPECT_EQ(target.Pixel(1, 1), kWhite);
}

TEST_F(FitPictureTest, TilesFromTheTopLeft) {
    Bitmap picture = Numbered(3, 2, tPixelFormat::Bits32);
    Bitmap target;
    FitPicture(&picture, target, true, true, 5, 7, kBlue);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(target.Pixel(x, y), picture.Pixel(x % 3, y % 2)) << x << "," << y;
    }
}

TEST_F(FitPictureTest, StretchesKeepingOrIgnoringTheShape) {
    Bitmap picture(4, 2, tPixelFormat::Bits24);
    picture.Fill(0x3060C0);
    QByteArray png = EncodePng(picture);
    Bitmap target;
    FitPicture(png, "slide.PNG", target, true, false, 8, 8, kBlue);
    for (int y = 0; y < 8; ++y) {
        EXPECT_EQ(target.Pixel(4, y), (y >= 2 && y < 6) ? 0x3060C0u : kBlue) << y;
        EXPECT_EQ(target.Row32(y)[4] >> 24, 0u);
    }
    FitPicture(&picture, target, false, false, 8, 8, kBlue);
    EXPECT_EQ(target.Pixel(0, 0), 0x3060C0u);
    EXPECT_EQ(target.Pixel(7, 7), 0x3060C0u);
}

TEST_F(FitPictureTest, ReducingAveragesInsteadOfPickingPixels) {
    // Stripes one pixel wide, reduced five times: every target pixel covers two or three
    // white columns of five, so none may come out pure black or pure white.
    Bitmap stripes(100, 4, tPixelFormat::Bits24);
    for (int x = 0; x < 100; x += 2)
        stripes.FillRect(x, 0, 1, 4, kWhite);
    Bitmap target;
    FitPicture(&stripes, target, false, false, 4, 20, kBlue);
    for (int x = 1; x < 19; ++x) {
        int red = int(target.Pixel(x, 2) & 0xFF);
        EXPECT_GT(red, 60) << x;
        EXPECT_LT(red, 200) << x;
    }
}

TEST(FontScaling, ScalesToTheScreenWidth) {
    tFont font("Arial", 20);
    ScaleFontToWidth(font, 640, 1280);
    EXPECT_GE(font.Size(), 38);
    EXPECT_LE(font.Size(), 42);
    ScaleFontToWidth(font, 1280, 640);
    EXPECT_GE(font.Size(), 18);
    EXPECT_LE(font.Size(), 21);

    tFont same("Arial", 20);
    ScaleFontToWidth(same, 800, 800);
    ScaleFontToWidth(same, 0, 800); // a song without a play width is not blown up
    ScaleFontToWidth(same, 800, 0);
    EXPECT_EQ(same.Size(), 20);
}

// The size a font is scaled to, found by measuring a string of "W" at every size in turn.
int ScaledSizeByCounting(tFont font, int designWidth, int targetWidth) {
    QString sample;
    do
        sample += QLatin1Char('W');
    while (font.TextWidth(sample) < designWidth && sample.size() < designWidth);
    if (targetWidth < designWidth) {
        while (font.Size() >= 2 && font.TextWidth(sample) >= targetWidth)
            font.SetSize(font.Size() - 1);
    } else {
        while (font.Size() <= 998 && targetWidth >= font.TextWidth(sample))
            font.SetSize(font.Size() + 1);
    }
    return font.Size();
}

TEST(FontScaling, SearchedSizeIsTheSmallestThatFills) {
    const struct {
        int size, design, target;
    } cases[] = {{20, 640, 1280}, {20, 1280, 640}, {28, 1024, 1920},  {12, 800, 801},
                 {16, 801, 800},  {40, 3, 7},      {200, 640, 100000}};
    for (const auto& c : cases) {
        tFont font("Arial", c.size);
        ScaleFontToWidth(font, c.design, c.target);
        EXPECT_EQ(font.Size(), ScaledSizeByCounting(tFont("Arial", c.size), c.design, c.target))
            << c.size << " " << c.design << " " << c.target;
    }
}

TEST(FontScaling, HugeDesignWidthsEndAtTheSizeLimits) {
    tFont shrunk("Arial", 28);
    ScaleFontToWidth(shrunk, 2000000000, 1920);
    EXPECT_EQ(shrunk.Size(), 1);
    tFont grown("Arial", 28);
    ScaleFontToWidth(grown, 65280, INT32_MAX);
    EXPECT_EQ(grown.Size(), 999);
}

TEST(FontScaling, InkTopSeatsOnLowerCaseLetters) {
    tFont font("Arial", 28);
    tInkTop ink = MeasureInkTop(font);
    EXPECT_EQ(ink.Ascent, font.Ascent());
    EXPECT_EQ(ink.Height, font.Height());
    // An "x" starts at the measured row (round letters may reach one row higher).
    Bitmap x(40, font.Height(), tPixelFormat::Bits24);
    tFont white = font;
    white.SetColour(kWhite);
    DrawText(x, white, 0, 0, "x");
    EXPECT_NEAR(ink.InkTop, FirstInkRow(x), 1);
    EXPECT_GT(ink.InkTop, font.Ascent() / 3);
    EXPECT_LT(ink.InkTop, font.Ascent());

    Bitmap blank(4, 4, tPixelFormat::Bits24);
    blank.SetPixel(2, 1, 0x050505); // not above 5
    EXPECT_EQ(FirstInkRow(blank), 0);
    blank.SetPixel(3, 2, 0x000600);
    EXPECT_EQ(FirstInkRow(blank), 2);
}

} // namespace
} // namespace lyrimo
