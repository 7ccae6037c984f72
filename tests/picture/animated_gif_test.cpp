#include "picture/animated_gif.h"

#include "picture_fixtures.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>

namespace lyrimo {
namespace {

using test::GifFrameDesc;
using test::SolidGifFrame;
using test::WriteGif;

constexpr tColour A = 0x2040C0, B = 0x30A050, C = 0xE01010;

// Row y of cell `frame`, left to right.
std::vector<tColour> CellRow(const tEasyAnimatedGif& gif, int frame, int y = 0) {
    std::vector<tColour> row;
    for (int x = 0; x < gif.FrameWidth(); ++x)
        row.push_back(gif.Strip.Pixel(frame * gif.FrameWidth() + x, y));
    return row;
}

TEST(AnimatedGif, KeyColourIsTheSmallestColourNoMapHolds) {
    tEasyAnimatedGif gif;
    ASSERT_TRUE(gif.LoadFromMemory(WriteGif(2, 1, {A, B}, {SolidGifFrame(2, 1, 0)})));
    EXPECT_EQ(gif.KeyColour, 0u);

    // Global map 0 and 1, a later local map 2; the first frame's transparent colour (1)
    // is in a map and so cannot serve.
    GifFrameDesc first = SolidGifFrame(2, 1, 0), second = SolidGifFrame(2, 1, 0);
    first.transparent = 1;
    second.localMap = {2, A};
    ASSERT_TRUE(gif.LoadFromMemory(WriteGif(2, 1, {0, 1}, {first, second})));
    EXPECT_EQ(gif.KeyColour, 3u);
}

TEST(AnimatedGif, FramesComposeWithTransparencyDisposalAndTimes) {
    GifFrameDesc f0 = SolidGifFrame(4, 1, 0), f1 = SolidGifFrame(2, 1, 1), f2 = SolidGifFrame(1, 1, 2),
                 f3 = SolidGifFrame(1, 1, 1), f4 = SolidGifFrame(1, 1, 0);
    f0.delay = 3; // below 8 hundredths: 80 ms
    f1.left = 1, f1.indexes = {1, 2}, f1.transparent = 2, f1.delay = 0;
    f1.disposal = 2; // cleared to the key colour afterwards
    f2.left = 3, f2.delay = 25;
    f2.disposal = 3;    // what it covered comes back
    f3.control = false; // 100 ms, and the next frame builds on it
    f4.left = 1;
    tEasyAnimatedGif gif;
    ASSERT_TRUE(gif.LoadFromMemory(WriteGif(4, 1, {A, B, C}, {f0, f1, f2, f3, f4})));
    const tColour k = gif.KeyColour;
    ASSERT_EQ(k, 0u);
    EXPECT_EQ(CellRow(gif, 0), (std::vector<tColour>{A, A, A, A}));
    EXPECT_EQ(CellRow(gif, 1), (std::vector<tColour>{A, B, A, A}));
    EXPECT_EQ(CellRow(gif, 2), (std::vector<tColour>{A, k, k, C}));
    EXPECT_EQ(CellRow(gif, 3), (std::vector<tColour>{B, k, k, A}));
    EXPECT_EQ(CellRow(gif, 4), (std::vector<tColour>{B, A, k, A}));
    EXPECT_EQ(gif.FrameEnds, (std::vector<int32_t>{80, 160, 410, 510, 610}));
    EXPECT_EQ(gif.TotalDuration, 610);
}

TEST(AnimatedGif, InterlacingClippingAndSizelessPictures) {
    GifFrameDesc interlaced = SolidGifFrame(3, 10, 0), overhanging = SolidGifFrame(3, 12, 1);
    for (int y = 0; y < 10; ++y)
        std::fill_n(interlaced.indexes.begin() + y * 3, 3, uint8_t(y % 3));
    interlaced.interlace = true;
    overhanging.left = 2; // only its first column is inside the picture
    tEasyAnimatedGif gif;
    ASSERT_TRUE(gif.LoadFromMemory(WriteGif(3, 10, {A, B, C}, {interlaced, overhanging})));
    const tColour colours[3] = {A, B, C};
    for (int y = 0; y < 10; ++y)
        EXPECT_EQ(CellRow(gif, 0, y), std::vector<tColour>(3, colours[y % 3])) << y;
    EXPECT_EQ(CellRow(gif, 1, 2), (std::vector<tColour>{C, C, B}));

    GifFrameDesc f = SolidGifFrame(3, 2, 1);
    f.left = 1;
    ASSERT_TRUE(gif.LoadFromMemory(WriteGif(0, 0, {A, B}, {f}))); // no size: the first image's extent
    EXPECT_EQ(gif.Width(), 4);
    EXPECT_EQ(gif.Strip.Pixel(3, 1), B);
}

TEST(AnimatedGif, HoursOfDelaysSaturateInsteadOfWrapping) {
    std::vector<GifFrameDesc> frames(3300, SolidGifFrame(1, 1, 0));
    for (GifFrameDesc& f : frames)
        f.delay = 65535; // 655 s each: together beyond 32 bits of milliseconds
    tEasyAnimatedGif gif;
    ASSERT_TRUE(gif.LoadFromMemory(WriteGif(1, 1, {A, B}, frames)));
    EXPECT_TRUE(std::is_sorted(gif.FrameEnds.begin(), gif.FrameEnds.end()));
    EXPECT_EQ(gif.TotalDuration, INT32_MAX);
}

TEST(AnimatedGif, FilesAndFailedLoads) {
    const QString path = test::ScratchFolder() + "/two.gif";
    ASSERT_TRUE(
        test::WriteFile(path, WriteGif(2, 2, {A, B}, {SolidGifFrame(2, 2, 0), SolidGifFrame(2, 2, 1)})));
    tEasyAnimatedGif gif;
    ASSERT_TRUE(gif.LoadFile(path));
    EXPECT_EQ(gif.FrameCount, 2);
    EXPECT_FALSE(gif.LoadFile(path + ".missing"));
    EXPECT_EQ(gif.FrameCount, 0); // a failed load leaves nothing behind
    EXPECT_TRUE(gif.Strip.IsEmpty());
    EXPECT_TRUE(gif.FrameEnds.empty());
    // A picture claiming 65535 × 65535 pixels for a one-pixel image.
    EXPECT_FALSE(gif.LoadFromMemory(WriteGif(65535, 65535, {A, B}, {SolidGifFrame(1, 1, 0)})));
}

TEST(AnimatedGif, HostileInputFailsSafely) {
    GifFrameDesc f1 = SolidGifFrame(2, 2, 1), f2 = SolidGifFrame(3, 3, 2);
    f1.disposal = 2, f1.localMap = {C, B, A};
    f2.interlace = true;
    const QByteArray good = WriteGif(3, 3, {A, B, C}, {SolidGifFrame(3, 3, 0), f1, f2});
    tEasyAnimatedGif gif;
    for (qsizetype n = 0; n < good.size(); ++n)
        EXPECT_FALSE(gif.LoadFromMemory(good.left(n))) << "cut to " << n;
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        QByteArray bad = good;
        for (int flips = 1 + round % 3; flips > 0; --flips)
            bad[random() % bad.size()] = char(random());
        if (gif.LoadFromMemory(bad)) {
            EXPECT_EQ(gif.Width(), gif.FrameCount * gif.FrameWidth());
            EXPECT_EQ(gif.FrameEnds.size(), size_t(gif.FrameCount));
        }
    }
}

} // namespace
} // namespace lyrimo
