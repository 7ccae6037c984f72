#include "picture/picture_decode.h"

#include "picture_fixtures.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

namespace lyrimo {
namespace {

using test::BmpFile;
using test::Dib;
using test::IcoFile;
using test::IconDib;
using test::Put;
using test::WriteJpeg;

constexpr tColour kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF;
const std::vector<tColour> kColours = {kRed, kGreen, kBlue, kWhite, 0x123456, 0x808080, 0xA0B0C0, 0x010203};

// 5 × 3 values, values[(x + y) % n] at (x, y), packed bottom row first (or top-down) as BMP rows.
// Values of 16 bits and more are stored little-endian, so 24-bit values are 0x00RRGGBB.
QByteArray PatternRows(const std::vector<uint32_t>& values, int bits, bool topDown = false) {
    QByteArray out;
    for (int i = 0; i < 3; ++i) {
        const int y = topDown ? i : 2 - i;
        QByteArray row;
        uint32_t pending = 0;
        int filled = 0;
        for (int x = 0; x < 5; ++x) {
            uint32_t v = values[size_t(x + y) % values.size()];
            if (bits >= 8) {
                Put(row, v, bits / 8);
                continue;
            }
            pending = pending << bits | v;
            if ((filled += bits) == 8)
                row.append(char(pending)), pending = 0, filled = 0;
        }
        if (filled > 0)
            row.append(char(pending << (8 - filled)));
        out += row + QByteArray((4 - row.size() % 4) % 4, '\0');
    }
    return out;
}

void ExpectPattern(const Bitmap& b, const std::vector<tColour>& colours, const char* what) {
    ASSERT_EQ(b.Width(), 5) << what;
    ASSERT_EQ(b.Height(), 3) << what;
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(b.Pixel(i % 5, i / 5), colours[size_t(i % 5 + i / 5) % colours.size()]) << what << " " << i;
}

// kColours as 24-bit and 32-bit pixels hold them.
const std::vector<uint32_t> kValues = [] {
    std::vector<uint32_t> values;
    for (tColour c : kColours)
        values.push_back(Bitmap::PixelValue(c, tPixelFormat::Bits32));
    return values;
}();

// 16 × 8: red on the left half, blue on the right.
QByteArray TwoColourJpeg(bool progressive = false) {
    std::vector<uint8_t> rgb;
    for (int i = 0; i < 128; ++i)
        rgb.insert(rgb.end(), {uint8_t(i % 16 < 8 ? 255 : 0), 0, uint8_t(i % 16 < 8 ? 0 : 255)});
    return WriteJpeg(16, 8, 3, JCS_RGB, rgb, progressive);
}

bool Near(tColour a, tColour b, int tolerance = 6) {
    for (int shift = 0; shift < 24; shift += 8) {
        if (std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)) > tolerance)
            return false;
    }
    return true;
}

TEST(DecodePicture, Jpegs) {
    for (const char* name : {"photo.JpG", "C:\\My.Pictures\\photo.jpeg"}) {
        Bitmap b;
        ASSERT_TRUE(DecodePicture(TwoColourJpeg(), name, b)) << name;
        EXPECT_EQ(b.Width(), 16);
        EXPECT_EQ(b.Height(), 8);
        EXPECT_TRUE(Near(b.Pixel(2, 3), kRed)) << std::hex << b.Pixel(2, 3);
        EXPECT_TRUE(Near(b.Pixel(13, 6), kBlue)) << std::hex << b.Pixel(13, 6);
    }
    Bitmap b;
    ASSERT_TRUE(DecodePicture(TwoColourJpeg(true), "progressive.jpg", b));
    EXPECT_TRUE(Near(b.Pixel(15, 7), kBlue));
    ASSERT_TRUE(
        DecodePicture(WriteJpeg(4, 4, 1, JCS_GRAYSCALE, std::vector<uint8_t>(16, 100)), "grey.jpg", b));
    EXPECT_TRUE(Near(b.Pixel(3, 3), 0x646464, 2));
    std::vector<uint8_t> cmyk; // inverted as Adobe writes it: full magenta ink only
    for (int i = 0; i < 16; ++i)
        cmyk.insert(cmyk.end(), {255, 0, 255, 255});
    ASSERT_TRUE(DecodePicture(WriteJpeg(4, 4, 4, JCS_CMYK, cmyk), "print.jpg", b));
    EXPECT_TRUE(Near(b.Pixel(1, 1), 0xFF00FF)) << std::hex << b.Pixel(1, 1);

    // A valid progressive file of 631 scans (each coefficient refined bit by bit) is
    // refused: hostile files use endless scans to keep the decoder busy.
    std::vector<jpeg_scan_info> scans = {{1, {0}, 0, 0, 0, 0}};
    for (int k = 1; k < 64; ++k) {
        for (int al = 9; al >= 0; --al)
            scans.push_back({1, {0}, k, k, al == 9 ? 0 : al + 1, al});
    }
    const std::vector<uint8_t> grey(64, 100);
    EXPECT_TRUE(DecodePicture(
        WriteJpeg(8, 8, 1, JCS_GRAYSCALE, grey, false, {scans.begin(), scans.begin() + 64}), "many.jpg", b));
    EXPECT_FALSE(DecodePicture(WriteJpeg(8, 8, 1, JCS_GRAYSCALE, grey, false, scans), "many.jpg", b));
}

