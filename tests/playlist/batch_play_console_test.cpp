// The playlist editor: its rows, the commands and their confirmations, drops, and batch play
// started from it.
#include "playlist/batch_play_console.h"

#include "app/app_services.h"
#include "document/song.h"
#include "drop_files.h"
#include "playlist/playlist_file.h"
#include "test_support.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <gtest/gtest.h>

#include <deque>
#include <ostream>

static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace lyrimo {
namespace {

using test::ScratchFolder;

void Press(QWidget& target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(&target, &press);
}

void Drop(QWidget& target, const QStringList& files) { ASSERT_TRUE(test::DropFiles(target, files)); }

class ConsoleTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui_.printMessages = false;
        SetApp(&ui_);
        static int runs = 0;
        folder_ = ScratchFolder() + QString("/console-%1").arg(++runs);
        QDir().mkpath(folder_);
    }
    void TearDown() override { SetApp(nullptr); }

    QString Song(const QString& name, const QByteArray& songName, int cdTrack = -1) {
        tLyrimoData song;
        song.SetSongName(songName);
        song.SetArtistName("Artist of " + songName);
        song.SetAlbumName("Album");
        if (cdTrack >= 0) {
            song.SongSettings.setUseMediaFile(0);
            song.SongSettings.setCdTrack(uint16_t(cdTrack));
        } else {
            song.SongSettings.setUseMediaFile(1);
            song.SongSettings.setMediaFileName(QFile::encodeName("/music/" + QString(songName) + ".ogg"));
        }
        const QString path = folder_ + "/" + name;
        EXPECT_EQ(song.SaveToFile(path), 0);
        return path;
    }

    QString PlaylistFile(const QString& name, const QStringList& entries, bool random = false) {
        tBatchKaraokeFile list;
        list.Entries = entries;
        list.RandomOrder = random;
        const QString path = folder_ + "/" + name;
        EXPECT_TRUE(SavePlaylist(list, path));
        return path;
    }

    // A console whose file dialogs answer from the queues and whose batch play is recorded.
    std::unique_ptr<TBatchPlayConsole> Console(const QString& fileName = {}) {
        auto console = std::make_unique<TBatchPlayConsole>(playlist_, fileName);
        tBatchConsoleSteps& steps = console->Steps;
        steps.choosePlaylistToLoad = [this](QWidget*) { return Next(loadAnswers_); };
        steps.choosePlaylistToSave = [this](QWidget*) { return Next(saveAnswers_); };
        steps.chooseSongs = [this](QWidget*) {
            ++songQuestions_;
            return songAnswers_;
        };
        steps.play = [this, c = console.get()](const tBatchKaraokeFile& list) {
            played_.push_back(list.Entries);
            hiddenWhilePlaying_ = c->isHidden();
            return true;
        };
        return console;
    }

    static QString Next(std::deque<QString>& answers) {
        if (answers.empty())
            return {};
        QString answer = answers.front();
        answers.pop_front();
        return answer;
    }

    static QStringList Column(const TBatchPlayConsole& console, int column) {
        QStringList texts;
        for (int row = 0; row < console.List()->topLevelItemCount(); ++row)
            texts << console.List()->topLevelItem(row)->text(column);
        return texts;
    }

    static void Select(TBatchPlayConsole& console, std::initializer_list<int> rows) {
        console.List()->clearSelection();
        for (int row : rows)
            console.List()->topLevelItem(row)->setSelected(true);
    }

    QStringList Files(std::initializer_list<const char*> names) const {
        QStringList entries;
        for (const char* name : names)
            entries << "0" + folder_ + "/" + name;
        return entries;
    }

    tHeadlessServices ui_;
    QString folder_;
    tBatchKaraokeFile playlist_;
    std::deque<QString> loadAnswers_, saveAnswers_;
    QStringList songAnswers_;
    int songQuestions_ = 0;
    std::vector<QStringList> played_;
    bool hiddenWhilePlaying_ = false;
};

