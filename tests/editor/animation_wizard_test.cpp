// The animation wizard driven page by page, with scripted answers to its file and colour questions.
#include "editor/animation_wizard.h"

#include "../picture/picture_fixtures.h"
#include "app/app_services.h"
#include "document/song.h"
#include "picture/bitmap_png.h"
#include "picture/picture_decode.h"
#include "test_support.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>

#include <gtest/gtest.h>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

class AnimationWizard : public ::testing::Test {
protected:
    void SetUp() override {
        ui.printMessages = false;
        SetApp(&ui);
        folder = ScratchFolder();
        slot.Record.setFileName("old.bmp");
        slot.Record.setEmbedded(1);
        slot.Record.setFrameCount(3);
        slot.Record.setTransparentColour(0x00FF00);
        slot.Bytes = "OLD";
        flags.setBallSpinForward(1);
        dialogs.choosePicture = [this](const QString&, const QString&) { return chosenFile; };
        dialogs.chooseSeveralPictures = [this](const QString&) { return chosenFiles; };
        dialogs.saveFile = [this](const QString&, const QString&, const QString&, const QString&) {
            return saveTo;
        };
    }
    void TearDown() override { SetApp(nullptr); }

    QString Picture(const QString& name, int width, int height, tColour colour) {
        Bitmap picture(width, height, tPixelFormat::Bits24);
        picture.Fill(colour);
        const QString path = folder + "/" + name;
        EXPECT_TRUE(SavePng(picture, path));
        return path;
    }

    tHeadlessServices ui;
    QString folder;
    tPictureSlot slot;
    tPartRecord flags;
    tWizardDialogs dialogs;
    std::optional<QString> chosenFile, saveTo;
    std::optional<QStringList> chosenFiles;
};

TEST_F(AnimationWizard, CancellingAfterChoosingANewFileWritesNothing) {
    TAnimWizard wizard(slot, &flags, dialogs);
    EXPECT_EQ(wizard.Format(), TAnimWizard::kStrip);
    EXPECT_FALSE(wizard.FileField()->isEnabled()); // the picture comes from the buffer
    wizard.Next();
    chosenFile = Picture("new.png", 20, 10, 0xFF0000);
    wizard.BrowseFile();
    EXPECT_TRUE(wizard.FileField()->isEnabled());
    EXPECT_EQ(wizard.FileField()->text(), *chosenFile);
    wizard.Frames()->setValue(7);
    wizard.Next();
    wizard.Bouncing()->setChecked(false);
    wizard.CancelButton()->click();
    EXPECT_FALSE(wizard.Changed());
    EXPECT_EQ(slot.Record.FileName(), "old.bmp");
    EXPECT_EQ(slot.Record.FrameCount(), 3);
    EXPECT_EQ(slot.Bytes, "OLD");
    EXPECT_EQ(flags.BallNoBounce(), 0);
}

TEST_F(AnimationWizard, FinishingAnEmbeddedBallWithoutANewFileKeepsItsBytes) {
    TAnimWizard wizard(slot, &flags, dialogs);
    EXPECT_EQ(wizard.StepText(), "Step 1 of 5");
    wizard.Next();
    EXPECT_TRUE(wizard.NextButton()->isEnabled()); // a greyed field needs no file
    wizard.Frames()->setValue(5);
    wizard.Next();
    wizard.Bouncing()->setChecked(false);
    wizard.Next();
    EXPECT_EQ(wizard.Page(), TAnimWizard::kReadyPage);
    EXPECT_EQ(wizard.StepText(), "Step 5 of 5");
    EXPECT_EQ(wizard.NextButton()->text(), "&Close");
    wizard.Next();
    EXPECT_TRUE(wizard.Changed());
    EXPECT_EQ(slot.Bytes, "OLD");
    EXPECT_EQ(slot.Record.FileName(), "old.bmp");
    EXPECT_EQ(slot.Record.FrameCount(), 5);
    EXPECT_EQ(slot.Record.TransparentColour(), 0x00FF00);
    EXPECT_EQ(flags.BallNoBounce(), 1);
    EXPECT_EQ(flags.BallNoAnimation(), 0);
    EXPECT_EQ(flags.BallSpinForward(), 1);
}

TEST_F(AnimationWizard, AFileThatDoesNotExistHoldsTheWizardOnTheFilesPage) {
    slot.Bytes.clear();
    TAnimWizard wizard(slot, nullptr, dialogs);
    EXPECT_FALSE(wizard.Bouncing()->isVisibleTo(&wizard));
    wizard.Next();
    EXPECT_TRUE(wizard.FileField()->isEnabled());
    EXPECT_FALSE(wizard.NextButton()->isEnabled()); // "old.bmp" is nowhere
    wizard.FileField()->setText(Picture("strip.png", 40, 10, 0xFFFFFF));
    EXPECT_TRUE(wizard.NextButton()->isEnabled());
}

