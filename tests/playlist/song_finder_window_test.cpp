// The song finder window: its choices kept in the settings, a search with its progress, stopped
// or cut short by closing, the sorted result list, choosing a song and, as a launcher, starting
// the program on it; and the folder chooser.
#include "playlist/folder_chooser.h"
#include "playlist/song_finder_window.h"

#include "app/app_services.h"
#include "playback/monitors.h"
#include "song_tree.h"
#include "test_support.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>

inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

class FinderWindow : public testing::Test {
protected:
    void SetUp() override {
        SetApp(&services_);
        services_.printMessages = false;
        OpenSettingsStore()->remove("FindSongReq");
        Settings() = tSettingsClass();
        root_ = ScratchFolder() + "/finder-window-" + QString::number(++runs_) + "/";
        Song("pop/yellow.lym",
             {"Yellow", "Coldplay", "Parachutes", {"look at the stars", "look how they shine"}});
        Song("pop/fix you.lym", {"Fix You", "Coldplay", "X&Y", {"lights will guide you home"}});
        Song("rock/Zombie.lym", {"Zombie", "The Cranberries", "", {"in your head"}});
        Song("rock/stars.lym", {"Stars", "Simply Red", "", {"too many stars"}});
    }
    void TearDown() override { SetApp(nullptr); }

    void Song(const QString& relative, const tSongContent& content) {
        ASSERT_TRUE(WriteSong(root_ + relative, content));
    }

    std::unique_ptr<TFindform> Window(bool launcher = false) {
        auto window = std::make_unique<TFindform>(false, launcher, root_);
        window->startProgram = [this](const QString& program, const QStringList& arguments) {
            started_ << program + " " + arguments.join(' ');
            return startWorks_;
        };
        return window;
    }

    static QStringList Column(const TFindform& window, int column) {
        QStringList texts;
        for (int i = 0; i < window.ResultList()->topLevelItemCount(); ++i)
            texts << window.ResultList()->topLevelItem(i)->text(column);
        return texts;
    }

    static void Key(QWidget* target, int key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
    }

    static void Select(TFindform& window, int row) {
        window.ResultList()->setCurrentItem(window.ResultList()->topLevelItem(row));
    }

    tHeadlessServices services_;
    QString root_;
    QStringList started_;
    bool startWorks_ = true;
    static inline int runs_ = 0;
};

TEST_F(FinderWindow, OpensOnTheFolderOfThePathWithTheStoredChoices) {
    {
        const std::unique_ptr<QSettings> store = OpenSettingsStore();
        store->beginGroup("FindSongReq");
        store->setValue("SongName", 0);
        store->setValue("Lyrics", 1);
        store->setValue("FindMode", 2);
    }
    TFindform window(false, false, root_ + "pop/yellow.lym");
    EXPECT_EQ(window.windowTitle(), "Find Lyrimo File");
    EXPECT_EQ(window.FolderField()->text(), root_ + "pop/");
    EXPECT_FALSE(window.SongNameBox()->isChecked());
    EXPECT_TRUE(window.LyricsBox()->isChecked());
    EXPECT_FALSE(window.ArtistBox()->isChecked()); // not stored: the default
    EXPECT_EQ(window.ModeBox()->currentIndex(), 2);
    EXPECT_EQ(window.minimumSize(), QSize(600, 431));
    EXPECT_EQ(window.OkButton()->text(), "OK");
    EXPECT_EQ(window.EditButton(), nullptr);

    TFindform folder(false, false, root_ + "rock");
    EXPECT_EQ(folder.FolderField()->text(), root_ + "rock/");

    window.ArtistBox()->setChecked(true);
    window.AlbumBox()->setChecked(true);
    window.ModeBox()->setCurrentIndex(3);
    window.CancelButton()->click();
    EXPECT_TRUE(Settings().Artists);
    EXPECT_EQ(Settings().FindMode, 3);
    const std::unique_ptr<QSettings> store = OpenSettingsStore();
    store->beginGroup("FindSongReq");
    EXPECT_EQ(store->value("Artists").toInt(), 1);
    EXPECT_EQ(store->value("Album").toInt(), 1);
    EXPECT_EQ(store->value("SongName").toInt(), 0);
    EXPECT_EQ(store->value("FindMode").toInt(), 3);
}