TEST_F(ConsoleTest, RowsShowEachSongsSettingsAndTheEntriesTicks) {
    const QString cd = Song("cd.lym", "On Disc", 7);
    const QString file = Song("file.lym", "From File");
    const QString text = folder_ + "/notes.lym";
    ASSERT_TRUE(test::WriteFile(text, "just some notes, not a song"));
    playlist_.Entries = {"1" + cd, "0" + file, "0" + text, "1" + folder_ + "/gone.lym"};

    auto console = Console();
    EXPECT_EQ(console->windowTitle(), "Lyrimo Batch Play Setup");
    EXPECT_EQ(Column(*console, TBatchPlayConsole::FileColumn),
              QStringList({"cd.lym", "file.lym", "notes.lym", "gone.lym"}));
    EXPECT_EQ(Column(*console, TBatchPlayConsole::SongNameColumn),
              QStringList({"On Disc", "From File", "Loading", "Loading"}));
    EXPECT_EQ(Column(*console, TBatchPlayConsole::AlbumColumn),
              QStringList({"Album", "Album", "Error", "Error"}));
    EXPECT_EQ(Column(*console, TBatchPlayConsole::ArtistColumn),
              QStringList({"Artist of On Disc", "Artist of From File", "File", "File"}));
    EXPECT_EQ(Column(*console, TBatchPlayConsole::SourceColumn),
              QStringList({"CD Track 7", "/music/From File.ogg", "", ""}));
    QStringList ticks;
    for (int row = 0; row < 4; ++row)
        ticks << (console->List()->topLevelItem(row)->checkState(0) == Qt::Checked ? "x" : "-");
    EXPECT_EQ(ticks, QStringList({"x", "-", "-", "x"}));
    EXPECT_TRUE(console->Saved());
    EXPECT_EQ(console->StatusText(), "Batch Playlist Editor - New File");
}

TEST_F(ConsoleTest, TickingARowWritesTheEntryAndCountsAsAChange) {
    playlist_.Entries = Files({"a.lym", "b.lym"});
    auto console = Console();
    console->List()->topLevelItem(1)->setCheckState(0, Qt::Checked);
    EXPECT_EQ(playlist_.Entries[1], "1" + folder_ + "/b.lym");
    EXPECT_EQ(playlist_.Entries[0], "0" + folder_ + "/a.lym");
    EXPECT_FALSE(console->Saved());
    console->List()->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(playlist_.Entries[1], "0" + folder_ + "/b.lym");
}

TEST_F(ConsoleTest, StatusLineNamesThePlaylistAndShowsHintsWhileTheMouseIsOverAControl) {
    const QString file = PlaylistFile("party.lpl", Files({"a.lym"}));
    ASSERT_TRUE(LoadPlaylist(playlist_, file));
    auto console = Console(file);
    EXPECT_EQ(console->StatusText(), "Playlist: party.lpl");

    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(console->AddButton(), &enter);
    EXPECT_EQ(console->StatusText(), "Add songs to your playlist");
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(console->AddButton(), &leave);
    EXPECT_EQ(console->StatusText(), "Playlist: party.lpl");
    QApplication::sendEvent(console->RandomOrderBox(), &enter);
    EXPECT_EQ(console->StatusText(), "Play songs in a random order");
    QApplication::sendEvent(console->MoveDownButton(), &enter);
    EXPECT_EQ(console->StatusText(), "Move Selection Down");
}

TEST_F(ConsoleTest, DeletingThreeOfFiveSelectedRowsKeepsTheOtherTwoInOrder) {
    playlist_.Entries = Files({"1.lym", "2.lym", "3.lym", "4.lym", "5.lym"});
    auto console = Console();
    console->DeleteClick(); // nothing selected: nothing asked
    EXPECT_TRUE(ui_.shownMessages.isEmpty());

    Select(*console, {0, 2, 3});
    ui_.scriptedAnswers = {mb::IdCancel};
    Press(*console->List(), Qt::Key_8);
    EXPECT_EQ(ui_.shownMessages,
              QStringList({"Remove Song(s): Remove selected song(s) from the playlist? Are you sure?"}));
    EXPECT_EQ(playlist_.Count(), 5);
    EXPECT_TRUE(console->Saved());

    ui_.scriptedAnswers = {mb::IdOk};
    console->DeleteClick();
    EXPECT_EQ(playlist_.Entries, Files({"2.lym", "5.lym"}));
    EXPECT_EQ(Column(*console, 0), QStringList({"2.lym", "5.lym"}));
    EXPECT_FALSE(console->Saved());
}

