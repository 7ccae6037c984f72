#include "app/app_services.h"
#include "app/settings.h"
#include "document/import_template.h"
#include "document/song.h"
#include "test_support.h"
#include "ui/template_windows.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace lyrimo {
namespace {

std::unique_ptr<tLyrimoData> SongWithBackground(int32_t colour) {
    auto song = std::make_unique<tLyrimoData>();
    song->SongSettings.setBackgroundColour(colour);
    return song;
}

int32_t StoredBackground(QSettings& store, const QString& name) {
    tTemplateRecord record;
    if (!TemplateRecordFromValue(TemplateValue(store, name), record))
        return -1;
    return record.BackgroundColour();
}

QStringList Texts(const QListWidget& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i)
        texts << list.item(i)->text();
    return texts;
}

// Headless messages and a settings file of the test's own.
class TemplateWindows : public ::testing::Test {
protected:
    void SetUp() override {
        services_.printMessages = false;
        SetApp(&services_);
        static int counter = 0;
        store_ = std::make_unique<QSettings>(
            test::ScratchFolder() + QString("/templates-%1.ini").arg(++counter), QSettings::IniFormat);
    }
    void TearDown() override { SetApp(nullptr); }

    tHeadlessServices services_;
    std::unique_ptr<QSettings> store_;
};

TEST_F(TemplateWindows, TheChooserPreselectsTheDefaultAndFallsBackToIt) {
    ASSERT_TRUE(SaveTemplate(*store_, "Zebra", *SongWithBackground(1)));
    ASSERT_TRUE(SaveTemplate(*store_, "Autumn", *SongWithBackground(2)));
    TChooseTemplateWnd window(ListTemplates(*store_, true), "Pick one:", true);
    EXPECT_EQ(window.windowTitle(), "Pick one:");
    EXPECT_EQ(window.HeadingText(), "Pick one:");
    EXPECT_EQ(Texts(*window.List()), QStringList({kDefaultTemplateName, "Autumn", "Zebra"}));
    EXPECT_EQ(window.Choice().name, kDefaultTemplateName);
    EXPECT_FALSE(window.Choice().cancelled);

    window.List()->setCurrentRow(2);
    EXPECT_EQ(window.Choice().name, "Zebra");
    window.List()->clearSelection();
    EXPECT_EQ(window.Choice().name, kDefaultTemplateName);

    // A double click chooses like OK.
    window.show();
    window.List()->setCurrentRow(1);
    emit window.List()->itemDoubleClicked(window.List()->item(1));
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(window.Choice().name, "Autumn");
    EXPECT_FALSE(window.Choice().cancelled);
}

TEST_F(TemplateWindows, WithoutCancelOkTakesCancelsPlaceAndClosingChooses) {
    const QStringList names = {kDefaultTemplateName, "Autumn"};
    TChooseTemplateWnd withCancel(names, "With", true);
    TChooseTemplateWnd withoutCancel(names, "Without", false);
    ASSERT_NE(withCancel.CancelButton(), nullptr);
    EXPECT_EQ(withoutCancel.CancelButton(), nullptr);
    for (TChooseTemplateWnd* window : {&withCancel, &withoutCancel}) {
        window->setFixedSize(400, 300);
        window->show();
    }
    QApplication::processEvents();
    EXPECT_EQ(withoutCancel.OkButton()->geometry(), withCancel.CancelButton()->geometry());
    EXPECT_LT(withCancel.OkButton()->geometry().right(), withCancel.CancelButton()->geometry().left());

    withCancel.List()->setCurrentRow(1);
    withCancel.reject();
    EXPECT_EQ(withCancel.result(), QDialog::Rejected);
    EXPECT_TRUE(withCancel.Choice().cancelled);

    // Escape or the close box cannot leave the choice open: they take the selection.
    withoutCancel.List()->setCurrentRow(1);
    withoutCancel.reject();
    EXPECT_EQ(withoutCancel.result(), QDialog::Accepted);
    EXPECT_EQ(withoutCancel.Choice().name, "Autumn");
    EXPECT_FALSE(withoutCancel.Choice().cancelled);
}

TEST_F(TemplateWindows, ChooseTemplateOffersTheUsersTemplatesAndGivesTheDefaultWhenCancelled) {
    const std::unique_ptr<QSettings> userStore = OpenSettingsStore();
    ASSERT_TRUE(SaveTemplate(*userStore, "Evening", *SongWithBackground(3)));
    userStore->sync();
    QStringList offered;
    auto answer = [&](bool cancel) {
        QTimer::singleShot(50, [&offered, cancel] {
            auto* window = qobject_cast<TChooseTemplateWnd*>(QApplication::activeModalWidget());
            ASSERT_NE(window, nullptr);
            offered = Texts(*window->List());
            window->List()->setCurrentRow(1);
            (cancel ? window->CancelButton() : window->OkButton())->click();
        });
    };
    answer(false);
    tTemplateChoice choice = ChooseTemplate("Choose", true);
    EXPECT_EQ(offered, QStringList({kDefaultTemplateName, "Evening"}));
    EXPECT_EQ(choice.name, "Evening");
    EXPECT_FALSE(choice.cancelled);

    answer(true);
    choice = ChooseTemplate("Choose", true);
    EXPECT_EQ(choice.name, kDefaultTemplateName);
    EXPECT_TRUE(choice.cancelled);
    DeleteTemplate(*userStore, "Evening");
}