TEST_F(FinderWindow, EnterFindsASongByAWordOfItsLyricsAndShowsProgress) {
    auto window = Window();
    window->SongNameBox()->setChecked(false);
    window->LyricsBox()->setChecked(true);
    window->TextField()->setText("SHINE");
    QStringList seen;
    int nested = 0;
    window->afterStep = [&] {
        seen << window->StatusText();
        EXPECT_TRUE(window->Busy());
        EXPECT_FALSE(window->BeginButton()->isEnabled());
        EXPECT_TRUE(window->StopButton()->isEnabled());
        if (nested++ == 0)
            Key(window->TextField(), Qt::Key_Return); // ignored while busy
    };
    Key(window->TextField(), Qt::Key_Return);
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_TRUE(seen.contains("Scanning " + root_ + "pop/"));
    EXPECT_EQ(Column(*window, TFindform::FileColumn), QStringList({"yellow.lym"}));
    const QTreeWidgetItem* row = window->ResultList()->topLevelItem(0);
    EXPECT_EQ(row->text(TFindform::PathColumn), root_ + "pop/");
    EXPECT_EQ(row->text(TFindform::AlbumColumn), "Parachutes");
    EXPECT_EQ(row->text(TFindform::SongColumn), "Yellow");
    EXPECT_EQ(row->text(TFindform::ArtistColumn), "Coldplay");
    EXPECT_EQ(window->StatusText(), "Search Completed...");
    EXPECT_EQ(window->ProgressText(), "Folders looked at: 3    Songs looked at: 4    Found: 1");
    EXPECT_FALSE(window->Busy());
    EXPECT_TRUE(window->BeginButton()->isEnabled());
    EXPECT_FALSE(window->StopButton()->isEnabled());

    // A second search replaces the first one's rows; Enter searches even on another button.
    window->TextField()->setText("you");
    window->show();
    Key(window->CancelButton(), Qt::Key_Return);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(Column(*window, TFindform::FileColumn), QStringList({"Zombie.lym", "fix you.lym"}));
}

TEST_F(FinderWindow, EscapeStopsTheSearchAndKeepsWhatWasFound) {
    auto window = Window();
    window->ModeBox()->setCurrentIndex(3); // don't contain: every song
    window->TextField()->setText("nothing like this");
    window->afterStep = [&] {
        if (window->ResultList()->topLevelItemCount() == 1)
            Key(window->ResultList(), Qt::Key_Escape);
    };
    window->show();
    window->BeginSearch();
    EXPECT_EQ(window->ResultList()->topLevelItemCount(), 1);
    EXPECT_EQ(window->StatusText(), "Aborted...");
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->Busy());

    // Without a search running, Escape closes the window.
    window->afterStep = nullptr;
    Key(window->ResultList(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Rejected);
}

TEST_F(FinderWindow, ClosingTheWindowAbortsTheSearch) {
    auto window = Window();
    window->ModeBox()->setCurrentIndex(3);
    int steps = 0;
    window->afterStep = [&] {
        if (++steps == 3)
            window->close();
    };
    window->show();
    window->BeginSearch();
    EXPECT_EQ(steps, 3);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->Busy());
    EXPECT_EQ(window->StatusText(), "Aborted...");

    // Cancel during a search, from a window in its own modal loop.
    auto modal = Window();
    modal->ModeBox()->setCurrentIndex(3);
    modal->afterStep = [&] { modal->CancelButton()->click(); };
    QTimer::singleShot(0, modal.get(), [&] { modal->BeginSearch(); });
    EXPECT_EQ(modal->exec(), QDialog::Rejected);
    EXPECT_LE(modal->ResultList()->topLevelItemCount(), 1);
}

