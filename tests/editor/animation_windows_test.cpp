// The Instrumental Animation page, the ball selector and the animation wizard, driven as a person
// would.
#include "editor/animation_page.h"

#include "app/app_services.h"
#include "document/song.h"
#include "editor/animation_rules.h"
#include "editor/ball_selector.h"
#include "editor/colour_picker.h"
#include "editor/editor_pages.h"
#include "editor/song_editor.h"
#include "picture/bitmap_png.h"
#include "test_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

void PressLeftButton(QWidget* widget, QPoint at) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), widget->mapToGlobal(QPointF(at)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
}

void Choose(QComboBox* box, int index) {
    box->setCurrentIndex(index);
    emit box->activated(index);
}

class AnimationWindows : public ::testing::Test {
protected:
    void SetUp() override {
        ui.printMessages = false;
        SetApp(&ui);
        editor = std::make_unique<TSongEdit>();
        editor->Song().AddPart(std::make_unique<tLyricsData>());
    }
    void TearDown() override {
        editor.reset();
        SetApp(nullptr);
    }
    TAnimationPage& AnimationPage() {
        editor->ShowPage(TSongEdit::kAnimationPage);
        return *static_cast<TAnimationPage*>(editor->PageWidget(TSongEdit::kAnimationPage));
    }
    tLyricsData& Part(int index = 0) { return *editor->Song().GetPart(index); }
    uint8_t Placement(int index = 0) { return Part(index).Slots[kAnimationSlot].Record.Placement(); }

    tHeadlessServices ui;
    std::unique_ptr<TSongEdit> editor;
};

TEST_F(AnimationWindows, ShowingThePageAndItsTabsFillsTheControlsWithoutMarkingTheSong) {
    Part(1).Slots[kAnimationSlot].Record.setPlacement(0x16);
    Part(1).PartExtras.setInstrumentalAnimation(4);
    TAnimationPage& page = AnimationPage();
    EXPECT_EQ(page.Tabs()->count(), 2);
    EXPECT_EQ(page.Animation()->currentIndex(), kNoAnimation);
    EXPECT_FALSE(page.Horizontal()->isEnabled());
    page.Tabs()->setCurrentIndex(1);
    EXPECT_EQ(page.Animation()->currentIndex(), 4);
    EXPECT_EQ(page.Horizontal()->currentIndex(), 2);
    EXPECT_EQ(page.Vertical()->currentIndex(), 1);
    EXPECT_TRUE(page.Scroll()->isChecked());
    EXPECT_TRUE(page.Scroll()->isEnabled());
    EXPECT_FALSE(page.Customize()->isEnabled());
    EXPECT_EQ(page.ExampleAnimation().FrameCount, 12); // the trumpet, each frame twice
    EXPECT_FALSE(editor->IsModified());
}

TEST_F(AnimationWindows, ChoosingAnAnimationWritesItAndEnablesWhatGoesWithIt) {
    TAnimationPage& page = AnimationPage();
    Choose(page.Animation(), 1);
    EXPECT_TRUE(editor->IsModified());
    EXPECT_EQ(Part().PartExtras.InstrumentalAnimation(), 1);
    EXPECT_TRUE(page.Horizontal()->isEnabled());
    EXPECT_GT(page.ExampleAnimation().FrameCount, 0);
    Choose(page.Animation(), kCustomAnimation);
    EXPECT_TRUE(page.Customize()->isEnabled());
    EXPECT_EQ(Part().Slots[kAnimationSlot].Record.Enabled(), 1);
    EXPECT_EQ(Part().PartExtras.InstrumentalAnimation(), 1);
    Choose(page.Animation(), kNoAnimation);
    EXPECT_EQ(Part().Slots[kAnimationSlot].Record.Enabled(), 0);
    EXPECT_FALSE(page.Vertical()->isEnabled());
    EXPECT_FALSE(page.Scroll()->isEnabled());
}

TEST_F(AnimationWindows, PositionsKeepTheScrollBitAndTheVeryMiddleOnlyDisablesIt) {
    TAnimationPage& page = AnimationPage();
    Choose(page.Animation(), 2);
    ASSERT_EQ(Placement(), 0x05); // a new part's animation sits in the middle: no scrolling there
    EXPECT_FALSE(page.Scroll()->isEnabled());
    Choose(page.Horizontal(), 0);
    page.Scroll()->click();
    EXPECT_EQ(Placement(), 0x14);
    Choose(page.Horizontal(), 1);
    EXPECT_EQ(Placement(), 0x15);
    EXPECT_FALSE(page.Scroll()->isEnabled());
    Choose(page.Vertical(), 2);
    EXPECT_EQ(Placement(), 0x19);
    page.Scroll()->click();
    EXPECT_EQ(Placement(), 0x09);
}

