#include "render/builtin_pictures.h"

#include <gtest/gtest.h>

#include <QString>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace lyrimo {
namespace {

struct tExpectedPicture {
    const char* name;
    tBuiltInPicture which;
    int width, height;
};

const tExpectedPicture kTable[] = {
    {"BALLS1", tBuiltInPicture::Balls1, 465, 279},  {"BALLS2", tBuiltInPicture::Balls2, 248, 465},
    {"BALLS3", tBuiltInPicture::Balls3, 31, 589},   {"INSTR1", tBuiltInPicture::Instr1, 1152, 128},
    {"INSTR2", tBuiltInPicture::Instr2, 1152, 128}, {"INSTR3", tBuiltInPicture::Instr3, 1090, 250},
    {"INSTR4", tBuiltInPicture::Instr4, 1680, 201},
};

constexpr int kCell = 31;

// The non-black pixels of one 31 × 31 ball cell.
struct tCellShape {
    int pixels = 0;
    int left = kCell, right = -1, top = kCell, bottom = -1;
    int Width() const { return right - left + 1; }
    int Height() const { return bottom - top + 1; }
};

tCellShape ShapeOf(const Bitmap& picture, const tBallCell& cell) {
    tCellShape shape;
    for (int y = 0; y < kCell; ++y) {
        for (int x = 0; x < kCell; ++x) {
            if (picture.Pixel(cell.x + x, cell.y + y) == 0)
                continue;
            ++shape.pixels;
            shape.left = std::min(shape.left, x);
            shape.right = std::max(shape.right, x);
            shape.top = std::min(shape.top, y);
            shape.bottom = std::max(shape.bottom, y);
        }
    }
    return shape;
}

// Black pixels the surrounding black cannot reach: holes that would show the background
// through a ball. Black is flooded in from the cell's border, four ways.
int EnclosedBlackPixels(const Bitmap& picture, const tBallCell& cell) {
    auto black = [&](int x, int y) { return picture.Pixel(cell.x + x, cell.y + y) == 0; };
    std::vector<char> reached(kCell * kCell, 0);
    std::vector<std::pair<int, int>> pending;
    for (int i = 0; i < kCell; ++i)
        pending.insert(pending.end(), {{i, 0}, {i, kCell - 1}, {0, i}, {kCell - 1, i}});
    while (!pending.empty()) {
        auto [x, y] = pending.back();
        pending.pop_back();
        if (x < 0 || y < 0 || x >= kCell || y >= kCell || reached[y * kCell + x] || !black(x, y))
            continue;
        reached[y * kCell + x] = 1;
        pending.insert(pending.end(), {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}});
    }
    int enclosed = 0;
    for (int y = 0; y < kCell; ++y) {
        for (int x = 0; x < kCell; ++x)
            enclosed += black(x, y) && !reached[y * kCell + x];
    }
    return enclosed;
}

bool SameCell(const Bitmap& picture, const tBallCell& a, const tBallCell& b) {
    for (int y = 0; y < kCell; ++y) {
        for (int x = 0; x < kCell; ++x) {
            if (picture.Pixel(a.x + x, a.y + y) != picture.Pixel(b.x + x, b.y + y))
                return false;
        }
    }
    return true;
}

// The picture as the renderer holds it in its 16-bit working format.
Bitmap In16Bits(const Bitmap& picture) {
    Bitmap narrow = picture;
    narrow.SetFormat(tPixelFormat::Bits16);
    return narrow;
}

TEST(BuiltInPictures, NamesAndSizesFollowTheTable) {
    for (const tExpectedPicture& expected : kTable) {
        SCOPED_TRACE(expected.name);
        EXPECT_EQ(FindBuiltInPicture(QString::fromLatin1(expected.name)), expected.which);
        EXPECT_EQ(FindBuiltInPicture(QString::fromLatin1(expected.name).toLower()), expected.which);
        const Bitmap& picture = BuiltInPicture(expected.which);
        EXPECT_EQ(picture.Width(), expected.width);
        EXPECT_EQ(picture.Height(), expected.height);
        EXPECT_EQ(&BuiltInPicture(expected.which), &picture); // decoded once and kept
    }
    EXPECT_FALSE(FindBuiltInPicture(u"BALLS4"));
    EXPECT_FALSE(FindBuiltInPicture(u"INSTR"));
    EXPECT_FALSE(FindBuiltInPicture(u""));
    EXPECT_TRUE(BuiltInPicture(static_cast<tBuiltInPicture>(7)).IsEmpty());
    EXPECT_TRUE(BuiltInPicturePng(static_cast<tBuiltInPicture>(-1)).empty());
}