TEST_F(AnimationWizard, ACollectionOfImagesBecomesOneSavedStripThatTheSlotTakes) {
    TAnimWizard wizard(slot, &flags, dialogs);
    wizard.SetFormat(TAnimWizard::kCollection);
    wizard.Next();
    EXPECT_FALSE(wizard.NextButton()->isEnabled());
    chosenFiles = QStringList{Picture("b.png", 50, 20, 0x00FF00), Picture("a.png", 30, 40, 0x0000FF)};
    wizard.AddFiles();
    wizard.Images()->setCurrentRow(1);
    wizard.MoveSelected(-1); // a.png first
    EXPECT_EQ(wizard.Images()->currentRow(), 0);
    wizard.Next();
    EXPECT_FALSE(wizard.NextButton()->isEnabled()); // no name to save the strip to yet
    saveTo = folder + "/made.bmp";
    wizard.BrowseSaveTo();
    wizard.Next();
    EXPECT_EQ(wizard.Page(), TAnimWizard::kAssemblyPage);
    EXPECT_FALSE(wizard.PreviousButton()->isEnabled());
    EXPECT_FALSE(wizard.CancelButton()->isEnabled());
    wizard.Assemble();
    ASSERT_EQ(wizard.Page(), TAnimWizard::kReadyPage);
    EXPECT_EQ(wizard.Frames()->value(), 2);
    wizard.Next();
    EXPECT_EQ(slot.Record.FileName(), (folder + "/made.bmp").toLocal8Bit());
    EXPECT_EQ(slot.Record.FrameCount(), 2);
    Bitmap strip;
    ASSERT_TRUE(DecodePicture(slot.Bytes, "made.bmp", strip, tPixelFormat::Bits24));
    EXPECT_EQ(strip.Width(), 100);
    EXPECT_EQ(strip.Height(), 40);
    EXPECT_EQ(strip.Pixel(0, 39), 0x0000FFu);
    EXPECT_EQ(strip.Pixel(50, 0), 0x00FF00u);
}

TEST_F(AnimationWizard, AStripThatCannotBeSavedGoesBackToTheOptionsAndSaysWhy) {
    TAnimWizard wizard(slot, &flags, dialogs);
    wizard.SetFormat(TAnimWizard::kCollection);
    wizard.Next();
    chosenFiles = QStringList{Picture("c.png", 8, 8, 0xFFFFFF)};
    wizard.AddFiles();
    wizard.Next();
    wizard.SaveToField()->setText(folder + "/no/such/folder/made.bmp");
    wizard.Next();
    wizard.Assemble();
    EXPECT_EQ(wizard.Page(), TAnimWizard::kOptionsPage);
    EXPECT_EQ(ui.shownMessages, QStringList{"Error: Error saving the picture to made.bmp"});
    EXPECT_EQ(slot.Bytes, "OLD");
}

TEST_F(AnimationWizard, AChosenGifGivesItsFrameCountAndKeyColour) {
    const QString path = folder + "/dance.gif";
    std::vector<GifFrameDesc> frames;
    for (uint8_t i = 0; i < 4; ++i)
        frames.push_back(SolidGifFrame(6, 6, i % 2));
    ASSERT_TRUE(WriteFile(path, WriteGif(6, 6, {0x0000FF, 0x00FF00}, frames)));
    dialogs.chooseAnimation = [&](const QString&, const QString&) { return std::optional<QString>(path); };
    TAnimWizard wizard(slot, &flags, dialogs);
    wizard.SetFormat(TAnimWizard::kAnimatedFile);
    wizard.Next();
    EXPECT_FALSE(wizard.Frames()->isVisibleTo(&wizard)); // a GIF says how many frames it has
    wizard.BrowseFile();
    EXPECT_EQ(wizard.Frames()->value(), 4);
    EXPECT_EQ(wizard.Transparency(), 0u); // black is in no colour map
    wizard.Next();
    wizard.Next();
    wizard.Next();
    EXPECT_EQ(slot.Record.FileName(), path.toLocal8Bit());
    EXPECT_EQ(slot.Bytes, ReadFile(path));
    EXPECT_EQ(slot.Record.TransparentColour(), 0);
}

TEST_F(AnimationWizard, SaveAsWritesTheEmbeddedBytesOrSaysItCouldNot) {
    TAnimWizard wizard(slot, &flags, dialogs);
    wizard.Next();
    saveTo = folder + "/copy.bmp";
    wizard.SaveFileAs();
    EXPECT_EQ(ReadFile(*saveTo), "OLD");
    saveTo = folder + "/no/such/folder/copy.bmp";
    wizard.SaveFileAs();
    EXPECT_EQ(ui.shownMessages, QStringList{"Error: Error saving to specified file"});
}

} // namespace