TEST_F(AnimationWindows, CustomizeRunsTheWizardOnTheAnimationSlotWithoutBallFlags) {
    Part().Slots[kAnimationSlot].Record.setEnabled(1);
    TAnimationPage& page = AnimationPage();
    ASSERT_TRUE(page.Customize()->isEnabled());
    std::vector<std::pair<tPictureSlot*, tPartRecord*>> calls;
    bool finish = false;
    editor->Dialogs().animationWizard = [&](tPictureSlot& slot, tPartRecord* flags) {
        calls.emplace_back(&slot, flags);
        return finish;
    };
    page.Customize()->click();
    EXPECT_FALSE(editor->IsModified());
    EXPECT_FALSE(editor->History().CanUndo());
    finish = true;
    page.Customize()->click();
    EXPECT_TRUE(editor->IsModified());
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].first, &Part().Slots[kAnimationSlot]);
    EXPECT_EQ(calls[0].second, nullptr);
}

TEST_F(AnimationWindows, TheExampleDrawsOverTheBackgroundOnlyWhileThePageIsShownAndNoSongPlays) {
    editor->Song().SongSettings.setBackgroundColour(0x123456);
    Part().PartExtras.setInstrumentalAnimation(3);
    Part().Slots[kAnimationSlot].Record.setPlacement(0);
    editor->show();
    TAnimationPage& page = AnimationPage();
    EXPECT_TRUE(page.ExampleTimer().isActive());
    page.Example()->Render();
    const Bitmap& canvas = page.Example()->Canvas();
    ASSERT_GT(canvas.Width(), 218);
    ASSERT_GT(canvas.Height(), 250);
    // The saxophone sits at the top left; the rest is the background colour.
    EXPECT_EQ(canvas.Pixel(canvas.Width() - 1, canvas.Height() - 1), 0x123456u);
    int drawn = 0;
    for (int y = 0; y < 250; ++y)
        for (int x = 0; x < 218; ++x)
            drawn += canvas.Pixel(x, y) != 0x123456u;
    EXPECT_GT(drawn, 100);
    bool heldWhilePlaying = false;
    editor->Dialogs().preview = [&](tLyrimoData&, int) {
        heldWhilePlaying = !page.ExampleTimer().isActive();
    };
    editor->PlayFrom(0);
    EXPECT_TRUE(heldWhilePlaying) << "the example waits while the song is performed";
    EXPECT_TRUE(page.ExampleTimer().isActive());
    editor->ShowPage(TSongEdit::kEffectsPage);
    EXPECT_FALSE(page.ExampleTimer().isActive());
}

TEST_F(AnimationWindows, TheBallSelectorWritesTheBallUnderThePointerAndMarksItsCell) {
    TSelectBB selector(editor->Song(), 1);
    EXPECT_EQ(selector.SelectedBall(), 0);
    PressLeftButton(selector.Grid(), {298, 199});
    EXPECT_TRUE(selector.Changed());
    EXPECT_EQ(selector.SelectedBall(), 53);
    EXPECT_EQ(Part(1).PartRecord.BallNumber(), 53);
    EXPECT_EQ(Part(1).PartRecord.BallNumberHigh(), 8);
    EXPECT_EQ(Part(1).PartExtras.BallStyle(), 1);
    EXPECT_EQ(Part(0).PartRecord.BallNumber(), 0);
    // The marker's top edge lies above the ball, inside the cell's first row of pixels.
    const Bitmap& grid = selector.GridBitmap();
    EXPECT_NE(grid.Pixel(BallCellX(53) + 17, BallCellY(53) + 1), 0u);
    EXPECT_EQ(grid.Pixel(BallCellX(0) + 17, BallCellY(0) + 1), 0u);

    TSelectBB again(editor->Song(), 1);
    EXPECT_EQ(again.SelectedBall(), 53);
}

