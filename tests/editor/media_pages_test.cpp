// The Song Media, Background and Advanced Settings pages driven as a person would, with scripted
// answers for the message boxes and file dialogs.
#include "editor/media_pages.h"

#include "app/app_services.h"
#include "document/song.h"
#include "editor/page_rules.h"
#include "editor/preview_windows.h"
#include "editor/song_editor.h"
#include "editor/title_page.h"
#include "render/title_effect.h"
#include "test_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabBar>

#include <gtest/gtest.h>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

class MediaPages : public ::testing::Test {
protected:
    void SetUp() override {
        ui.printMessages = false;
        SetApp(&ui);
        editor = std::make_unique<TSongEdit>();
        editor->Dialogs().saveFile = [this](const QString&, const QString& filter, const QString&) {
            filters << filter;
            return saveAnswer;
        };
        folder = ScratchFolder() + "/media-pages-" + QString::number(++runs) + "/";
        QDir().mkpath(folder);
    }
    void TearDown() override {
        editor.reset();
        SetApp(nullptr);
    }
    template <class Page>
    Page& PageOf(int page) {
        editor->ShowPage(page);
        return *static_cast<Page*>(editor->PageWidget(page));
    }
    tSongSettings& S() { return editor->Song().SongSettings; }

    tHeadlessServices ui;
    std::unique_ptr<TSongEdit> editor;
    std::optional<QString> saveAnswer;
    QStringList filters;
    QString folder;
    static inline int runs = 0;
};

TEST_F(MediaPages, VideoMediaAsksBeforeDroppingTheSlideShow) {
    S().setSlideShowEnabled(true);
    auto& page = PageOf<TMediaPage>(TSongEdit::kMediaPage);
    ui.scriptedAnswers = {mb::IdCancel};
    page.Type(kMediaVideo)->click();
    EXPECT_TRUE(page.Type(kMediaCd)->isChecked());
    EXPECT_TRUE(S().SlideShowEnabled());
    EXPECT_FALSE(S().HasVideo());
    EXPECT_FALSE(editor->IsModified());
    ASSERT_EQ(ui.shownMessages.size(), 1);
    EXPECT_TRUE(ui.shownMessages[0].startsWith("Warning: Are you sure"));

    ui.scriptedAnswers = {mb::IdOk};
    page.Type(kMediaVideo)->click();
    EXPECT_TRUE(S().UseMediaFile() && S().HasVideo());
    EXPECT_FALSE(S().SlideShowEnabled() || S().FullScreenSlideShow());
    EXPECT_TRUE(page.FullScreenBox()->isEnabled());
    editor->Undo();
    EXPECT_TRUE(S().SlideShowEnabled());
    EXPECT_FALSE(S().HasVideo());
}

TEST_F(MediaPages, EmbeddedMediaIsSavedElsewhereButNeverOverItsTempFile) {
    const QString temp = folder + "embedded.mp3";
    ASSERT_TRUE(WriteFile(temp, "sound"));
    editor->Song().SetTempMediaPath(temp);
    S().setUseMediaFile(true);
    S().setEmbedMedia(true);
    S().setMediaFileName(temp.toUtf8());
    auto& page = PageOf<TMediaPage>(TSongEdit::kMediaPage);
    EXPECT_FALSE(page.FileField()->isEnabled());
    EXPECT_FALSE(page.BrowseButton()->isEnabled());
    EXPECT_TRUE(page.SaveAsButton()->isEnabled());

    saveAnswer = folder + "EMBEDDED.mp3";
    page.SaveEmbeddedAs();
    EXPECT_EQ(ui.shownMessages.value(0),
              "Error: You cannot save the file over the current embedded temp file...");
    EXPECT_EQ(filters.value(0), ".mp3 files |*.mp3|All Files (*.*)|*.*");

    saveAnswer = folder + "copy";
    page.SaveEmbeddedAs();
    EXPECT_EQ(ReadFile(folder + "copy.mp3"), "sound");
    EXPECT_EQ(ui.shownMessages.value(1), "Save Embedded File: Media file was sucessfully saved");

    page.EmbedBox()->click();
    EXPECT_TRUE(page.FileField()->isEnabled());
    EXPECT_FALSE(S().EmbedMedia());
    editor->Song().SetTempMediaPath({});
}