TEST(DecodePicture, NamesFormatsAndFailures) {
    const QByteArray png = test::WritePng(2, 1, 3, {1, 2, 3, 255, 255, 255});
    Bitmap b(2, 2, tPixelFormat::Bits24);
    b.Fill(kWhite);
    const Bitmap before = b;
    for (const char* name : {"a.tif", "a.jpg", "png", "folder.png/picture"}) // chosen by extension only
        EXPECT_FALSE(DecodePicture(png, name, b)) << name;
    EXPECT_FALSE(DecodePicture(QByteArray(), "a.png", b));
    EXPECT_EQ(b, before);

    SetWorkingPixelFormat(tPixelFormat::Bits16);
    const bool decoded = DecodePicture(png, "a.Png", b);
    SetWorkingPixelFormat(tPixelFormat::Bits24);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(b.Format(), tPixelFormat::Bits16);
    EXPECT_EQ(b.Width(), 2);
    EXPECT_EQ(b.Pixel(1, 0), kWhite);

    const QString path = test::ScratchFolder() + "/picture.bmp";
    ASSERT_TRUE(test::WriteFile(path, BmpFile(5, 3, 24, 0, {}, PatternRows(kValues, 24))));
    ASSERT_TRUE(LoadPictureFile(path, b));
    ExpectPattern(b, kColours, "file");
    EXPECT_FALSE(LoadPictureFile(path + ".missing.bmp", b));
}

TEST(DecodePicture, BmpVariants) {
    Bitmap b;
    for (int bits : {1, 4, 8}) {
        std::vector<tColour> palette(kColours.begin(), kColours.begin() + (bits == 1 ? 2 : 8));
        std::vector<uint32_t> indexes = {0, 1, 2, 3, 4, 5, 6, 7};
        indexes.resize(palette.size());
        ASSERT_TRUE(DecodePicture(BmpFile(5, 3, bits, 0, palette, PatternRows(indexes, bits)), "i.bmp", b));
        ExpectPattern(b, palette, "indexed");
    }
    ASSERT_TRUE(DecodePicture(BmpFile(5, 3, 24, 0, {}, PatternRows(kValues, 24)), "a.bmp", b));
    ExpectPattern(b, kColours, "24-bit");
    ASSERT_TRUE(DecodePicture(BmpFile(5, -3, 24, 0, {}, PatternRows(kValues, 24, true)), "a.bmp", b));
    ExpectPattern(b, kColours, "top-down");
    std::vector<uint32_t> words = kValues;
    for (uint32_t& w : words)
        w |= 0x7F000000; // the unused top byte must not matter
    ASSERT_TRUE(DecodePicture(BmpFile(5, 3, 32, 0, {}, PatternRows(words, 32)), "a.bmp", b));
    ExpectPattern(b, kColours, "32-bit");
    ASSERT_TRUE(DecodePicture(
        BmpFile(5, 3, 16, 0, {}, PatternRows({0x7C00, 0x03E0, 0x001F, 0x7FFF, 0x4210}, 16)), "a.bmp", b));
    ExpectPattern(b, {kRed, kGreen, kBlue, kWhite, 0x848484}, "5-5-5");
    ASSERT_TRUE(DecodePicture(
        BmpFile(5, 3, 16, 3, {}, PatternRows({0xF800, 0x07E0, 0x8410}, 16), {0xF800, 0x07E0, 0x001F}),
        "a.bmp", b));
    ExpectPattern(b, {kRed, kGreen, 0x848284}, "5-6-5 bit fields");
    ASSERT_TRUE(DecodePicture(BmpFile(5, 3, 8, 0, {kBlue, kWhite, kRed}, PatternRows({0, 1, 2}, 8), {}, true),
                              "a.bmp", b));
    ExpectPattern(b, {kBlue, kWhite, kRed}, "core header");
}

