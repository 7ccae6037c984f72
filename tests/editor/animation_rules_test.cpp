// The ball selector's, animation page's, wizard's and colour picker's rules, without a window.
#include "editor/animation_rules.h"

#include "document/song.h"
#include "picture/bitmap_bmp.h"
#include "picture/bitmap_png.h"
#include "picture/picture_decode.h"
#include "test_support.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace lyrimo;

namespace {

TEST(AnimationRules, GridPointsPickTheirCellClampedToTheGrid) {
    EXPECT_EQ(BallAtGridPoint(0, 0), 0);
    EXPECT_EQ(BallAtGridPoint(-5, -5), 0);
    EXPECT_EQ(BallAtGridPoint(33, 1), 0); // the first cell runs from 1 to 33
    EXPECT_EQ(BallAtGridPoint(34, 1), 1);
    EXPECT_EQ(BallAtGridPoint(1, 34), 9);
    EXPECT_EQ(BallAtGridPoint(298, 199), 53);
    EXPECT_EQ(BallAtGridPoint(5000, 5000), 53);
    EXPECT_EQ(BallCellX(53), 8 * 33);
    EXPECT_EQ(BallCellY(53), 5 * 33);
}

TEST(AnimationRules, ChoosingABallWritesNumberHighByteAndStyle) {
    tLyricsData part;
    SelectBuiltInBall(part, 53);
    EXPECT_EQ(part.PartRecord.BallNumber(), 53);
    EXPECT_EQ(part.PartRecord.BallNumberHigh(), 8);
    EXPECT_EQ(part.PartExtras.BallStyle(), 1);
    EXPECT_EQ(SelectedBuiltInBall(part), 53);

    SelectBuiltInBall(part, 44);
    EXPECT_EQ(part.PartRecord.BallNumberHigh(), 255);
    EXPECT_EQ(part.PartExtras.BallStyle(), 2);
    EXPECT_EQ(SelectedBuiltInBall(part), 44);

    // A high-style ball is read from the high byte, whatever the plain number says.
    part.PartExtras.setBallStyle(1);
    part.PartRecord.setBallNumberHigh(3);
    EXPECT_EQ(SelectedBuiltInBall(part), 48);
}

TEST(AnimationRules, BallFlagsAreStoredInverted) {
    tPartRecord record;
    StoreBallFlags(record, {false, true, false});
    EXPECT_EQ(record.BallNoBounce(), 1);
    EXPECT_EQ(record.BallNoAnimation(), 0);
    EXPECT_EQ(record.BallSpinForward(), 0);
    const tBallFlags flags = BallFlagsOf(record);
    EXPECT_FALSE(flags.bouncing);
    EXPECT_TRUE(flags.animating);
    EXPECT_FALSE(flags.forward);
}

TEST(AnimationRules, CustomEntryEnablesThePictureAndKeepsTheBuiltInChoice) {
    tLyricsData part;
    SetAnimationEntry(part, 3);
    EXPECT_EQ(AnimationEntryOf(part), 3);
    SetAnimationEntry(part, kCustomAnimation);
    EXPECT_EQ(part.Slots[kAnimationSlot].Record.Enabled(), 1);
    EXPECT_EQ(part.PartExtras.InstrumentalAnimation(), 3);
    EXPECT_EQ(AnimationEntryOf(part), kCustomAnimation);
    SetAnimationEntry(part, kNoAnimation);
    EXPECT_EQ(part.Slots[kAnimationSlot].Record.Enabled(), 0);
    EXPECT_EQ(AnimationEntryOf(part), kNoAnimation);
}

TEST(AnimationRules, PositionEditsKeepTheOtherBitsAndUncheckingScrollKeepsPositionsOnly) {
    uint8_t placement = WithScrolls(0, true);
    placement = WithHorizontal(placement, 2);
    placement = WithVertical(placement, 1);
    EXPECT_TRUE(PlacementScrolls(placement));
    EXPECT_EQ(PlacementHorizontal(placement), 2);
    EXPECT_EQ(PlacementVertical(placement), 1);
    EXPECT_EQ(WithScrolls(uint8_t(placement | 0xE0), false), 0x06);

    EXPECT_FALSE(ScrollChoiceEnabled(kNoAnimation, 0, 0));
    EXPECT_FALSE(ScrollChoiceEnabled(1, 1, 1));
    EXPECT_TRUE(ScrollChoiceEnabled(1, 1, 2));
    // The very middle disables the choice but does not clear what is stored.
    EXPECT_TRUE(PlacementScrolls(WithVertical(WithHorizontal(placement, 1), 1)));
}

TEST(AnimationRules, FramesArePlacedAtStartMiddleOrEnd) {
    const tSize panel{300, 200};
    const tSize frame{100, 50};
    EXPECT_EQ(AnimationFramePosition(0x00, panel, frame), (tPoint{0, 0}));
    EXPECT_EQ(AnimationFramePosition(0x05, panel, frame), (tPoint{100, 75}));
    EXPECT_EQ(AnimationFramePosition(0x0A, panel, frame), (tPoint{200, 150}));
}

TEST(AnimationRules, PicturesOfDifferentSizesMakeAStripOfTheLargestCellSavedAsBmp) {
    const QString folder = test::ScratchFolder();
    Bitmap tall(30, 40, tPixelFormat::Bits24);
    tall.Fill(0x0000FF);
    Bitmap wide(50, 20, tPixelFormat::Bits24);
    wide.Fill(0x00FF00);
    ASSERT_TRUE(SavePng(tall, folder + "/tall.png"));
    ASSERT_TRUE(SavePng(wide, folder + "/wide.png"));

    std::vector<int> steps;
    const tAssembledStrip made =
        AssembleStrip({folder + "/tall.png", folder + "/wide.png"}, tPixelFormat::Bits24,
                      [&](int step) { steps.push_back(step); });
    EXPECT_EQ(made.frameCount, 2);
    EXPECT_EQ(made.frame, (tSize{50, 40}));
    ASSERT_EQ(made.strip.Width(), 100);
    ASSERT_EQ(made.strip.Height(), 40);
    EXPECT_EQ(steps, (std::vector<int>{1, 2, 3, 4}));

    const QString saved = folder + "/strip.bmp";
    ASSERT_TRUE(SaveBmp(made.strip, saved));
    Bitmap read;
    ASSERT_TRUE(LoadPictureFile(saved, read, tPixelFormat::Bits24));
    ASSERT_EQ(read.Width(), 100);
    EXPECT_EQ(read.Pixel(29, 39), 0x0000FFu);
    EXPECT_EQ(read.Pixel(30, 0), 0u); // beside the narrower picture the cell stays empty
    EXPECT_EQ(read.Pixel(50, 19), 0x00FF00u);
    EXPECT_EQ(read.Pixel(50, 20), 0u);
}

TEST(AnimationRules, AnUnreadablePictureLeavesItsCellEmpty) {
    const QString folder = test::ScratchFolder();
    Bitmap small(10, 10, tPixelFormat::Bits24);
    small.Fill(0xFFFFFF);
    ASSERT_TRUE(SavePng(small, folder + "/small.png"));
    const tAssembledStrip made =
        AssembleStrip({folder + "/missing.png", folder + "/small.png"}, tPixelFormat::Bits24);
    EXPECT_EQ(made.frameCount, 2);
    ASSERT_EQ(made.strip.Width(), 20);
    EXPECT_EQ(made.strip.Pixel(5, 5), 0u);
    EXPECT_EQ(made.strip.Pixel(15, 5), 0xFFFFFFu);
}

TEST(AnimationRules, PickerWindowGrowsSmallPicturesAndShrinksLargeOnes) {
    const tSize screen{1600, 1000};
    EXPECT_EQ(PickerWindowSize({31, 31}, screen), (tSize{248, 248}));
    EXPECT_EQ(PickerWindowSize({300, 20}, screen), (tSize{600, 40}));
    EXPECT_EQ(PickerWindowSize({4000, 900}, screen), (tSize{1000, 225}));
    EXPECT_EQ(PickerWindowSize({640, 480}, screen), (tSize{640, 480}));
    EXPECT_EQ(PickerMinimumSize({248, 248}), (tSize{124, 124}));
    EXPECT_EQ(PickerMinimumSize({150, 60}), (tSize{100, 50}));
}

TEST(AnimationRules, PickerSwatchKeepsInsideTheWindowAndPixelsScale) {
    const tSize swatch{20, 20};
    EXPECT_EQ(PickerSwatchPosition({100, 100}, {400, 400}, swatch), (tPoint{130, 50}));
    EXPECT_EQ(PickerSwatchPosition({390, 10}, {400, 400}, swatch), (tPoint{340, 40}));
    EXPECT_EQ(PickerSwatchPosition({10, 60}, {400, 80}, swatch), (tPoint{40, 0}));
    EXPECT_EQ(PicturePointUnder({199, 99}, {200, 100}, {20, 10}), (tPoint{19, 9}));
    EXPECT_EQ(PicturePointUnder({100, 50}, {200, 100}, {20, 10}), (tPoint{10, 5}));
}

} // namespace