TEST_F(TemplateWindows, SavingRefusesAnEmptyNameAndTheDefaultName) {
    const auto song = SongWithBackground(0x123456);
    TSaveTemplateWnd window(*song, *store_);
    window.show();
    EXPECT_EQ(window.windowTitle(), "Lyrimo - Save As Import Template To...");
    EXPECT_EQ(window.HeadingText(), "Save current Lyrimo file as Import Template as:");

    window.NameField()->setText("   ");
    window.OkButton()->click();
    window.NameField()->setText(kDefaultTemplateName);
    window.OkButton()->click();
    EXPECT_EQ(
        services_.shownMessages,
        QStringList({"Save Template: You have not entered a name for this template.",
                     "Save Template: You can't overwrite this template, please enter a different name."}));
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(ListTemplates(*store_, false).isEmpty());

    window.NameField()->setText("  Bright  ");
    window.OkButton()->click();
    EXPECT_EQ(services_.shownMessages.size(), 2); // a new name is saved without asking
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(window.SavedName(), "Bright");
    EXPECT_EQ(StoredBackground(*store_, "Bright"), 0x123456);
}

TEST_F(TemplateWindows, OverwritingAsksAndCancelKeepsTheWindowAndTheOldTemplate) {
    ASSERT_TRUE(SaveTemplate(*store_, "Night", *SongWithBackground(0x111111)));
    ASSERT_TRUE(SaveTemplate(*store_, "Day", *SongWithBackground(0x222222)));
    const auto song = SongWithBackground(0x333333);
    TSaveTemplateWnd window(*song, *store_);
    window.show();
    EXPECT_EQ(Texts(*window.List()), QStringList({"Day", "Night"})); // the default is not offered

    // Clicking a template copies its name.
    QListWidgetItem* night = window.List()->item(1);
    window.List()->setCurrentItem(night);
    emit window.List()->itemClicked(night);
    EXPECT_EQ(window.NameField()->text(), "Night");

    services_.scriptedAnswers = {mb::IdCancel};
    window.OkButton()->click();
    EXPECT_EQ(services_.shownMessages,
              QStringList({"Overrwrite Template: A template with this name already exists, would you like to "
                           "overwrite it?"}));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(StoredBackground(*store_, "Night"), 0x111111);

    services_.scriptedAnswers = {mb::IdOk};
    window.OkButton()->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.SavedName(), "Night");
    EXPECT_EQ(StoredBackground(*store_, "Night"), 0x333333);
    EXPECT_EQ(StoredBackground(*store_, "Day"), 0x222222);
}

TEST_F(TemplateWindows, DeleteAsksThenRemovesTheSelectedTemplate) {
    ASSERT_TRUE(SaveTemplate(*store_, "Keep", *SongWithBackground(1)));
    ASSERT_TRUE(SaveTemplate(*store_, "Remove", *SongWithBackground(2)));
    const tLyrimoData song;
    TSaveTemplateWnd window(song, *store_);
    window.show();
    EXPECT_FALSE(window.DeleteButton()->isEnabled()); // nothing selected yet
    window.List()->setCurrentRow(1);
    ASSERT_TRUE(window.DeleteButton()->isEnabled());

    services_.scriptedAnswers = {mb::IdCancel};
    window.DeleteButton()->click();
    EXPECT_EQ(services_.shownMessages, QStringList({"Delete Template: Delete this template? Are you sure?"}));
    EXPECT_TRUE(TemplateExists(*store_, "Remove"));
    EXPECT_EQ(window.List()->count(), 2);

    services_.scriptedAnswers = {mb::IdOk};
    window.DeleteButton()->click();
    EXPECT_FALSE(TemplateExists(*store_, "Remove"));
    EXPECT_TRUE(TemplateExists(*store_, "Keep"));
    EXPECT_EQ(Texts(*window.List()), QStringList({"Keep"}));
    // The deleted name does not linger in the box, and nothing else became the selection.
    EXPECT_EQ(window.NameField()->text(), "");
    EXPECT_FALSE(window.DeleteButton()->isEnabled());
    EXPECT_TRUE(window.isVisible());
}

} // namespace
} // namespace lyrimo