TEST_F(AnimationWindows, TheBallSelectorStoresAllFlagsTogetherAndReportsNoChangeWhenLeftAlone) {
    Part().PartRecord.setBallSpinForward(1);
    {
        TSelectBB untouched(editor->Song(), 0);
        EXPECT_TRUE(untouched.Bouncing()->isChecked());
        EXPECT_EQ(untouched.Direction()->currentIndex(), 0);
        untouched.Tick();
        untouched.OkButton()->click();
        EXPECT_FALSE(untouched.Changed());
    }
    EXPECT_EQ(Part().PartRecord.BallNoBounce(), 0);
    TSelectBB selector(editor->Song(), 0);
    selector.Direction()->setCurrentIndex(1);
    EXPECT_TRUE(selector.Changed());
    EXPECT_EQ(Part().PartRecord.BallSpinForward(), 0);
    selector.Animating()->click();
    EXPECT_EQ(Part().PartRecord.BallNoAnimation(), 1);
    EXPECT_EQ(Part().PartRecord.BallNoBounce(), 0);
    EXPECT_EQ(Part().PartRecord.BallSpinForward(), 0);
}

TEST_F(AnimationWindows, EffectsCustomizeOpensTheSelectorOrTheWizardForTheSelectedPart) {
    std::vector<int> selectorParts;
    std::vector<std::pair<tPictureSlot*, tPartRecord*>> wizardCalls;
    editor->Dialogs().selectBuiltInBall = [&](tLyrimoData&, int part) {
        selectorParts.push_back(part);
        return false;
    };
    editor->Dialogs().animationWizard = [&](tPictureSlot& slot, tPartRecord* flags) {
        wizardCalls.emplace_back(&slot, flags);
        return true;
    };
    Part(1).PartExtras.setBallStyle(2);
    Part(0).Slots[kBallSlot].Record.setEnabled(1);
    editor->ShowPage(TSongEdit::kEffectsPage);
    auto& page = *static_cast<TEffectsPage*>(editor->PageWidget(TSongEdit::kEffectsPage));
    QPushButton* button = nullptr;
    for (QPushButton* b : page.findChildren<QPushButton*>())
        if (b->text() == "Customize...")
            button = b;
    ASSERT_TRUE(button);
    button->click();
    ASSERT_EQ(wizardCalls.size(), 1u);
    EXPECT_EQ(wizardCalls[0].first, &Part(0).Slots[kBallSlot]);
    EXPECT_EQ(wizardCalls[0].second, &Part(0).PartRecord);
    EXPECT_TRUE(editor->IsModified());

    page.Tabs()->setCurrentIndex(1);
    button->click();
    EXPECT_EQ(selectorParts, std::vector<int>{1});
    Choose(page.Ball(), 0);
    EXPECT_FALSE(button->isEnabled());
}

TEST_F(AnimationWindows, TheColourPickerTakesThePixelUnderTheClickOfTheStretchedPicture) {
    Bitmap picture(2, 1, tPixelFormat::Bits24);
    picture.SetPixel(0, 0, 0x0000FF);
    picture.SetPixel(1, 0, 0x00FF00);
    const QString path = ScratchFolder() + "/two.png";
    ASSERT_TRUE(SavePng(picture, path));
    TColorPicker picker(path, {}, 0, nullptr);
    ASSERT_TRUE(picker.Loaded());
    EXPECT_EQ(picker.windowTitle(), "Colour Picker - Click on desired colour - 2x1");
    EXPECT_EQ(picker.size(), QSize(256, 128));
    PressLeftButton(&picker, {200, 100});
    EXPECT_EQ(picker.result(), QDialog::Accepted);
    EXPECT_EQ(picker.Picked(), std::optional<tColour>(0x00FF00));

    // The same picture from its bytes, named by the file name.
    TColorPicker fromBytes("two.png", ReadFile(path), 0, nullptr);
    EXPECT_EQ(fromBytes.ColourAt({10, 10}), 0x0000FFu);
}

TEST_F(AnimationWindows, APictureThePickerCannotLoadIsReportedToTheCaller) {
    const QString path = ScratchFolder() + "/not-a-picture.png";
    ASSERT_TRUE(WriteFile(path, "no picture here"));
    QString failure;
    EXPECT_FALSE(PickColour(path, {}, 0, failure).has_value());
    EXPECT_EQ(failure, "No suitable graphics plugin was found to load this file...");
    TColorPicker picker(path, {}, 0, nullptr);
    EXPECT_TRUE(picker.windowTitle().endsWith(" - Error loading"));
}

} // namespace
