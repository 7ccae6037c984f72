#include "app/command_line.h"
#include "desktop/info_windows.h"
#include "desktop/main_menu.h"
#include "desktop_test_support.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

namespace lyrimo {
namespace {

using test::tShellTest;

void PressKey(QWidget& target, int key, Qt::KeyboardModifiers modifiers = {}) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, QString());
    QApplication::sendEvent(&target, &press);
}

void ProcessEventsFor(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

class MainMenu : public tShellTest {
protected:
    // A menu whose activities only record which one ran.
    std::unique_ptr<TMainMenu> RecordingMenu() {
        auto menu = std::make_unique<TMainMenu>(log_.Steps());
        for (int i = 0; i < TMainMenu::kActivityCount; ++i)
            menu->Activities[i] = [this, i] { started_ << i + 1; };
        return menu;
    }

    void Drop(TMainMenu& menu, const QStringList& files) { EXPECT_TRUE(test::DropFiles(menu, files)); }

    QList<int> started_;
};

TEST_F(MainMenu, OnlyTheActivitiesOfThisVersionAreEnabled) {
    TMainMenu menu(log_.Steps());
    QList<int> enabled;
    for (int key = 1; key <= TMainMenu::kActivityCount; ++key) {
        QPushButton* button = menu.ActivityButton(key);
        ASSERT_NE(button, nullptr);
        if (button->isEnabled())
            enabled << key;
        else
            EXPECT_EQ(button->statusTip(), "Not available in this version yet") << key;
    }
    EXPECT_EQ(enabled, QList<int>({1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(menu.ActivityButton(1)->objectName(), "PlayButton");
    EXPECT_EQ(menu.ActivityButton(7)->text(), "Tip of   the day");
    EXPECT_EQ(menu.ActivityButton(0), nullptr);
    EXPECT_EQ(menu.ActivityButton(10), nullptr);
    EXPECT_EQ(menu.windowTitle(), "Lyrimo - Main Menu");
    EXPECT_EQ(menu.VersionText(), VersionLine());
    // The test program has no help file beside it.
    EXPECT_EQ(menu.HelpButton()->isEnabled(), !menu.HelpFile().isEmpty());
}

TEST_F(MainMenu, DigitKeysAnywhereInTheWindowPressTheirButton) {
    auto menu = RecordingMenu();
    for (int key = 1; key <= TMainMenu::kActivityCount; ++key)
        menu->ActivityButton(key)->setEnabled(true);
    menu->show();

    for (int key = 1; key <= TMainMenu::kActivityCount; ++key)
        PressKey(*menu, Qt::Key_0 + key);
    EXPECT_EQ(started_, QList<int>({1, 2, 3, 4, 5, 6, 7, 8, 9}));

    // From a button that has the focus, and from the keypad.
    started_.clear();
    PressKey(*menu->ActivityButton(2), Qt::Key_5);
    PressKey(*menu->HelpButton(), Qt::Key_3, Qt::KeypadModifier);
    EXPECT_EQ(started_, QList<int>({5, 3}));

    // Keys with Ctrl or Alt, and other keys, start nothing.
    started_.clear();
    PressKey(*menu, Qt::Key_1, Qt::ControlModifier);
    PressKey(*menu, Qt::Key_2, Qt::AltModifier);
    PressKey(*menu, Qt::Key_0);
    PressKey(*menu, Qt::Key_A);
    EXPECT_TRUE(started_.isEmpty());
}

TEST_F(MainMenu, EscapeAndCtrlQCloseTheMenuLikeItsCloseBox) {
    for (auto [key, modifiers] : {std::pair{Qt::Key_Escape, Qt::KeyboardModifiers()},
                                  std::pair{Qt::Key_Q, Qt::KeyboardModifiers(Qt::ControlModifier)}}) {
        auto menu = RecordingMenu();
        int closed = 0;
        QObject::connect(menu.get(), &TMainMenu::Closed, [&] { ++closed; });
        menu->show();
        PressKey(*menu, Qt::Key_Q);
        PressKey(*menu, Qt::Key_Escape, Qt::ShiftModifier);
        EXPECT_TRUE(menu->isVisible());
        PressKey(*menu->ActivityButton(1), key, modifiers);
        EXPECT_FALSE(menu->isVisible());
        EXPECT_EQ(closed, 1);
        EXPECT_TRUE(started_.isEmpty());
    }
}

TEST_F(MainMenu, KeysOfDisabledButtonsDoNothing) {
    auto menu = RecordingMenu();
    menu->show();
    for (int key = 1; key <= TMainMenu::kActivityCount; ++key)
        PressKey(*menu, Qt::Key_0 + key);
    EXPECT_EQ(started_, QList<int>({1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST_F(MainMenu, StatusLineShowsTheHintUnderThePointerAndWelcomesOtherwise) {
    TMainMenu menu(log_.Steps());
    menu.show();
    EXPECT_EQ(menu.StatusText(), WelcomeText());

    auto enter = [](QWidget* widget) {
        QEnterEvent event(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QApplication::sendEvent(widget, &event);
    };
    auto leave = [](QWidget* widget) {
        QEvent event(QEvent::Leave);
        QApplication::sendEvent(widget, &event);
    };
    enter(menu.ActivityButton(1));
    EXPECT_EQ(menu.StatusText(), "Click to play a karaoke back");
    leave(menu.ActivityButton(1));
    EXPECT_EQ(menu.StatusText(), WelcomeText());
    enter(menu.ActivityButton(9));
    EXPECT_EQ(menu.StatusText(), "Click for more information about Lyrimo");
    enter(menu.HelpButton());
    EXPECT_EQ(menu.StatusText(), "Click here for On-Line Help...");
    leave(menu.HelpButton());
    EXPECT_EQ(menu.StatusText(), WelcomeText());
}

TEST_F(MainMenu, PlayLoopCollapsesTheMenuAndRestoresItsPlaceAndSize) {
    TMainMenu menu(log_.Steps());
    menu.setGeometry(140, 120, 760, 540);
    menu.show();
    QApplication::processEvents();
    const QRect before = menu.geometry();

    bool collapsedDuringLoop = false;
    menu.Steps().chooseSongFile = [&] {
        collapsedDuringLoop = menu.IsCollapsed() && !menu.isVisible() && !menu.isEnabled();
        return QString();
    };
    PressKey(menu, Qt::Key_1);
    EXPECT_TRUE(collapsedDuringLoop);
    EXPECT_FALSE(menu.IsCollapsed());
    EXPECT_TRUE(menu.isVisible());
    EXPECT_TRUE(menu.isEnabled());
    EXPECT_EQ(menu.geometry(), before);
    EXPECT_TRUE(ui_.shownMessages.isEmpty());
}

TEST_F(MainMenu, RestoreKeepsTheEnabledStateAndVisibilityItFound) {
    TMainMenu menu(log_.Steps());
    menu.setGeometry(10, 20, 600, 400);
    menu.setEnabled(false);
    {
        tMenuCollapsed collapsed(menu);
        menu.Collapse(); // a second collapse changes nothing
    }
    EXPECT_FALSE(menu.isEnabled());
    EXPECT_FALSE(menu.isVisible());
    EXPECT_EQ(menu.geometry(), QRect(10, 20, 600, 400));
    menu.Restore(); // without a collapse, nothing to do
    EXPECT_FALSE(menu.isVisible());
}

TEST_F(MainMenu, DroppingSeveralFilesPlaysOnlyTheFirst) {
    TMainMenu menu(log_.Steps());
    menu.show();
    Drop(menu, {SongFile("First.LyM", "First"), SongFile("second.lym", "Second"), TextFile("third.txt")});
    EXPECT_EQ(log_.Plays(), QStringList({"play First"}));
    EXPECT_TRUE(menu.isVisible());
    EXPECT_TRUE(ui_.shownMessages.isEmpty());
}

TEST_F(MainMenu, DroppedFilesThatCannotBePlayedAreReported) {
    TMainMenu menu(log_.Steps());
    menu.show();
    Drop(menu, {TextFile("notes.txt"), SongFile("song.lym", "Song")});
    Drop(menu, {folder_ + "/party.LPL"});
    Drop(menu, {TextFile("fake.lym")});
    EXPECT_TRUE(log_.Plays().isEmpty());
    EXPECT_EQ(ui_.shownMessages, QStringList({"Error: Error loading specified file.",
                                              "Please Note...: This is not a valid Lyrimo playlist file...",
                                              "Please Note...: This is not a valid Lyrimo file..."}));
    EXPECT_TRUE(menu.isVisible());
}

TEST_F(MainMenu, ADroppedPlaylistOpensItsSetupWithTheMenuFoldedAway) {
    auto menu = std::make_unique<TMainMenu>(log_.Steps());
    menu->show();
    bool menuHidden = false;
    const auto record = menu->Steps().setUpBatch;
    menu->Steps().setUpBatch = [&](tBatchKaraokeFile& playlist, const QString& fileName) {
        menuHidden = !menu->isVisible();
        record(playlist, fileName);
    };
    const QString list = PlaylistFile("Party.LpL", {"/songs/a.lym", "/songs/b.lym"});
    Drop(*menu, {list, SongFile("song.lym", "Song")});
    EXPECT_TRUE(menuHidden);
    EXPECT_TRUE(log_.events.contains("set up 2 songs from \"" + list + "\""));
    EXPECT_TRUE(log_.Plays().isEmpty());
    EXPECT_TRUE(menu->isVisible());
}

TEST_F(MainMenu, TheAboutBoxNamesLinuxAndNoOtherPlatform) {
    TAboutWnd about;
    QStringList texts;
    for (const QLabel* label : about.findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains("Lyrimo - Karaoke for Linux Made Easy!")) << texts.join(" | ").toStdString();
    for (const QString& text : texts)
        EXPECT_FALSE(text.contains("Windows")) << text.toStdString();
}

TEST_F(MainMenu, TipOfTheDayOpensAtStartOnlyWhenEnabled) {
    Settings().TipsEnabled = true;
    auto menu = RecordingMenu();
    QElapsedTimer timer;
    timer.start();
    while (started_.isEmpty() && timer.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_EQ(started_, QList<int>({7}));

    started_.clear();
    Settings().TipsEnabled = false;
    auto quiet = RecordingMenu();
    ProcessEventsFor(200);
    EXPECT_TRUE(started_.isEmpty());
}

TEST_F(MainMenu, TipWindowWalksThroughTheTipsAndRemembersWhereItStopped) {
    const int count = int(Tips().size());
    ASSERT_GE(count, 3);
    Settings().TipsIndex = count + 1; // from a version with more tips
    {
        TTipOfDayWnd tips;
        EXPECT_EQ(tips.ShownTip(), 1);
        EXPECT_EQ(tips.TipText(), TipText(1));
        tips.NextTip();
        EXPECT_EQ(tips.TipText(), TipText(2));
        tips.ShowAtStartBox()->setChecked(false);
        EXPECT_FALSE(Settings().TipsEnabled);
        tips.accept();
    }
    EXPECT_EQ(Settings().TipsIndex, 3 % count);

    Settings().TipsIndex = count - 1;
    TTipOfDayWnd last;
    EXPECT_FALSE(last.ShowAtStartBox()->isChecked());
    last.NextTip();
    EXPECT_EQ(last.ShownTip(), 0);
    last.reject();
    EXPECT_EQ(Settings().TipsIndex, 1);

    Settings().TipsIndex = -5;
    EXPECT_EQ(TTipOfDayWnd().ShownTip(), ((-5 % count) + count) % count);
}

TEST_F(MainMenu, TipExamplesAreShownExactlyAsTyped) {
    // Translation writes the product name with a capital, which would break a command.
    for (int i = 0; i < int(Tips().size()); ++i) {
        if (Tips()[size_t(i)].example) {
            EXPECT_TRUE(TipText(i).endsWith(Tips()[size_t(i)].example)) << TipText(i).toStdString();
        }
    }
}

TEST_F(MainMenu, EditingASongStepsTheMenuAside) {
    TMainMenu menu(log_.Steps());
    menu.show();
    bool collapsedWhileEditing = false;
    menu.Steps().editSong = [&](const QString& file) {
        collapsedWhileEditing = menu.IsCollapsed();
        log_.events << "edit " + file;
    };
    menu.Activities[2]();
    EXPECT_EQ(log_.events, QStringList({"edit "}));
    EXPECT_TRUE(collapsedWhileEditing);
    EXPECT_FALSE(menu.IsCollapsed());
}

} // namespace
} // namespace lyrimo