TEST_F(ConsoleTest, MovingUpAndDownSwapsWithTheNeighbourAndKeepsTheSelection) {
    playlist_.Entries = Files({"a.lym", "b.lym", "c.lym", "d.lym"});
    playlist_.Entries[1][0] = '1';
    auto console = Console();

    Select(*console, {0});
    console->MoveUpClick(); // the first row cannot go higher
    EXPECT_EQ(Column(*console, 0), QStringList({"a.lym", "b.lym", "c.lym", "d.lym"}));
    EXPECT_TRUE(console->Saved());

    Select(*console, {1});
    console->MoveUpClick();
    EXPECT_EQ(Column(*console, 0), QStringList({"b.lym", "a.lym", "c.lym", "d.lym"}));
    EXPECT_EQ(playlist_.Entries[0], "1" + folder_ + "/b.lym"); // the tick went along
    EXPECT_EQ(console->List()->topLevelItem(0)->checkState(0), Qt::Checked);
    EXPECT_TRUE(console->List()->topLevelItem(0)->isSelected());
    EXPECT_FALSE(console->List()->topLevelItem(1)->isSelected());
    EXPECT_FALSE(console->Saved());

    Select(*console, {2, 3});
    console->MoveDownClick(); // a block at the bottom stays
    EXPECT_EQ(Column(*console, 0), QStringList({"b.lym", "a.lym", "c.lym", "d.lym"}));
    console->MoveUpClick();
    EXPECT_EQ(Column(*console, 0), QStringList({"b.lym", "c.lym", "d.lym", "a.lym"}));
    EXPECT_EQ(playlist_.Entries, QStringList({"1" + folder_ + "/b.lym", "0" + folder_ + "/c.lym",
                                              "0" + folder_ + "/d.lym", "0" + folder_ + "/a.lym"}));
    EXPECT_TRUE(console->List()->topLevelItem(1)->isSelected());
    EXPECT_TRUE(console->List()->topLevelItem(2)->isSelected());

    // The rows still know their entries: ticking the moved row changes the right one.
    console->List()->topLevelItem(3)->setCheckState(0, Qt::Checked);
    EXPECT_EQ(playlist_.Entries[3], "1" + folder_ + "/a.lym");
}

TEST_F(ConsoleTest, APlaylistDroppedFirstIsLoadedAndTheSongsAfterItAreIgnored) {
    const QString list = PlaylistFile("show.lpl", Files({"x.lym"}), true);
    auto console = Console();
    Drop(*console, {list, folder_ + "/one.lym", folder_ + "/two.LYM"});
    EXPECT_EQ(playlist_.Entries, Files({"x.lym"}));
    EXPECT_TRUE(playlist_.RandomOrder);
    EXPECT_TRUE(console->RandomOrderBox()->isChecked());
    EXPECT_EQ(console->PlaylistFileName(), list);
    EXPECT_TRUE(console->Saved());
    EXPECT_TRUE(ui_.shownMessages.isEmpty());
}