TEST_F(MediaPages, BackgroundFileLoadsItsBytesAndSaveAsNeedsThem) {
    S().setBackgroundEnabled(true);
    auto& page = PageOf<TBackgroundPage>(TSongEdit::kBackgroundPage);
    page.SavePictureAs();
    EXPECT_EQ(ui.shownMessages.value(0), "Error: Cannot save the background picture as it couldn't be found");

    ASSERT_TRUE(WriteFile(folder + "back.png", "picture bytes"));
    page.SetFile(folder + "back.png");
    EXPECT_EQ(editor->Song().BackgroundStream, "picture bytes");
    EXPECT_EQ(QString::fromUtf8(S().BackgroundFileName()), folder + "back.png");
    EXPECT_TRUE(editor->IsModified());

    saveAnswer = folder + "saved";
    page.SavePictureAs();
    EXPECT_EQ(ReadFile(folder + "saved.png"), "picture bytes");
    EXPECT_EQ(filters.value(0), "png Files (*.png)|*.png|All Files|*.*");

    page.SetFile(folder + "missing.png");
    EXPECT_TRUE(editor->Song().BackgroundStream.isEmpty());
}

TEST_F(MediaPages, EmbeddedBackgroundLocksTheFileUntilUnembedded) {
    S().setBackgroundEnabled(true);
    S().setEmbedBackground(true);
    editor->Song().BackgroundStream = "stored";
    auto& page = PageOf<TBackgroundPage>(TSongEdit::kBackgroundPage);
    EXPECT_FALSE(page.FileField()->isEnabled());
    EXPECT_TRUE(page.SaveAsButton()->isEnabled());
    page.EnableBox()->click();
    EXPECT_FALSE(page.SaveAsButton()->isEnabled());
    EXPECT_EQ(editor->Song().BackgroundStream, "stored");
    page.EnableBox()->click();
    page.EmbedBox()->click();
    EXPECT_TRUE(page.FileField()->isEnabled());
    EXPECT_FALSE(page.SaveAsButton()->isEnabled());

    ASSERT_TRUE(page.TransparentBox()->isChecked());
    EXPECT_TRUE(page.ShadowsBox()->isEnabled());
    page.TransparentBox()->click();
    EXPECT_FALSE(page.ShadowsBox()->isEnabled());
    EXPECT_FALSE(S().BackgroundTransparent());
}

TEST_F(MediaPages, AdvancedOffsetsEditTheSelectedSectionAndPlayerMapsToItsId) {
    S().setSlideShowStartOffset(-20);
    editor->Song().GetPart(0)->PartRecord.setStartOffset(150);
    auto& page = PageOf<TAdvancedPage>(TSongEdit::kAdvancedPage);
    ASSERT_EQ(page.OffsetTabs()->count(), 2);
    EXPECT_EQ(page.OffsetTabs()->tabText(0), "Slide Show");
    EXPECT_EQ(page.Offset()->value(), -20);
    page.OffsetTabs()->setCurrentIndex(1);
    EXPECT_EQ(page.Offset()->value(), 150);
    EXPECT_FALSE(editor->IsModified());
    page.Offset()->setValue(300);
    EXPECT_EQ(editor->Song().GetPart(0)->PartRecord.StartOffset(), 300);
    EXPECT_EQ(S().SlideShowStartOffset(), -20);
    // Coming back keeps the selected section.
    editor->ShowPage(TSongEdit::kInfoPage);
    editor->ShowPage(TSongEdit::kAdvancedPage);
    EXPECT_EQ(page.OffsetTabs()->currentIndex(), 1);

    EXPECT_FALSE(page.CutoutBox()->isEnabled());
    page.PreferredPlayer()->setCurrentIndex(5);
    emit page.PreferredPlayer()->activated(5);
    EXPECT_EQ(S().PreferredPlayer(), 2);
    S().setPreferredPlayer(4);
    page.Fill();
    EXPECT_EQ(page.PreferredPlayer()->currentIndex(), 2);
    EXPECT_EQ(page.PreferredPlayer()->currentText(), "Try Built-in player");
}

} // namespace

namespace {

TEST_F(MediaPages, TitleExampleRunsOnlyWhileShownAndFallsBackToExampleText) {
    S().setTitleEffect(14);
    auto& page = PageOf<TTitlePage>(TSongEdit::kTitlePage);
    EXPECT_EQ(page.Effect()->currentIndex(), 1);
    page.Example()->Tick();
    EXPECT_EQ(page.Title().Lines[0], "Example Title Text");
    EXPECT_EQ(page.Title().Effect, 14);

    page.Effect()->setCurrentIndex(12);
    emit page.Effect()->activated(12);
    EXPECT_EQ(S().TitleEffect(), 12);
    EXPECT_EQ(page.Title().Effect, 12);
    page.Speed()->setValue(7);
    EXPECT_EQ(page.Title().Speed, 8);

    editor->Song().SetSongName("Twinkle");
    editor->ShowPage(TSongEdit::kTitlePage);
    page.Example()->Tick();
    EXPECT_EQ(page.Title().Lines[0], "Twinkle");

    editor->show();
    EXPECT_TRUE(page.Example()->Running());
    editor->ShowPage(TSongEdit::kInfoPage);
    EXPECT_FALSE(page.Example()->Running());
}

} // namespace

