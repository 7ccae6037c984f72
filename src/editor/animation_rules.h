// The rules behind the ball selector, the Instrumental Animation page, the animation wizard and the
// colour picker, without a window: which ball a grid cell holds and what choosing it writes, the
// placement bits of an instrumental animation, strip assembly from single pictures, and the
// picker's window size.
#pragma once

#include "picture/bitmap.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

namespace lyrimo {

class tLyricsData;
class tPartRecord;

// The selector's grid of built-in balls: 9 columns of 6 rows of 33-pixel cells.
constexpr int kBallGridColumns = 9;
constexpr int kBallGridRows = 6;
constexpr int kBallGridCell = 33;
constexpr int kBuiltInBallCount = kBallGridColumns * kBallGridRows;
// The first ball whose number is stored in the high byte's style.
constexpr int kFirstHighBall = 45;

// The ball in the cell under (x, y), relative to the grid's top left.
int BallAtGridPoint(int x, int y);
// The top left of ball's cell.
int BallCellX(int ball);
int BallCellY(int ball);

// The built-in ball a part shows, 0..53.
int SelectedBuiltInBall(const tLyricsData& part);
// Writes ball as the part's built-in ball.
void SelectBuiltInBall(tLyricsData& part, int ball);

struct tBallFlags {
    bool bouncing = true;
    bool animating = true;
    bool forward = true;
};
tBallFlags BallFlagsOf(const tPartRecord& record);
void StoreBallFlags(tPartRecord& record, const tBallFlags& flags);

// The "Animation:" entries of the Instrumental Animation page.
enum tAnimationEntry { kNoAnimation = 0, kCustomAnimation = 5, kAnimationEntryCount = 6 };
// The entry a part shows: the custom one when its picture is enabled.
int AnimationEntryOf(const tLyricsData& part);
// Chooses an entry: enables the custom picture exactly for the custom entry, and stores any other
// as the built-in animation.
void SetAnimationEntry(tLyricsData& part, int entry);

// An instrumental animation's placement byte: horizontal position (left, middle, right) in bits
// 0-1, vertical position (top, middle, bottom) in bits 2-3, scrolling on and off in bit 4.
constexpr uint8_t kPlacementScrolls = 0x10;
int PlacementHorizontal(uint8_t placement);
int PlacementVertical(uint8_t placement);
bool PlacementScrolls(uint8_t placement);
uint8_t WithHorizontal(uint8_t placement, int horizontal);
uint8_t WithVertical(uint8_t placement, int vertical);
// Unchecking keeps only the two positions.
uint8_t WithScrolls(uint8_t placement, bool scrolls);
// Scrolling can be chosen for a shown animation that is not in the very middle.
bool ScrollChoiceEnabled(int entry, int horizontal, int vertical);

struct tPoint {
    int x = 0;
    int y = 0;
    bool operator==(const tPoint&) const = default;
};
struct tSize {
    int width = 0;
    int height = 0;
    bool operator==(const tSize&) const = default;
};

// Where a frame of size frame goes in a panel for a placement.
tPoint AnimationFramePosition(uint8_t placement, tSize panel, tSize frame);

// A strip of single pictures side by side, each in a cell as large as the largest width and height
// met (at least 1 x 1). A picture that cannot be decoded leaves its cell empty (black).
struct tAssembledStrip {
    Bitmap strip;
    tSize frame;
    int frameCount = 0;
};
// progress(step) runs 1..2n as the pictures are measured and then drawn.
tAssembledStrip AssembleStrip(const QStringList& files, tPixelFormat format,
                              const std::function<void(int step)>& progress = {});

// The colour picker's client size for a picture: doubled while narrower than 140 or lower than
// 40, then halved while larger than the screen.
tSize PickerWindowSize(tSize picture, tSize screen);
// Half the window size, but at least 100 x 50.
tSize PickerMinimumSize(tSize window);
// The top left of the swatch that follows the pointer: 30 pixels right of and above it, on the
// other side where there is no room, at the top in a low window.
tPoint PickerSwatchPosition(tPoint pointer, tSize window, tSize swatch);
// The picture pixel under a window point when the picture is stretched over the window.
tPoint PicturePointUnder(tPoint windowPoint, tSize window, tSize picture);

// A picture file that the wizard reads as an animated picture rather than a strip.
bool IsAnimatedPictureName(const QString& fileName);

} // namespace lyrimo