TEST_F(FinderWindow, AWindowDeletedDuringItsSearchEndsIt) {
    auto window = Window();
    window->ModeBox()->setCurrentIndex(3);
    TFindform* searching = window.get();
    bool deleting = false;
    window->afterStep = [&] {
        if (!std::exchange(deleting, true))
            QTimer::singleShot(0, [&] { window.reset(); });
    };
    searching->BeginSearch();
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(FinderWindow, RowsKeepTheOrderOfTheClickedColumn) {
    auto window = Window();
    window->ModeBox()->setCurrentIndex(3);
    window->BeginSearch();
    // By file name, character code by character code: capitals first.
    EXPECT_EQ(Column(*window, TFindform::FileColumn),
              QStringList({"Zombie.lym", "fix you.lym", "stars.lym", "yellow.lym"}));

    Select(*window, 0);
    emit window->ResultList()->header()->sectionClicked(TFindform::ArtistColumn);
    EXPECT_EQ(Column(*window, TFindform::ArtistColumn),
              QStringList({"Coldplay", "Coldplay", "Simply Red", "The Cranberries"}));
    EXPECT_EQ(window->ResultList()->currentItem()->text(TFindform::FileColumn), "Zombie.lym");

    // Rows found later go where the clicked column puts them; equal ones in the order found.
    window->BeginSearch();
    EXPECT_EQ(Column(*window, TFindform::ArtistColumn),
              QStringList({"Coldplay", "Coldplay", "Simply Red", "The Cranberries"}));
    const QStringList coldplay = Column(*window, TFindform::SongColumn).mid(0, 2);
    EXPECT_TRUE(coldplay == QStringList({"Yellow", "Fix You"}) ||
                coldplay == QStringList({"Fix You", "Yellow"}));
    emit window->ResultList()->header()->sectionClicked(TFindform::AlbumColumn);
    EXPECT_EQ(Column(*window, TFindform::AlbumColumn), QStringList({"", "", "Parachutes", "X&Y"}));
}

TEST_F(FinderWindow, OkAndDoubleClickChooseTheSelectedSong) {
    auto window = Window();
    window->TextField()->setText("stars");
    window->BeginSearch();
    ASSERT_EQ(window->ResultList()->topLevelItemCount(), 1);
    EXPECT_FALSE(window->OkButton()->isEnabled()); // nothing selected yet
    Select(*window, 0);
    ASSERT_TRUE(window->OkButton()->isEnabled());
    window->OkButton()->click();
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_EQ(window->ResultPath(), root_ + "rock/stars.lym");

    auto other = Window();
    other->TextField()->setText("yellow");
    other->BeginSearch();
    QTreeWidgetItem* row = other->ResultList()->topLevelItem(0);
    emit other->ResultList()->itemDoubleClicked(row, 0);
    EXPECT_EQ(other->ResultPath(), QString()); // a double click needs the row selected too
    other->ResultList()->setCurrentItem(row);
    emit other->ResultList()->itemDoubleClicked(row, 0);
    EXPECT_EQ(other->result(), QDialog::Accepted);
    EXPECT_EQ(other->ResultPath(), root_ + "pop/yellow.lym");
    EXPECT_TRUE(started_.isEmpty());
}

TEST_F(FinderWindow, LauncherPlaysAndEditsInANewInstanceAndStaysOpen) {
    auto window = Window(true);
    EXPECT_EQ(window->OkButton()->text(), "Play File");
    ASSERT_NE(window->EditButton(), nullptr);
    EXPECT_EQ(window->EditButton()->text(), "Edit File");
    EXPECT_EQ(window->pos(), QPoint(20, 20));
    window->TextField()->setText("fix");
    window->show();
    window->BeginSearch();
    Select(*window, 0);
    window->OkButton()->click();
    window->EditButton()->click();
    emit window->ResultList()->itemDoubleClicked(window->ResultList()->topLevelItem(0), 0);
    const QString program = QCoreApplication::applicationDirPath() + "/lyrimo";
    const QString song = root_ + "pop/fix you.lym";
    EXPECT_EQ(started_, QStringList({program + " " + song + " /PLAY", program + " " + song + " /EDIT",
                                     program + " " + song + " /PLAY"}));
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(services_.shownMessages.isEmpty());

    startWorks_ = false;
    window->OkButton()->click();
    ASSERT_EQ(services_.shownMessages.size(), 1);
    EXPECT_TRUE(services_.shownMessages[0].contains("could not be started"))
        << services_.shownMessages[0].toStdString();
    window->CancelButton()->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Rejected);
}

TEST_F(FinderWindow, BrowseReplacesTheFolderWithTheChosenOne) {
    auto window = Window();
    QString asked;
    QString answer;
    window->chooseFolder = [&](const QString& title, QString& folder) {
        asked = title + " @ " + folder;
        if (answer.isEmpty())
            return false;
        folder = answer;
        return true;
    };
    window->BrowseButton()->click();
    EXPECT_EQ(asked, "Select search directory @ " + root_);
    EXPECT_EQ(window->FolderField()->text(), root_);
    answer = root_ + "rock";
    window->BrowseButton()->click();
    EXPECT_EQ(window->FolderField()->text(), root_ + "rock/");
    window->TextField()->setText("s");
    window->BeginSearch();
    EXPECT_EQ(Column(*window, TFindform::FileColumn), QStringList({"stars.lym"}));
}

