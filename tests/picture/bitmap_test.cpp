#include "picture/bitmap.h"
#include "picture/bitmap_png.h"

#include "picture_fixtures.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <climits>

#include <zlib.h>

namespace lyrimo {
namespace {

constexpr tColour kRed = 0x0000FF, kGreen = 0x00FF00, kWhite = 0xFFFFFF;

TEST(Bitmap, PixelLayoutsAndConversions) {
    Bitmap b(3, 2, tPixelFormat::Bits24);
    b.SetPixel(1, 1, 0x123456); // blue 0x12, green 0x34, red 0x56
    b.SetPixel(0, 0, kWhite);
    EXPECT_EQ(b.Row32(1)[1], 0x563412u);
    EXPECT_EQ(b.Stride(), 12);

    Bitmap narrow = b;
    narrow.SetFormat(tPixelFormat::Bits16);
    EXPECT_EQ(narrow.Stride(), 8); // rows start on 4-byte boundaries
    EXPECT_EQ(narrow.Row16(1)[1], (0x56u >> 3) << 11 | (0x34u >> 2) << 5 | (0x12u >> 3));
    EXPECT_EQ(narrow.PixelValue(kRed), 0xF800u);
    narrow.SetFormat(tPixelFormat::Bits32);
    EXPECT_EQ(narrow.Pixel(0, 0), kWhite); // white and black survive 5-6-5 exactly
    EXPECT_EQ(narrow.Pixel(2, 1), 0u);
    EXPECT_EQ(narrow.Pixel(1, 1),
              Bitmap::ColourOf(Bitmap::PixelValue(0x123456, tPixelFormat::Bits16), tPixelFormat::Bits16));
    b.SetFormat(tPixelFormat::Bits32); // 24 and 32 bits share one layout
    EXPECT_EQ(b.Pixel(1, 1), 0x123456u);
}

TEST(Bitmap, NothingIsWrittenOutside) {
    Bitmap b(4, 4, tPixelFormat::Bits32);
    b.SetPixel(-1, 0, kWhite);
    b.SetPixel(4, 1, kWhite);
    b.FillRect(-2, 2, 4, 10, kGreen);
    b.FillRect(INT_MAX - 1, INT_MIN, INT_MAX, INT_MAX, kRed); // nothing, and no overflow
    b.CopyRect(b, 0, 0, INT_MAX, INT_MAX, INT_MIN, INT_MIN);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(b.Pixel(x, y), (x < 2 && y >= 2) ? kGreen : 0u) << x << "," << y;
    }
    EXPECT_EQ(b.Pixel(9, 9), 0u);
    EXPECT_TRUE(Bitmap(-3, 4, tPixelFormat::Bits32).IsEmpty());