TEST_F(ConsoleTest, SongsDroppedFirstAreAppendedAndALaterPlaylistReplacesThemOnlyWhenConfirmed) {
    const QString list = PlaylistFile("show.LPL", Files({"x.lym"}));
    auto console = Console();
    ui_.scriptedAnswers = {mb::IdCancel};
    Drop(*console,
         {folder_ + "/one.lym", folder_ + "/notes.txt", folder_ + "/two.LYM", list, folder_ + "/three.lym"});
    EXPECT_EQ(playlist_.Entries, Files({"one.lym", "two.LYM"}));
    EXPECT_EQ(Column(*console, 0), QStringList({"one.lym", "two.LYM"}));
    EXPECT_FALSE(console->Saved());
    EXPECT_EQ(ui_.shownMessages,
              QStringList({"Save Warning: Your current playlist has not been saved, load a "
                           "new list?"}));

    playlist_.Entries.clear();
    auto second = Console();
    ui_.shownMessages.clear();
    ui_.scriptedAnswers = {mb::IdOk};
    Drop(*second, {folder_ + "/one.lym", list, folder_ + "/three.lym"});
    EXPECT_EQ(ui_.shownMessages.size(), 1);
    EXPECT_EQ(playlist_.Entries, Files({"x.lym"}));
    EXPECT_EQ(Column(*second, 0), QStringList({"x.lym"}));
    EXPECT_EQ(second->PlaylistFileName(), list);
    EXPECT_TRUE(second->Saved());
}