TEST_F(FinderWindow, AMissingFolderIsNamedAndNothingIsSearched) {
    auto window = Window();
    window->FolderField()->setText(root_ + "gone");
    window->ModeBox()->setCurrentIndex(3);
    window->BeginSearch();
    ASSERT_EQ(services_.shownMessages.size(), 1);
    EXPECT_EQ(services_.shownMessages[0], "Find Lyrimo File: There is no folder " + root_ + "gone");
    EXPECT_EQ(window->ResultList()->topLevelItemCount(), 0);
    EXPECT_FALSE(window->Busy());
    window->FolderField()->setText(root_ + "rock");
    window->BeginSearch();
    EXPECT_EQ(window->ResultList()->topLevelItemCount(), 2);
}

TEST_F(FinderWindow, WhileASongPlaysTheWindowsGoToTheControlMonitor) {
    Settings().PlayMon = "MAIN";
    Settings().CtrlMon = "SIDE";
    SetMonitorsForTesting(
        {{"MAIN", SizedRect(0, 0, 1024, 768), {}, 0}, {"SIDE", SizedRect(1024, 0, 800, 600), {}, 0}});
    Status().Playing = true;
    auto window = Window(true);
    TDirSelect chooser("Folder", root_);
    Status().Playing = false;
    UseRealMonitors();
    const QRect side(1024, 0, 800, 600);
    EXPECT_TRUE(side.contains(window->frameGeometry().center())) << window->frameGeometry().x();
    EXPECT_EQ(window->maximumSize(), QSize(800, 600));
    EXPECT_TRUE(side.contains(chooser.frameGeometry().center())) << chooser.frameGeometry().x();
}

TEST_F(FinderWindow, FolderChooserStartsAtTheGivenFolderAndNeedsAnExistingOne) {
    TDirSelect chooser("Select search directory", root_ + "rock/");
    EXPECT_EQ(chooser.windowTitle(), "Lyrimo - Select search directory");
    EXPECT_EQ(chooser.TitleLabel()->text(), "Select search directory");
    EXPECT_EQ(chooser.SelectedFolder(), root_ + "rock");
    EXPECT_TRUE(chooser.OkButton()->isEnabled());
    chooser.OkButton()->click();
    EXPECT_EQ(chooser.result(), QDialog::Accepted);

    TDirSelect missing("Pick", root_ + "nowhere");
    EXPECT_EQ(missing.SelectedFolder(), QString());
    EXPECT_FALSE(missing.OkButton()->isEnabled());
    EXPECT_TRUE(missing.SelectFolder(root_ + "pop"));
    EXPECT_EQ(missing.SelectedFolder(), root_ + "pop");
    EXPECT_TRUE(missing.OkButton()->isEnabled());
    EXPECT_FALSE(missing.SelectFolder(root_ + "pop/yellow.lym"));
}

TEST_F(FinderWindow, FolderChooserMovesWhenDraggedByItsTextOrTree) {
    TDirSelect chooser("Pick", root_);
    chooser.move(100, 100);
    const auto drag = [](QWidget* target, QPoint from, QPoint to) {
        const auto send = [target](QEvent::Type type, QPoint global, Qt::MouseButtons buttons) {
            QMouseEvent event(type, target->mapFromGlobal(QPointF(global)), QPointF(global), Qt::LeftButton,
                              buttons, Qt::NoModifier);
            QApplication::sendEvent(target, &event);
        };
        send(QEvent::MouseButtonPress, from, Qt::LeftButton);
        send(QEvent::MouseMove, to, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, to, Qt::NoButton);
    };
    const QPoint start = chooser.pos();
    const QPoint onText = chooser.TitleLabel()->mapToGlobal(QPoint(5, 5));
    drag(chooser.TitleLabel(), onText, onText + QPoint(1, 2)); // the text moves the window at once
    EXPECT_EQ(chooser.pos(), start + QPoint(1, 2));
    QWidget* tree = chooser.Tree()->viewport();
    const QPoint onTree = tree->mapToGlobal(QPoint(20, 20));
    drag(tree, onTree, onTree + QPoint(1, 0)); // a click that wobbles stays a click
    EXPECT_EQ(chooser.pos(), start + QPoint(1, 2));
    drag(tree, onTree, onTree + QPoint(40, 30));
    EXPECT_EQ(chooser.pos(), start + QPoint(41, 32));
}

} // namespace