TEST(DecodePicture, RunLengthBmps) {
    // Bottom row first. RLE8: a run, end of line; literals, end of line; a move, a run, the end.
    const QByteArray rle8("\x04\x01\x00\x00"
                          "\x00\x03\x02\x03\x01\x00\x00\x00"
                          "\x00\x02\x02\x00\x02\x03\x00\x01",
                          20);
    Bitmap b;
    ASSERT_TRUE(DecodePicture(BmpFile(4, 3, 8, 1, kColours, rle8), "r.bmp", b));
    const int expected8[12] = {-1, -1, 3, 3, 2, 3, 1, -1, 1, 1, 1, 1}; // -1: skipped, black
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(b.Pixel(i % 4, i / 4), expected8[i] < 0 ? 0 : kColours[size_t(expected8[i])]) << i;
    // RLE4: runs alternate two indexes, literals pack two per byte.
    const QByteArray rle4("\x02\x12\x00\x03\x13\x40\x00\x00"
                          "\x00\x03\x56\x70\x00\x01",
                          14);
    ASSERT_TRUE(DecodePicture(BmpFile(5, 2, 4, 2, kColours, rle4), "r.bmp", b));
    const int expected4[10] = {5, 6, 7, -1, -1, 1, 2, 1, 3, 4};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(b.Pixel(i % 5, i / 5), expected4[i] < 0 ? 0 : kColours[size_t(expected4[i])]) << i;
}

TEST(DecodePicture, IconsUseTheirLargestImage) {
    Bitmap b;
    QByteArray ico =
        IcoFile({{2, IconDib(2, kRed, 255)}, {4, IconDib(4, kWhite, 128)}, {3, IconDib(3, kBlue, 255)}});
    ASSERT_TRUE(DecodePicture(ico, "a.ico", b));
    EXPECT_EQ(b.Width(), 4);
    EXPECT_EQ(b.Height(), 4);
    EXPECT_EQ(b.Pixel(3, 0), 0x808080u); // half-transparent white over black

    // The largest (256-pixel) entry is unreadable, so the next one, a PNG, serves.
    std::vector<uint8_t> green;
    for (int i = 0; i < 36; ++i)
        green.insert(green.end(), {0, 255, 0});
    ico =
        IcoFile({{4, IconDib(4, kRed, 255)}, {0, QByteArray(40, 'x')}, {6, test::WritePng(6, 6, 3, green)}});
    ASSERT_TRUE(DecodePicture(ico, "a.ICO", b));
    EXPECT_EQ(b.Width(), 6);
    EXPECT_EQ(b.Pixel(5, 5), kGreen);
}

TEST(DecodePicture, GifsGiveTheirFirstFrameOrTheWholeStrip) {
    std::vector<test::GifFrameDesc> frames;
    for (int i = 0; i < 8; ++i) {
        frames.push_back(test::SolidGifFrame(32, 4, uint8_t(i)));
        frames.back().delay = 5;
    }
    const QByteArray gif = test::WriteGif(32, 4, kColours, frames);
    Bitmap b;
    ASSERT_TRUE(DecodePicture(gif, "dance.gif", b));
    EXPECT_EQ(b.Width(), 32);
    EXPECT_EQ(b.Pixel(31, 3), kColours[0]);

    std::vector<int32_t> ends = {1, 2, 3};
    int count = 0;
    tColour transparent = 0x123;
    ASSERT_TRUE(DecodeAnimation(gif, "dance.GIF", b, ends, count, transparent));
    EXPECT_EQ(b.Width(), 256);
    EXPECT_EQ(b.Height(), 4);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(b.Pixel(i * 32 + 31, 3), kColours[size_t(i)]) << i;
    EXPECT_EQ(count, 8);
    EXPECT_EQ(ends, (std::vector<int32_t>{80, 160, 240, 320, 400, 480, 560, 640}));
    EXPECT_EQ(transparent, 0u); // black is in no map
    EXPECT_FALSE(DecodeAnimation(test::WritePng(1, 1, 1, {0}), "still.png", b, ends, count, transparent));
    EXPECT_TRUE(ends.empty());
}