TEST(BuiltInPictures, BallAndStripLookupsFollowTheLayout) {
    auto cell = [](int ball, int frame) { return BuiltInBallCell(ball, frame); };
    auto expectCell = [&](int ball, int frame, tBuiltInPicture picture, int x, int y) {
        SCOPED_TRACE(testing::Message() << "ball " << ball << " frame " << frame);
        auto found = cell(ball, frame);
        ASSERT_TRUE(found);
        EXPECT_EQ(found->picture, picture);
        EXPECT_EQ(found->x, x);
        EXPECT_EQ(found->y, y);
    };
    expectCell(0, 0, tBuiltInPicture::Balls1, 0, 0);
    expectCell(16, 2, tBuiltInPicture::Balls1, 31, 155);
    expectCell(44, 1, tBuiltInPicture::Balls1, 434, 217);
    expectCell(45, 14, tBuiltInPicture::Balls2, 0, 434);
    expectCell(52, 0, tBuiltInPicture::Balls2, 217, 0);
    expectCell(53, 18, tBuiltInPicture::Balls3, 0, 558);
    EXPECT_FALSE(cell(0, 3));
    EXPECT_FALSE(cell(45, 15));
    EXPECT_FALSE(cell(53, 19));
    EXPECT_FALSE(cell(54, 0));
    EXPECT_FALSE(cell(-1, 0));
    EXPECT_FALSE(cell(10, -1));

    const int frames[] = {9, 9, 5, 6};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(InstrumentPicture(i),
                  static_cast<tBuiltInPicture>(static_cast<int>(tBuiltInPicture::Instr1) + i));
        EXPECT_EQ(InstrumentFrameCount(i), frames[i]);
    }
    EXPECT_FALSE(InstrumentPicture(4));
    EXPECT_EQ(InstrumentFrameCount(-1), 0);
}

// Every cell of every ball holds a whole, centred ball standing on the cell's bottom, with
// no black (transparent) pixel inside it, in 32-bit and in 16-bit pixels alike.
TEST(BuiltInPictures, EveryBallCellHoldsAWholeBall) {
    const Bitmap* pictures[3] = {&BuiltInPicture(tBuiltInPicture::Balls1),
                                 &BuiltInPicture(tBuiltInPicture::Balls2),
                                 &BuiltInPicture(tBuiltInPicture::Balls3)};
    const Bitmap narrow[3] = {In16Bits(*pictures[0]), In16Bits(*pictures[1]), In16Bits(*pictures[2])};
    int cells = 0;
    for (int ball = 0; ball < kBuiltInBallCount; ++ball) {
        for (int frame = 0; frame < BuiltInBallFrameRows(ball); ++frame) {
            SCOPED_TRACE(testing::Message() << "ball " << ball << " frame " << frame);
            tBallCell cell = *BuiltInBallCell(ball, frame);
            const int picture = static_cast<int>(cell.picture);
            tCellShape shape = ShapeOf(*pictures[picture], cell);
            ASSERT_GE(shape.pixels, 60);
            EXPECT_GE(shape.Height(), 12);
            EXPECT_NEAR((shape.left + shape.right) / 2.0, 15.0, 3.5);
            EXPECT_GE(shape.top, 1) << "reaches into the cell above";
            EXPECT_GE(shape.bottom, 28) << "does not stand on the ground";
            EXPECT_EQ(EnclosedBlackPixels(*pictures[picture], cell), 0);
            EXPECT_EQ(EnclosedBlackPixels(narrow[picture], cell), 0);
            ++cells;
        }
    }
    EXPECT_EQ(cells, 45 * 3 + 8 * 15 + 19);
}

// The still balls' rows are their landing: round, then wider and flatter, always touching
// the ground.
TEST(BuiltInPictures, StillBallsSquashWhenTheyLand) {
    const Bitmap& picture = BuiltInPicture(tBuiltInPicture::Balls1);
    for (int ball = 0; ball < 30; ++ball) {
        SCOPED_TRACE(testing::Message() << "ball " << ball);
        tCellShape rows[3];
        for (int frame = 0; frame < 3; ++frame) {
            rows[frame] = ShapeOf(picture, *BuiltInBallCell(ball, frame));
            EXPECT_EQ(rows[frame].bottom, kCell - 1);
        }
        EXPECT_GT(rows[0].Height(), rows[1].Height());
        EXPECT_GT(rows[1].Height(), rows[2].Height());
        EXPECT_LE(rows[0].Width(), rows[1].Width());
        EXPECT_LE(rows[1].Width(), rows[2].Width());
        EXPECT_LT(rows[0].Width(), rows[2].Width());
    }
}

