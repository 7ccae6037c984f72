// The Slide Show page driven through its lists and buttons, with the editors and questions
// answered by the test, and the slide editor with its preview on a fake player.
#include "editor/slide_show_page.h"

#include "app/app_services.h"
#include "document/song.h"
#include "editor/slide_dialogs.h"
#include "editor/song_editor.h"
#include "editor/time_spin_edit.h"
#include "fake_player.h"
#include "media/media_player.h"
#include "test_support.h"

#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace lyrimo;

namespace {

class SlideShowPage : public ::testing::Test {
protected:
    void SetUp() override {
        ui.printMessages = false;
        SetApp(&ui);
        editor = std::make_unique<TSongEdit>();
        editor->Dialogs().editSlide = [this](const tLyrimoData&, tSlideRecord& slide) {
            ++slideEdits;
            slide.setShowTime(slide.ShowTime() + 500);
            return true;
        };
        for (const char* name : {"zero", "one", "two"}) {
            tPictureRecord record;
            record.setName(name);
            Song().Pictures.AddPicture(record);
        }
        for (int show : {3000, 1000, 2000}) {
            tSlideRecord slide;
            slide.setPicture(show == 1000 ? 1 : 2);
            slide.setShowTime(show);
            Song().Slides.AddSlide(slide);
        }
        editor->ShowPage(TSongEdit::kSlideShowPage);
    }
    void TearDown() override {
        editor.reset();
        SetApp(nullptr);
    }
    tLyrimoData& Song() { return editor->Song(); }
    TSlideShowPage& Page() {
        return *static_cast<TSlideShowPage*>(editor->PageWidget(TSongEdit::kSlideShowPage));
    }
    static QStringList Column(const QTreeWidget* list, int column) {
        QStringList texts;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            texts << list->topLevelItem(i)->text(column);
        return texts;
    }
    static void Select(QTreeWidget* list, const QString& text, int column) {
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->text(column) == text)
                list->setCurrentItem(list->topLevelItem(i));
    }

    tHeadlessServices ui;
    std::unique_ptr<TSongEdit> editor;
    int slideEdits = 0;
};

} // namespace

TEST_F(SlideShowPage, HeaderClicksSortAndReverseKeepingTheSelection) {
    QTreeWidget* slides = Page().SlideList();
    EXPECT_EQ(Column(slides, 1), QStringList({"00:00:01.000", "00:00:02.000", "00:00:03.000"}));
    Select(slides, "00:00:02.000", 1);
    slides->header()->sectionClicked(1);
    EXPECT_EQ(Column(slides, 1), QStringList({"00:00:03.000", "00:00:02.000", "00:00:01.000"}));
    EXPECT_EQ(slides->currentItem()->text(1), "00:00:02.000");
    slides->header()->sectionClicked(0);
    EXPECT_EQ(Column(slides, 0), QStringList({"one", "two", "two"}));
}

TEST_F(SlideShowPage, DeletingAPictureAsksAndTakesItsSlidesAlong) {
    Select(Page().PictureList(), "one", 1);
    ui.scriptedAnswers = {mb::IdCancel, mb::IdOk};
    Page().DeletePicture();
    EXPECT_EQ(Song().Pictures.Count(), 3);
    EXPECT_FALSE(editor->IsModified());
    Page().DeletePicture();
    ASSERT_EQ(ui.shownMessages.size(), 2);
    EXPECT_TRUE(ui.shownMessages[1].contains("used by 1 slide(s)"));
    EXPECT_EQ(Column(Page().PictureList(), 1), QStringList({"zero", "two"}));
    EXPECT_EQ(Column(Page().SlideList(), 0), QStringList({"two", "two"}));
    EXPECT_TRUE(editor->IsModified());
    editor->Undo();
    EXPECT_EQ(Song().Slides.Count(), 3);
}

TEST_F(SlideShowPage, SlidesNeedPicturesAndEditsAreOneStepEach) {
    Select(Page().SlideList(), "00:00:03.000", 1);
    Page().EditSlide();
    EXPECT_EQ(Song().Slides.GetSlide(0).ShowTime(), 3500);
    EXPECT_EQ(Page().SlideList()->currentItem()->text(1), "00:00:03.500");
    Song().Pictures.Clear();
    Page().AddSlide();
    EXPECT_EQ(slideEdits, 1);
    EXPECT_EQ(ui.shownMessages.value(0),
              "Error: You cannot create any slides until you have added some pictures");
}

TEST_F(SlideShowPage, ModeSetsTheSongAndVideoCoversThePage) {
    EXPECT_FALSE(Page().Tabs()->isEnabled());
    Page().Mode()->activated(2);
    EXPECT_TRUE(Song().SongSettings.FullScreenSlideShow());
    EXPECT_FALSE(Song().SongSettings.SlideShowEnabled());
    EXPECT_TRUE(Page().Tabs()->isEnabled());
    EXPECT_FALSE(Page().VideoCovers());
    Song().SongSettings.setUseMediaFile(1);
    Song().SongSettings.setHasVideo(1);
    Page().Fill();
    EXPECT_TRUE(Page().VideoCovers());
}