TEST(DecodePicture, HostileInputFailsSafely) {
    const QByteArray jpeg = TwoColourJpeg(true);
    test::GifFrameDesc half = test::SolidGifFrame(2, 2, 1);
    half.transparent = 0;
    struct Fixture {
        const char* name;
        QByteArray bytes;
        int wholeWithout; // trailing bytes it can lose and still be whole: end markers, last padding
    };
    const std::vector<Fixture> fixtures = {
        {"a.jpg", jpeg, 2},
        {"a.png", test::WritePng(3, 2, 4, std::vector<uint8_t>(24, 200)), 12},
        {"a.bmp", BmpFile(5, 3, 24, 0, {}, PatternRows(kValues, 24)), 1},
        {"a.bmp", BmpFile(5, 3, 4, 0, {kRed, kBlue}, PatternRows({0, 1}, 4)), 1},
        {"a.bmp", BmpFile(4, 2, 8, 1, {kRed, kBlue}, QByteArray("\x04\x01\x00\x00\x02\x00\x00\x01", 8)), 2},
        {"a.ico", IcoFile({{3, IconDib(3, kGreen, 90)}}), 0},
        {"a.gif", test::WriteGif(3, 3, {kRed, kBlue}, {test::SolidGifFrame(3, 3, 0), half}), 0},
    };
    std::mt19937 random(11);
    for (const Fixture& f : fixtures) {
        Bitmap b;
        for (qsizetype n = 0; n < f.bytes.size() - f.wholeWithout; ++n)
            EXPECT_FALSE(DecodePicture(f.bytes.left(n), f.name, b)) << f.name << " cut to " << n;
        for (int round = 0; round < 250; ++round) {
            QByteArray bad = f.bytes;
            for (int flips = 1 + round % 4; flips > 0; --flips)
                bad[random() % bad.size()] = char(random());
            if (DecodePicture(bad, f.name, b)) {
                EXPECT_TRUE(PictureSizeAllowed(b.Width(), b.Height())) << f.name;
            }
        }
    }

    // Small files claiming huge pictures.
    Bitmap b;
    QByteArray bigJpeg = jpeg;
    const qsizetype frame = bigJpeg.indexOf("\xFF\xC2"); // progressive frame header: height, width at +5
    ASSERT_GT(frame, 0);
    bigJpeg.replace(frame + 5, 4, QByteArray("\xFD\xE8\xFD\xE8", 4)); // 65000 × 65000
    EXPECT_FALSE(DecodePicture(bigJpeg, "big.jpg", b));
    EXPECT_FALSE(DecodePicture(BmpFile(100000, 100000, 24, 0, {}, QByteArray(64, 0)), "big.bmp", b));
    EXPECT_FALSE(DecodePicture(BmpFile(8000, 8000, 24, 0, {}, QByteArray(64, 0)), "short.bmp", b));
    // Run-length and LZW data can describe a big blank picture in a few bytes: beyond what any
    // picture may hold, the data must match the size.
    const QByteArray endOfPicture("\x00\x01", 2);
    EXPECT_TRUE(DecodePicture(BmpFile(2048, 2048, 8, 1, {kRed}, endOfPicture), "blank.bmp", b));
    EXPECT_EQ(b.Height(), 2048);
    EXPECT_FALSE(DecodePicture(BmpFile(2048, 2049, 8, 1, {kRed}, endOfPicture), "blank.bmp", b));
    const QByteArray blank(4096 * 4096 / kMostPixelsPerDataByte, '\0');
    EXPECT_TRUE(DecodePicture(BmpFile(4096, 4096, 8, 1, {kRed}, blank + endOfPicture), "long.bmp", b));
    EXPECT_TRUE(
        DecodePicture(test::WriteGif(2000, 2000, {kRed, kBlue}, {test::SolidGifFrame(2, 2, 1)}), "c.gif", b));
    EXPECT_FALSE(
        DecodePicture(test::WriteGif(2000, 2000, {kRed, kBlue}, {test::SolidGifFrame(2, 2, 1), half}),
                      "c.gif", b)); // the strip of two frames is beyond what the file describes
    QByteArray farIcon = IcoFile({{3, IconDib(3, kGreen, 255)}});
    farIcon.replace(18, 4, QByteArray("\xF0\xFF\xFF\xFF", 4)); // image offset beyond the file
    EXPECT_FALSE(DecodePicture(farIcon, "far.ico", b));
}

} // namespace
} // namespace lyrimo
