// The pictures built into the program: the balls and the instrumental animations.
//
// They are drawn by assets/artwork/make_builtin_pictures at build time and compiled in
// as PNG bytes, so nothing is read from disk when a song plays. The layouts below are
// what the ball and animation loaders cut their strips from:
//   "BALLS1"  balls 0..44 in cells of 31 × 31: ball n in column n mod 15, in the group of
//             three rows starting at row 3 × (n div 15); the three rows are its frames.
//   "BALLS2"  balls 45..52: ball n in column n − 45, 15 frames down the rows.
//   "BALLS3"  ball 53: one column of 19 frames (the first 15 are used).
//   "INSTR1".."INSTR4"  horizontal strips of 9, 9, 5 and 6 frames; pixel (0, 0) holds the
//             background colour, which occurs nowhere else.
// Ball cells are drawn on black, the balls' transparent colour; no ball pixel is black.
#pragma once

#include "picture/bitmap.h"

#include <QStringView>

#include <cstdint>
#include <optional>
#include <span>

namespace lyrimo {

enum class tBuiltInPicture { Balls1, Balls2, Balls3, Instr1, Instr2, Instr3, Instr4 };
constexpr int kBuiltInPictureCount = 7;

struct tBuiltInPictureLayout {
    const char* name; // the resource name, "BALLS1" .. "INSTR4"
    int width;        // the whole picture
    int height;
    int frameWidth; // one cell
    int frameHeight;
};

constexpr tBuiltInPictureLayout kBuiltInPictureLayouts[kBuiltInPictureCount] = {
    {"BALLS1", 465, 279, 31, 31},    {"BALLS2", 248, 465, 31, 31},    {"BALLS3", 31, 589, 31, 31},
    {"INSTR1", 1152, 128, 128, 128}, {"INSTR2", 1152, 128, 128, 128}, {"INSTR3", 1090, 250, 218, 250},
    {"INSTR4", 1680, 201, 280, 201},
};

constexpr int kBallCellSize = 31;
constexpr int kSimpleBallCount = 45;   // balls 0..44, in "BALLS1"
constexpr int kAnimatedBallFirst = 45; // balls 45..52, in "BALLS2"
constexpr int kRollingBall = 53;       // ball 53, in "BALLS3"
constexpr int kBuiltInBallCount = 54;
constexpr int kInstrumentalAnimationCount = 4;

constexpr const tBuiltInPictureLayout& LayoutOf(tBuiltInPicture which) {
    return kBuiltInPictureLayouts[static_cast<int>(which)];
}

// The decoded picture (32-bit), made on first use and kept for the program's life.
// Empty for a value outside the enumeration.
const Bitmap& BuiltInPicture(tBuiltInPicture which);

// The picture's PNG bytes as compiled into the program.
std::span<const uint8_t> BuiltInPicturePng(tBuiltInPicture which);

// "BALLS1" .. "INSTR4", in any letter case; nothing for other names.
std::optional<tBuiltInPicture> FindBuiltInPicture(QStringView name);

// Frames (cell rows) the picture holds for built-in ball `ball` (0..53): 3, 15 or 19; 0
// outside the tables.
constexpr int BuiltInBallFrameRows(int ball) {
    if (ball < 0 || ball >= kBuiltInBallCount)
        return 0;
    if (ball < kSimpleBallCount)
        return 3;
    if (ball < kRollingBall)
        return 15;
    return LayoutOf(tBuiltInPicture::Balls3).height / kBallCellSize;
}

// Where frame `frame` of built-in ball `ball` lies: its picture and the top left of its
// 31 × 31 cell. Nothing for a ball or frame outside the tables.
struct tBallCell {
    tBuiltInPicture picture;
    int x;
    int y;
};
constexpr std::optional<tBallCell> BuiltInBallCell(int ball, int frame) {
    if (frame < 0 || frame >= BuiltInBallFrameRows(ball))
        return std::nullopt;
    if (ball < kSimpleBallCount) {
        int column = ball % 15, firstRow = 3 * (ball / 15);
        return tBallCell{tBuiltInPicture::Balls1, column * kBallCellSize, (firstRow + frame) * kBallCellSize};
    }
    if (ball < kRollingBall)
        return tBallCell{tBuiltInPicture::Balls2, (ball - kAnimatedBallFirst) * kBallCellSize,
                         frame * kBallCellSize};
    return tBallCell{tBuiltInPicture::Balls3, 0, frame * kBallCellSize};
}

// The strip of instrumental animation `index` (0..3) and its number of frames.
constexpr std::optional<tBuiltInPicture> InstrumentPicture(int index) {
    if (index < 0 || index >= kInstrumentalAnimationCount)
        return std::nullopt;
    return static_cast<tBuiltInPicture>(static_cast<int>(tBuiltInPicture::Instr1) + index);
}
constexpr int InstrumentFrameCount(int index) {
    std::optional<tBuiltInPicture> picture = InstrumentPicture(index);
    if (!picture)
        return 0;
    return LayoutOf(*picture).width / LayoutOf(*picture).frameWidth;
}

} // namespace lyrimo