// Animated balls change from frame to frame: balls 30..44 across their three rows, balls
// 45..52 and 53 from each of the frames in use to the next, round the loop.
TEST(BuiltInPictures, AnimatedBallFramesChange) {
    const Bitmap& balls1 = BuiltInPicture(tBuiltInPicture::Balls1);
    for (int ball = 30; ball < 45; ++ball) {
        SCOPED_TRACE(testing::Message() << "ball " << ball);
        tBallCell rows[3] = {*BuiltInBallCell(ball, 0), *BuiltInBallCell(ball, 1), *BuiltInBallCell(ball, 2)};
        EXPECT_FALSE(SameCell(balls1, rows[0], rows[1]));
        EXPECT_FALSE(SameCell(balls1, rows[1], rows[2]));
        EXPECT_FALSE(SameCell(balls1, rows[0], rows[2]));
    }
    for (int ball = 45; ball <= 53; ++ball) {
        const Bitmap& picture =
            BuiltInPicture(ball == 53 ? tBuiltInPicture::Balls3 : tBuiltInPicture::Balls2);
        for (int frame = 0; frame < 15; ++frame) {
            SCOPED_TRACE(testing::Message() << "ball " << ball << " frame " << frame);
            EXPECT_FALSE(
                SameCell(picture, *BuiltInBallCell(ball, frame), *BuiltInBallCell(ball, (frame + 1) % 15)));
        }
    }
}

// The largest difference of one channel between two colours.
int ChannelDistance(tColour a, tColour b) {
    int distance = 0;
    for (int shift = 0; shift < 24; shift += 8)
        distance = std::max(distance, std::abs(static_cast<int>((a >> shift) & 0xFF) -
                                               static_cast<int>((b >> shift) & 0xFF)));
    return distance;
}

int KeyPixels(const Bitmap& strip, tColour key) {
    int count = 0;
    for (int y = 0; y < strip.Height(); ++y) {
        for (int x = 0; x < strip.Width(); ++x)
            count += strip.Pixel(x, y) == key;
    }
    return count;
}

// Each frame of a strip is drawn inside its own cell on the background colour of pixel
// (0, 0); no drawn pixel comes near that colour, so none turns transparent, not even when
// the strip is narrowed to 16-bit pixels; and the picture moves from frame to frame.
TEST(BuiltInPictures, InstrumentStripsKeepTheirBackgroundApart) {
    for (int index = 0; index < kInstrumentalAnimationCount; ++index) {
        SCOPED_TRACE(testing::Message() << "strip " << index + 1);
        const tBuiltInPictureLayout& layout = LayoutOf(*InstrumentPicture(index));
        const Bitmap& strip = BuiltInPicture(*InstrumentPicture(index));
        ASSERT_EQ(strip.Width(), layout.frameWidth * InstrumentFrameCount(index));
        const tColour key = strip.Pixel(0, 0);
        const int width = layout.frameWidth, height = strip.Height();

        int nearest = 255;
        std::vector<std::vector<tColour>> frames(InstrumentFrameCount(index));
        for (int frame = 0; frame < InstrumentFrameCount(index); ++frame) {
            int drawn = 0, borderDrawn = 0;
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    tColour colour = strip.Pixel(frame * width + x, y);
                    frames[frame].push_back(colour);
                    if (colour == key)
                        continue;
                    ++drawn;
                    nearest = std::min(nearest, ChannelDistance(colour, key));
                    borderDrawn += x == 0 || y == 0 || x == width - 1 || y == height - 1;
                }
            }
            EXPECT_EQ(borderDrawn, 0) << "frame " << frame << " runs over its cell's edge";
            EXPECT_GT(drawn, width * height / 30) << "frame " << frame << " is nearly empty";
        }
        EXPECT_GE(nearest, 8);
        EXPECT_EQ(KeyPixels(In16Bits(strip), Bitmap::ColourOf(Bitmap::PixelValue(key, tPixelFormat::Bits16),
                                                              tPixelFormat::Bits16)),
                  KeyPixels(strip, key));
        for (size_t frame = 0; frame < frames.size(); ++frame)
            EXPECT_NE(frames[frame], frames[(frame + 1) % frames.size()]) << "frame " << frame;
    }
}

} // namespace
} // namespace lyrimo