    b.SetSize(5, 3); // keeps the top left, the rest is black
    EXPECT_EQ(b.Pixel(1, 2), kGreen);
    EXPECT_EQ(b.Pixel(4, 2), 0u);
}

TEST(Bitmap, CopyRectClipsConvertsAndOverlaps) {
    Bitmap source(4, 4, tPixelFormat::Bits24);
    for (int i = 0; i < 16; ++i)
        source.SetPixel(i % 4, i / 4, tColour(0x400000 + 0x1010 * i));
    Bitmap target(3, 3, tPixelFormat::Bits32);
    target.CopyRect(source, -1, 1, 10, 10, 0, 0); // source column -1 does not exist: one place right
    EXPECT_EQ(target.Pixel(0, 0), 0u);
    EXPECT_EQ(target.Pixel(1, 0), source.Pixel(0, 1));
    EXPECT_EQ(target.Pixel(2, 2), source.Pixel(1, 3));
    target.CopyRect(source, 0, 0, 4, 4, -2, -1); // a negative destination skips source columns and rows
    EXPECT_EQ(target.Pixel(0, 0), source.Pixel(2, 1));
    EXPECT_EQ(target.Pixel(1, 2), source.Pixel(3, 3));

    Bitmap narrow(4, 4, tPixelFormat::Bits16), back(4, 4, tPixelFormat::Bits24);
    narrow.CopyRect(source, 0, 0, 4, 4, 0, 0);
    back.CopyRect(narrow, 0, 0, 4, 4, 0, 0);
    Bitmap expected = source;
    expected.SetFormat(tPixelFormat::Bits16);
    EXPECT_EQ(narrow, expected);
    expected.SetFormat(tPixelFormat::Bits24);
    EXPECT_EQ(back, expected);

    for (tPixelFormat format : {tPixelFormat::Bits16, tPixelFormat::Bits24}) {
        Bitmap b(4, 4, format);
        b.SetPixel(0, 0, kWhite);
        b.CopyRect(b, 0, 0, 3, 3, 1, 1); // down and right: rows must not be read after being overwritten
        b.CopyRect(b, 0, 0, 3, 3, 1, 1);
        EXPECT_EQ(b.Pixel(2, 2), kWhite);
        EXPECT_EQ(b.Pixel(3, 3), 0u);
        b.CopyRect(b, 1, 1, 3, 3, 0, 0); // up and left
        EXPECT_EQ(b.Pixel(1, 1), kWhite);
        EXPECT_EQ(b.Pixel(2, 2), 0u);
    }
}

TEST(Bitmap, PictureSizeCapWithoutOverflow) {
    EXPECT_TRUE(PictureSizeAllowed(8192, 8192));
    EXPECT_FALSE(PictureSizeAllowed(8192, 8193));
    EXPECT_FALSE(PictureSizeAllowed(32, 32, 65537));
    EXPECT_FALSE(PictureSizeAllowed(int64_t{1} << 40, int64_t{1} << 40));
    EXPECT_FALSE(PictureSizeAllowed(-1, -1));
}

TEST(Bitmap, SizesBeyondThePictureCapGiveAnEmptyBitmap) {
    for (tPixelFormat format : {tPixelFormat::Bits16, tPixelFormat::Bits24}) {
        Bitmap tooTall(8192, 8193, format);
        EXPECT_TRUE(tooTall.IsEmpty());
        EXPECT_EQ(tooTall.Width(), 0);
        Bitmap grown(16, 16, format);
        grown.SetSize(INT_MAX, 2);
        EXPECT_TRUE(grown.IsEmpty());
        grown.SetPixel(3, 1, 0xFFFFFF); // writes nothing, touches nothing
        EXPECT_EQ(grown.Pixel(3, 1), 0u);
    }
    EXPECT_EQ(Bitmap(8192, 16, tPixelFormat::Bits24).Width(), 8192);
}

const uint8_t* Data(const QByteArray& bytes) { return reinterpret_cast<const uint8_t*>(bytes.constData()); }

TEST(Png, RoundTripAndTranslucency) {
    Bitmap b(5, 3, tPixelFormat::Bits16);
    b.Fill(0x3366CC);
    b.SetPixel(4, 2, kRed);
    const QString path = test::ScratchFolder() + "/round trip.png";
    ASSERT_TRUE(SavePng(b, path));
    Bitmap loaded;
    ASSERT_TRUE(LoadPng(path, loaded));
    b.SetFormat(tPixelFormat::Bits32);
    EXPECT_EQ(loaded, b);
    EXPECT_FALSE(SavePng(Bitmap(), path)); // no picture: the old file stays
    EXPECT_TRUE(LoadPng(path, loaded));

    // Opaque red, half-transparent white, fully transparent green: composed over black.
    QByteArray png = test::WritePng(3, 1, 4, {255, 0, 0, 255, 255, 255, 255, 128, 0, 255, 0, 0});
    ASSERT_TRUE(DecodePng(Data(png), size_t(png.size()), b));
    EXPECT_EQ(b.Pixel(0, 0), kRed);
    EXPECT_EQ(b.Pixel(1, 0), 0x808080u);
    EXPECT_EQ(b.Pixel(2, 0), 0u);
    png = test::WritePng(2, 1, 1, {90, 255});
    ASSERT_TRUE(DecodePng(Data(png), size_t(png.size()), b));
    EXPECT_EQ(b.Pixel(0, 0), 0x5A5A5Au);
}

// Noise with a flat band, in every pixel format; large enough for many pieces of output.
Bitmap NoisyPicture(tPixelFormat format) {
    Bitmap b(301, 203, format);
    uint32_t seed = 12345;
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x) {
            seed = seed * 1103515245 + 12345;
            b.SetPixel(x, y, y > 80 && y < 120 ? kGreen : seed >> 8);
        }
    }
    return b;
}

TEST(Png, FastCompressionDecodesToTheSamePixels) {
    for (tPixelFormat format : {tPixelFormat::Bits16, tPixelFormat::Bits24, tPixelFormat::Bits32}) {
        Bitmap picture = NoisyPicture(format);
        const QByteArray fast = EncodePng(picture, tPngCompression::Fast);
        const QByteArray small = EncodePng(picture);
        EXPECT_EQ(test::PngDeflateLevel(fast), 0);
        EXPECT_EQ(test::PngDeflateLevel(small), 2);
        picture.SetFormat(tPixelFormat::Bits32);
        Bitmap decoded;
        ASSERT_TRUE(DecodePng(Data(fast), size_t(fast.size()), decoded));
        EXPECT_EQ(decoded, picture);
    }
    const QString path = test::ScratchFolder() + "/fast.png";
    ASSERT_TRUE(SavePng(NoisyPicture(tPixelFormat::Bits24), path, tPngCompression::Fast));
    Bitmap loaded;
    ASSERT_TRUE(LoadPng(path, loaded));
    EXPECT_EQ(loaded, NoisyPicture(tPixelFormat::Bits32));
    EXPECT_TRUE(EncodePng(Bitmap(), tPngCompression::Fast).isEmpty());
}

TEST(Png, TruncatedOrHugePicturesFail) {
    const QByteArray png = test::WritePng(2, 2, 3, std::vector<uint8_t>(12, 7));
    Bitmap b(1, 1, tPixelFormat::Bits24);
    const Bitmap untouched = b;
    // Every cut into the pixel data fails; without only its end marker the picture is whole.
    for (qsizetype n = 0; n < png.size() - 12; ++n)
        EXPECT_FALSE(DecodePng(Data(png), size_t(n), b)) << n;
    EXPECT_EQ(b, untouched);

    // 100000 × 100000 claimed in the header, its checksum mended so only the size is wrong.
    QByteArray huge = png;
    for (int at : {16, 20})
        huge.replace(at, 4, QByteArray("\x00\x01\x86\xA0", 4));
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(huge.constData() + 12), 17);
    for (int i = 0; i < 4; ++i)
        huge[29 + i] = char(crc >> (24 - 8 * i));
    EXPECT_FALSE(DecodePng(Data(huge), size_t(huge.size()), b));
}

} // namespace
} // namespace lyrimo