TEST_F(ConsoleTest, ABadPlaylistIsReportedAndLeavesAnEmptyNewList) {
    const QString bad = folder_ + "/bad.lpl";
    ASSERT_TRUE(test::WriteFile(bad, "lyrimo playlist file. %10\r\n0/a.lym\r\n"));
    playlist_.Entries = Files({"a.lym"});
    const QString good = PlaylistFile("good.lpl", Files({"a.lym"}));
    auto console = Console(good);
    loadAnswers_ = {bad};
    Press(*console, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(ui_.shownMessages, QStringList({"Playlist Error: Error loading specified playlist file"}));
    EXPECT_EQ(playlist_.Count(), 0);
    EXPECT_EQ(console->List()->topLevelItemCount(), 0);
    EXPECT_EQ(console->PlaylistFileName(), "");
    EXPECT_EQ(console->StatusText(), "Batch Playlist Editor - New File");
    EXPECT_TRUE(console->Saved());
}

TEST_F(ConsoleTest, SavedFollowsTheCommandsAndClosingUnsavedAsksFirst) {
    songAnswers_ = {folder_ + "/a.lym", folder_ + "/b.lym"};
    auto console = Console();
    console->show();
    Press(*console, Qt::Key_7);
    EXPECT_EQ(songQuestions_, 1);
    EXPECT_EQ(playlist_.Entries, Files({"a.lym", "b.lym"}));
    EXPECT_FALSE(console->Saved());

    ui_.scriptedAnswers = {mb::IdCancel};
    Press(*console->List(), Qt::Key_Escape);
    EXPECT_TRUE(console->isVisible());
    EXPECT_EQ(ui_.shownMessages.value(0),
              "Save Warning: Your current playlist has not been saved, exit the batch playlist editor?");

    // Save without a name asks for one; a name without an extension gets ".lpl".
    saveAnswers_ = {folder_ + "/party"};
    Press(*console, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(console->PlaylistFileName(), folder_ + "/party.lpl");
    EXPECT_TRUE(console->Saved());
    tBatchKaraokeFile written;
    ASSERT_TRUE(LoadPlaylist(written, folder_ + "/party.lpl"));
    EXPECT_EQ(written.Entries, playlist_.Entries);
    EXPECT_EQ(console->StatusText(), "Playlist: party.lpl");

    console->RandomOrderBox()->click();
    EXPECT_TRUE(playlist_.RandomOrder);
    EXPECT_FALSE(console->Saved());
    ui_.shownMessages.clear();
    Press(*console, Qt::Key_3);
    EXPECT_EQ(ui_.shownMessages, QStringList({"Save Playlist: Playlist was saved sucessfully!"}));
    EXPECT_TRUE(console->Saved());
    ASSERT_TRUE(LoadPlaylist(written, folder_ + "/party.lpl"));
    EXPECT_TRUE(written.RandomOrder);

    ui_.shownMessages.clear();
    Press(*console, Qt::Key_Escape);
    EXPECT_FALSE(console->isVisible());
    EXPECT_TRUE(ui_.shownMessages.isEmpty());
}

TEST_F(ConsoleTest, ASaveThatFailsKeepsTheNameAndTheUnsavedState) {
    playlist_.Entries = Files({"a.lym"});
    const QString file = PlaylistFile("keep.lpl", Files({"a.lym"}));
    auto console = Console(file);
    console->RandomOrderClick(true);
    saveAnswers_ = {folder_ + "/no/such/folder/x.lpl"};
    Press(*console, Qt::Key_4);
    EXPECT_EQ(ui_.shownMessages, QStringList({"Save Playlist: Error saving playlist to specified file"}));
    EXPECT_EQ(console->PlaylistFileName(), file);
    EXPECT_FALSE(console->Saved());
    // Cancelling the file dialog changes nothing.
    console->SaveAsClick();
    EXPECT_EQ(console->PlaylistFileName(), file);
    EXPECT_EQ(ui_.shownMessages.size(), 1);
}

TEST_F(ConsoleTest, NewAsksDifferentlyWhenTheListIsUnsavedAndOnlyOkClears) {
    playlist_.Entries = Files({"a.lym"});
    playlist_.RandomOrder = true;
    auto console = Console(folder_ + "/old.lpl");
    ui_.scriptedAnswers = {mb::IdCancel};
    Press(*console, Qt::Key_1);
    EXPECT_EQ(ui_.shownMessages.value(0), "New Playlist: Start a new playlist? are you sure?");
    EXPECT_EQ(playlist_.Count(), 1);

    console->RandomOrderClick(false);
    ui_.scriptedAnswers = {mb::IdOk};
    Press(*console, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(ui_.shownMessages.value(1),
              "New Playlist: Your current playlist has not been saved, are you sure?");
    EXPECT_EQ(playlist_.Count(), 0);
    EXPECT_FALSE(playlist_.RandomOrder);
    EXPECT_EQ(console->PlaylistFileName(), "");
    EXPECT_TRUE(console->Saved());
    EXPECT_EQ(console->StatusText(), "Batch Playlist Editor - New File");
}

TEST_F(ConsoleTest, StartPlaysTheCurrentListWithTheEditorHiddenAndShowsItAgainAsItWas) {
    playlist_.Entries = Files({"a.lym"});
    auto console = Console();
    songAnswers_ = {folder_ + "/b.lym"};
    console->AddClick();
    console->showMaximized();
    Press(*console->List(), Qt::Key_Return);
    ASSERT_EQ(played_.size(), 1u);
    EXPECT_EQ(played_[0], Files({"a.lym", "b.lym"})); // unsaved changes play too
    EXPECT_TRUE(hiddenWhilePlaying_);
    EXPECT_TRUE(console->isVisible());
    EXPECT_TRUE(console->isMaximized());
    EXPECT_FALSE(console->Saved()); // playing saves nothing

    console->showNormal();
    Press(*console, Qt::Key_9);
    EXPECT_EQ(played_.size(), 2u);
    EXPECT_FALSE(console->isMaximized());
}

TEST_F(ConsoleTest, TheModalRunGoesOnAcrossBatchPlayUntilTheEditorIsClosed) {
    playlist_.Entries = Files({"a.lym"});
    auto console = Console();
    bool visibleAfterPlay = false;
    QTimer::singleShot(0, console.get(), [&] {
        console->StartClick();
        visibleAfterPlay = console->isVisible();
        // Only a loop still running sees this; one that ended with the hiding returned already.
        QTimer::singleShot(0, console.get(), [&] { console->done(QDialog::Accepted); });
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        ADD_FAILURE() << "the editor did not close";
        console->done(QDialog::Rejected);
    });
    watchdog.start(10000);
    EXPECT_EQ(console->exec(), QDialog::Accepted);
    EXPECT_EQ(played_.size(), 1u);
    EXPECT_TRUE(hiddenWhilePlaying_);
    EXPECT_TRUE(visibleAfterPlay);
}

} // namespace
} // namespace lyrimo