namespace {

TEST_F(MediaPages, PreviewFromTimeStartsAtTheRememberedTimeAndRemembersTheNewOne) {
    Settings().LastStartTime = 5000;
    std::vector<int> offered, played;
    std::optional<int> answer = 7000;
    editor->Dialogs().chooseStartTime = [&](tLyrimoData&, int start) {
        offered.push_back(start);
        return answer;
    };
    editor->Dialogs().preview = [&](tLyrimoData&, int start) { played.push_back(start); };
    editor->PreviewFromTime();
    answer.reset();
    editor->PreviewFromTime();
    EXPECT_EQ(offered, (std::vector<int>{5000, 7000}));
    EXPECT_EQ(played, std::vector<int>{7000});
    EXPECT_EQ(Settings().LastStartTime, 7000);
}

TEST_F(MediaPages, MediaPreviewNamesTheMediaAndClosesWhenItCannotOpen) {
    tLyrimoData& song = editor->Song();
    song.SongSettings.setCdTrack(3);
    EXPECT_EQ(MediaPreviewFileText(song), "CD Track 3");
    song.SongSettings.setUseMediaFile(true);
    song.SongSettings.setMediaFileName(QFile::encodeName(folder + "missing.ogg"));
    EXPECT_EQ(MediaPreviewFileText(song), "missing.ogg");

    TMediaPreview window(song);
    window.Tick();
    EXPECT_EQ(window.result(), QDialog::Rejected);
    ASSERT_EQ(ui.shownMessages.size(), 1);
    EXPECT_TRUE(ui.shownMessages[0].startsWith("Error Opening Media: Error opening media: "));
}

} // namespace

namespace {

TEST_F(MediaPages, LyricsEffectsExampleShowsTheRealFirstLineOnceTimed) {
    tLyricsData& part = *editor->Song().GetPart(0);
    tTimingsLineType& line = *part.AddLine();
    line.LineRecord.setText("Twinkle");
    auto& page = PageOf<TEffectsPage>(TSongEdit::kEffectsPage);
    page.Example()->Tick();
    EXPECT_FALSE(page.Example()->ShowsRealLine());
    EXPECT_EQ(page.Example()->ExampleSong().GetPart(0)->GetLine(0)->Text(), kExampleLyricsText);

    tTimingRecord timing;
    timing.setPosition(7);
    timing.setDelta(400);
    line.AddTiming(timing);
    page.TextMode()->setCurrentIndex(2);
    emit page.TextMode()->activated(2);
    page.Example()->Tick();
    EXPECT_TRUE(page.Example()->ShowsRealLine());
    EXPECT_EQ(page.Example()->ExampleSong().GetPart(0)->PartExtras.TextMode(), part.PartExtras.TextMode());
}

} // namespace

namespace {

TEST_F(MediaPages, TimingBoxesOfBothPagesShowOneSettingAndSharingEnablesTheSplit) {
    auto& media = PageOf<TMediaPage>(TSongEdit::kMediaPage);
    media.Type(kMediaVideo)->click();
    const bool tweak = S().TweakWinampTimings();
    QList<QCheckBox*> boxes = media.findChildren<QCheckBox*>();
    auto tweakBox = [](const QList<QCheckBox*>& list) {
        for (QCheckBox* box : list)
            if (box->text().startsWith("Tweak"))
                return box;
        return static_cast<QCheckBox*>(nullptr);
    };
    ASSERT_TRUE(tweakBox(boxes));
    tweakBox(boxes)->click();
    EXPECT_NE(S().TweakWinampTimings(), tweak);

    auto& advanced = PageOf<TAdvancedPage>(TSongEdit::kAdvancedPage);
    QCheckBox* advancedTweak = tweakBox(advanced.findChildren<QCheckBox*>());
    ASSERT_TRUE(advancedTweak);
    EXPECT_EQ(advancedTweak->isChecked(), !tweak);
    EXPECT_TRUE(advanced.SplitSize()->isEnabled());
    EXPECT_FALSE(advanced.CutoutBox()->isEnabled());

    editor->ShowPage(TSongEdit::kMediaPage);
    media.FullScreenBox()->click();
    editor->ShowPage(TSongEdit::kAdvancedPage);
    EXPECT_FALSE(advanced.SplitSize()->isEnabled());
    EXPECT_TRUE(advanced.CutoutBox()->isEnabled());
    advancedTweak->click();
    EXPECT_EQ(S().TweakWinampTimings(), tweak);
}

} // namespace