namespace {

class SlideEditor : public ::testing::Test {
protected:
    void SetUp() override {
        ui.printMessages = false;
        SetApp(&ui);
        const QString media = test::ScratchFolder() + "/slides.wav";
        test::WriteFile(media, "RIFF");
        song.SongSettings.setUseMediaFile(1);
        song.SongSettings.setMediaFileName(QFile::encodeName(media));
        song.SongSettings.setSlideShowStartOffset(5000);
        song.SongSettings.setFullScreenSlideShow(1);
        for (const char* name : {"Moon", "beach"}) {
            tPictureRecord record;
            record.setName(name);
            song.Pictures.AddPicture(record);
        }
        slide.setPicture(0);
        slide.setShowTime(10000);
        slide.setRemoveTime(20000);
    }
    void TearDown() override { SetApp(nullptr); }

    std::unique_ptr<TSlideEditor> MakeEditor() {
        auto player = std::make_unique<tMyMediaPlayer>([this](uint8_t id) -> std::unique_ptr<tPlayer> {
            if (id != 4)
                return MakeStandardPlayer(id);
            auto fake = std::make_unique<test::tFakePlayer>(id, &log);
            fake->SetExtensions({".wav"});
            player_ = fake.get();
            return fake;
        });
        return std::make_unique<TSlideEditor>(song, slide, std::move(player));
    }

    tHeadlessServices ui;
    tLyrimoData song;
    tSlideRecord slide;
    QStringList log;
    test::tFakePlayer* player_ = nullptr;
};

} // namespace

TEST_F(SlideEditor, PreviewStartsEarlyAndTellsWhenTheSlideShows) {
    auto editor = MakeEditor();
    editor->TogglePreview();
    ASSERT_NE(player_, nullptr);
    EXPECT_TRUE(log.contains("4 SetPosition 3000"));
    EXPECT_EQ(editor->PreviewButton()->text(), "STOP!");
    player_->playing = true;
    player_->position = 4999;
    editor->PreviewTick();
    EXPECT_EQ(editor->PositionText()->text(), "Play Position: 00:00:09.999");
    EXPECT_EQ(editor->DisplayingText()->text(), "Hidden");
    player_->position = 5000;
    editor->PreviewTick();
    EXPECT_EQ(editor->DisplayingText()->text(), "Displaying");
    player_->playing = false;
    editor->PreviewTick();
    EXPECT_EQ(editor->PreviewButton()->text(), "Preview");
    EXPECT_TRUE(editor->PositionText()->isHidden());
}

TEST_F(SlideEditor, OkStoresTheControlsAndTimesStayInOrder) {
    auto editor = MakeEditor();
    EXPECT_EQ(editor->PictureChoice()->currentText(), "Moon"); // listed after "beach"
    editor->DisplayMode()->setCurrentIndex(1);
    editor->ShowField()->SetValue(25000);
    EXPECT_EQ(editor->HideField()->Value(), 25001);
    editor->ShowField()->SetValue(27000); // the hide time it pushed does not hold the show time back
    EXPECT_EQ(editor->ShowField()->Value(), 27000);
    editor->HideField()->SetValue(30000);
    editor->ShowField()->SetValue(40000);
    EXPECT_EQ(editor->ShowField()->Value(), 29999);
    editor->ShowField()->SetValue(25000);
    editor->PictureChoice()->setCurrentIndex(0);
    editor->TransitionChoice()->setCurrentIndex(3);
    editor->DurationField()->setText("2.5");
    editor->Store();
    EXPECT_EQ(editor->result(), QDialog::Accepted);
    EXPECT_EQ(slide.Picture(), 1);
    EXPECT_EQ(slide.ShowTime(), 25000);
    EXPECT_EQ(slide.RemoveTime(), 30000);
    EXPECT_EQ(slide.Transition(), 3);
    EXPECT_EQ(slide.TransitionDuration(), 25);
    EXPECT_FALSE(slide.LeaveUntilRemoved());
}

TEST(PictureEditor, OkLoadsTheFileOrStaysOpenWhenItIsMissing) {
    tHeadlessServices ui;
    ui.printMessages = false;
    SetApp(&ui);
    tLyrimoData song;
    tPictureType picture;
    TPictureEditor editor(song, picture, false);
    EXPECT_TRUE(editor.TileChoice()->isHidden());
    editor.NameField()->setText("Sunset");
    editor.FileField()->setText(test::ScratchFolder() + "/no-such-picture.png");
    editor.Store();
    EXPECT_NE(editor.result(), QDialog::Accepted);
    EXPECT_EQ(ui.shownMessages.value(0), "Error: Error loading picture, file was not found.");
    const QString file = test::ScratchFolder() + "/sunset.png";
    test::WriteFile(file, "PNG bytes");
    editor.FileField()->setText(file);
    editor.Store();
    EXPECT_EQ(editor.result(), QDialog::Accepted);
    EXPECT_EQ(picture.Bytes, "PNG bytes");
    EXPECT_EQ(QString::fromLatin1(picture.Record.Name()), "Sunset");
    EXPECT_EQ(QString::fromLatin1(picture.Record.FileName()), file);
    SetApp(nullptr);
}
