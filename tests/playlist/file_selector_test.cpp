// The file selector window: where it opens and what it remembers, its keys and buttons, its
// columns, and what the status line tells.
#include "playlist/file_selector.h"

#include "app/app_services.h"
#include "document/song.h"
#include "test_support.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSet>

#include <gtest/gtest.h>

#include <ostream>

using namespace lyrimo;
using namespace lyrimo::test;

inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

void WriteSong(const QString& path, const QByteArray& title, const QByteArray& artist) {
    tLyrimoData song;
    song.SetSongName(title);
    song.SetArtistName(artist);
    song.SongSettings.setUseMediaFile(1);
    song.SongSettings.setMediaFileName("/music/x.mp3");
    ASSERT_EQ(song.SaveToFile(path), 0);
}

// A folder with two subfolders and three songs.
QString SongFolder(const QString& name) {
    const QString folder = ScratchFolder() + "/" + name + "/";
    QDir(folder).removeRecursively();
    QDir().mkpath(folder + "Abba");
    QDir().mkpath(folder + "1990s");
    WriteSong(folder + "waterloo.lym", "Waterloo", "abba");
    WriteSong(folder + "shout.lym", "Shout", "Tears for Fears");
    WriteSong(folder + "gold.lym", "Mamma Mia", "ABBA Gold");
    return folder;
}

void Press(QWidget* target, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

void MoveMouse(QWidget* target, QPoint at) {
    QMouseEvent move(QEvent::MouseMove, at, target->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(target, &move);
}

QStringList Titles(const TFileSelector& selector) {
    QStringList titles;
    for (const TFile& entry : selector.Entries())
        titles << entry.Title;
    return titles;
}

int IndexOf(const TFileSelector& selector, const QString& title) {
    return static_cast<int>(Titles(selector).indexOf(title));
}

QPushButton* Button(TFileSelector& selector, const QString& digit) {
    for (QPushButton* button : selector.findChildren<QPushButton*>())
        if (button->text().startsWith(digit + " "))
            return button;
    return nullptr;
}

class FileSelector : public ::testing::Test {
protected:
    void SetUp() override {
        Settings().SortMethod = true;
        Settings().FileSelPath = folder_ = SongFolder("selector");
    }
    // The selector reading the stored folder at once, as showing it would 10 ms later.
    std::unique_ptr<TFileSelector> Open(std::function<bool(QString&)> find = {}) {
        auto selector = std::make_unique<TFileSelector>(std::move(find));
        selector->ShowCurrentPath();
        return selector;
    }
    QString folder_;
};

TEST_F(FileSelector, ReadsTheStoredFolderSortedAndRemembersWhereItWasLeft) {
    {
        auto selector = Open();
        EXPECT_EQ(selector->windowTitle(), "Lyrimo - File Selector");
        EXPECT_EQ(selector->CurrentPath(), folder_);
        EXPECT_EQ(Titles(*selector),
                  QStringList({"<parent directory>", "1990s", "Abba", "Waterloo", "Mamma Mia", "Shout"}));
        EXPECT_EQ(selector->List()->Selected(), 0);

        selector->List()->Select(IndexOf(*selector, "Abba"));
        Press(selector->List(), Qt::Key_Return);
        EXPECT_EQ(selector->CurrentPath(), folder_ + "Abba/");
        EXPECT_EQ(Titles(*selector), QStringList({"<parent directory>"}));
    }
    EXPECT_EQ(Settings().FileSelPath, folder_ + "Abba/");

    // Going back up selects the folder just left.
    auto selector = Open();
    Press(selector->List(), Qt::Key_Space);
    EXPECT_EQ(selector->CurrentPath(), folder_);
    EXPECT_EQ(selector->List()->Selected(), IndexOf(*selector, "Abba"));
}

TEST_F(FileSelector, StoredFolderThatIsGoneOpensTheNearestFolderAboveIt) {
    Settings().FileSelPath = folder_ + "gone/deeper";
    auto selector = Open();
    EXPECT_EQ(selector->CurrentPath(), folder_);
}

TEST_F(FileSelector, ShowingTheWindowReadsTheFolderShortlyAfter) {
    TFileSelector selector({});
    EXPECT_TRUE(selector.Entries().empty());
    selector.show();
    QElapsedTimer waited;
    waited.start();
    while (selector.Entries().empty() && waited.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(selector.Entries().size(), 6u);
    EXPECT_FALSE(selector.Reading());
    selector.hide();
}

TEST_F(FileSelector, TwoColumnsFromTwelveHundredEightyPixelsWide) {
    auto selector = Open();
    selector->show(); // a hidden window hears of its size only when shown
    selector->resize(1280, 700);
    EXPECT_EQ(selector->List()->ColumnCount(), 2);
    selector->resize(1279, 700);
    EXPECT_EQ(selector->List()->ColumnCount(), 1);
    selector->resize(1600, 900);
    ASSERT_EQ(selector->List()->ColumnCount(), 2);

    // A page that is not full shares its six entries between the columns: three down the first,
    // then three down the second. Down goes to the next entry, Right to the one beside.
    TSongListView* list = selector->List();
    EXPECT_EQ(list->EntryRect(1).top(), list->EntryRect(0).top() + TSongListView::kRowHeight);
    EXPECT_EQ(list->EntryRect(3).top(), list->EntryRect(0).top());
    EXPECT_GT(list->EntryRect(3).left(), list->EntryRect(2).right());
    EXPECT_EQ(list->EntryRect(0).height(), TSongListView::kRowHeight);
    EXPECT_EQ(list->EntryAt(list->EntryRect(4).center()), 4);
    Press(list, Qt::Key_Down);
    EXPECT_EQ(list->Selected(), 1);
    Press(list, Qt::Key_Right);
    EXPECT_EQ(list->Selected(), 4);
}

TEST_F(FileSelector, LongListsTurnWholePagesInTwoColumns) {
    const QString folder = ScratchFolder() + "/many/";
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    for (int i = 0; i < 120; ++i)
        WriteSong(folder + QString("song%1.lym").arg(i, 3, 10, QChar('0')), "Song", "Artist");
    Settings().FileSelPath = folder;
    auto selector = Open();
    selector->show();
    selector->resize(1600, 900);
    TSongListView* list = selector->List();
    ASSERT_EQ(list->ColumnCount(), 2);
    const int top = list->EntryRect(0).top();
    const int rows = (list->viewport()->height() - top * 2) / TSongListView::kRowHeight;
    ASSERT_GT(rows, 3);
    ASSERT_LT(rows * 2, 121);

    // The second column starts with the entry after the first column's last.
    EXPECT_EQ(list->EntryRect(rows).top(), top);
    EXPECT_EQ(list->EntryRect(rows - 1).top(), top + (rows - 1) * TSongListView::kRowHeight);
    // Going past the page's last entry turns to the next page, whose first entry is at the top.
    list->Select(2 * rows - 1);
    Press(list, Qt::Key_Down);
    EXPECT_EQ(list->Selected(), 2 * rows);
    EXPECT_EQ(list->EntryRect(2 * rows).top(), top);
    EXPECT_EQ(list->EntryAt(list->EntryRect(2 * rows).center()), 2 * rows);
    Press(list, Qt::Key_End);
    EXPECT_EQ(list->EntryAt(list->EntryRect(120).center()), 120);
    Press(list, Qt::Key_Home);
    EXPECT_EQ(list->EntryAt(list->EntryRect(0).center()), 0);
}

TEST_F(FileSelector, LongPathsAndTextsNeverWidenTheWindowBeyondItsMonitor) {
    QString folder = ScratchFolder() + "/";
    for (int i = 0; i < 6; ++i)
        folder += QString("A folder with a rather long name, number %1/").arg(i);
    QDir().mkpath(folder);
    const QByteArray longText(80, 'W');
    WriteSong(folder + QString(120, 'x') + ".lym", longText, longText);
    Settings().FileSelPath = folder;
    auto selector = Open();
    selector->show();
    selector->resize(1024, 700);
    EXPECT_EQ(selector->width(), 1024);
    selector->List()->Select(1); // its status line names the long file
    EXPECT_TRUE(selector->StatusText().contains(QString(120, 'x')));
    selector->resize(1024, 700);
    EXPECT_EQ(selector->width(), 1024);

    // The buttons take two rows when one row would cut their captions.
    for (int width : {1600, 1024, 1600}) {
        selector->resize(width, 700);
        QApplication::processEvents();
        for (QPushButton* button : selector->findChildren<QPushButton*>())
            EXPECT_GE(button->width(), button->sizeHint().width())
                << width << " " << button->text().toStdString();
    }
}

TEST_F(FileSelector, PlayKeysChooseTheSelectedSong) {
    for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space, Qt::Key_1}) {
        auto selector = Open();
        selector->List()->Select(IndexOf(*selector, "Shout"));
        Press(selector->List(), key);
        EXPECT_EQ(selector->result(), QDialog::Accepted) << key;
        EXPECT_EQ(selector->ChosenFile(), folder_ + "shout.lym") << key;
    }
}

TEST_F(FileSelector, EscapeAndSixCloseWithoutAChoice) {
    for (int key : {Qt::Key_Escape, Qt::Key_6}) {
        auto selector = Open();
        selector->show();
        Press(selector->List(), key);
        EXPECT_FALSE(selector->isVisible()) << key;
        EXPECT_EQ(selector->result(), QDialog::Rejected) << key;
        EXPECT_TRUE(selector->ChosenFile().isEmpty()) << key;
    }
}

TEST_F(FileSelector, DoubleClickOpensAFolder) {
    auto selector = Open();
    selector->resize(1000, 700);
    const QPoint at = selector->List()->EntryRect(IndexOf(*selector, "1990s")).center();
    QMouseEvent click(QEvent::MouseButtonDblClick, at, selector->List()->viewport()->mapToGlobal(at),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(selector->List()->viewport(), &click);
    EXPECT_EQ(selector->CurrentPath(), folder_ + "1990s/");
}

TEST_F(FileSelector, SortKeysSwitchTheOrderTheSettingAndTheLitButton) {
    auto selector = Open();
    QPushButton* byName = Button(*selector, "8");
    QPushButton* byArtist = Button(*selector, "9");
    ASSERT_TRUE(byName && byArtist);
    EXPECT_TRUE(byArtist->font().bold());
    EXPECT_FALSE(byName->font().bold());
    selector->List()->Select(IndexOf(*selector, "Shout"));

    Press(selector->List(), Qt::Key_8);
    EXPECT_FALSE(Settings().SortMethod);
    EXPECT_EQ(Titles(*selector),
              QStringList({"<parent directory>", "1990s", "Abba", "Mamma Mia", "Shout", "Waterloo"}));
    EXPECT_TRUE(byName->font().bold());
    EXPECT_TRUE(byName->property("lit").toBool());
    EXPECT_FALSE(byArtist->font().bold());
    EXPECT_EQ(selector->List()->Selected(), IndexOf(*selector, "Shout")); // the selection stays on its song

    byArtist->click();
    EXPECT_TRUE(Settings().SortMethod);
    EXPECT_EQ(Titles(*selector).mid(3), QStringList({"Waterloo", "Mamma Mia", "Shout"}));
}

TEST_F(FileSelector, DrivesAreShownByThreeAndByThePathAboveTheRoot) {
    Settings().FileSelPath = "/";
    auto selector = Open();
    EXPECT_EQ(selector->Entries().front().Path, ".");
    Press(selector->List(), Qt::Key_1); // the parent entry is selected first
    EXPECT_EQ(selector->CurrentPath(), ".");
    const QString home = FolderPath(QDir::homePath());
    auto isHome = [&home](const TFile& entry) { return entry.Path == home && entry.IsFolder; };
    EXPECT_TRUE(std::any_of(selector->Entries().begin(), selector->Entries().end(), isHome));

    selector->ShowPath(folder_);
    Press(selector->List(), Qt::Key_3);
    EXPECT_EQ(selector->CurrentPath(), ".");
    Press(selector->List(), Qt::Key_9); // sorting in the drives view shows the drives again
    EXPECT_EQ(selector->CurrentPath(), ".");
    EXPECT_TRUE(std::any_of(selector->Entries().begin(), selector->Entries().end(), isHome));
}

TEST_F(FileSelector, KeysWhileAFolderIsReadStopItOrWaitForIt) {
    // Playing and finding wait for the list; showing the drives replaces the reading.
    bool findAsked = false;
    auto selector = Open([&findAsked](QString&) { return findAsked = true; });
    selector->SetAnswerEvery(0); // answer after every entry read
    auto postKey = [&selector](int key) {
        QCoreApplication::postEvent(selector->List(), new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
    };
    postKey(Qt::Key_1);
    postKey(Qt::Key_2);
    postKey(Qt::Key_3);
    selector->ShowPath(folder_);
    EXPECT_FALSE(selector->Reading());
    EXPECT_EQ(selector->CurrentPath(), ".");
    EXPECT_FALSE(selector->Entries().empty());
    EXPECT_FALSE(findAsked);
    EXPECT_TRUE(selector->ChosenFile().isEmpty());

    // Escape stops the reading and closes.
    selector->show();
    postKey(Qt::Key_Escape);
    selector->ShowPath(folder_);
    EXPECT_FALSE(selector->isVisible());
    EXPECT_EQ(selector->result(), QDialog::Rejected);
    EXPECT_LT(selector->Entries().size(), 6u);
}

TEST_F(FileSelector, DesktopAndDocumentsOpenTheUsersFoldersOrHomeWhenOneIsMissing) {
    // The user's folders as the desktop names them in the (test's own) configuration folder.
    const QString desktop = ScratchFolder() + "/My Desktop";
    QDir().mkpath(desktop);
    WriteFile(qEnvironmentVariable("XDG_CONFIG_HOME") + "/user-dirs.dirs",
              ("XDG_DESKTOP_DIR=\"" + desktop + "\"\nXDG_DOCUMENTS_DIR=\"" + ScratchFolder() + "/gone\"\n")
                  .toUtf8());
    auto selector = Open();
    Press(selector->List(), Qt::Key_4);
    EXPECT_EQ(selector->CurrentPath(), desktop + "/");
    Press(selector->List(), Qt::Key_5);
    EXPECT_EQ(selector->CurrentPath(), FolderPath(QDir::homePath()));
    EXPECT_EQ(selector->StatusText(), "There is no documents folder, so here is your home folder");
    QFile::remove(qEnvironmentVariable("XDG_CONFIG_HOME") + "/user-dirs.dirs");
}

TEST_F(FileSelector, FindStartsInTheCurrentFolderAndChoosesWhatItFound) {
    QStringList asked;
    QString found;
    auto selector = Open([&](QString& path) {
        asked << path;
        if (found.isEmpty())
            return false;
        path = found;
        return true;
    });
    Press(selector->List(), Qt::Key_2);
    EXPECT_EQ(asked, QStringList({folder_}));
    EXPECT_NE(selector->result(), QDialog::Accepted);
    EXPECT_TRUE(selector->ChosenFile().isEmpty());

    found = folder_ + "gold.lym";
    Button(*selector, "2")->click();
    EXPECT_EQ(selector->result(), QDialog::Accepted);
    EXPECT_EQ(selector->ChosenFile(), found);
}

TEST_F(FileSelector, StatusLineTellsOfTheEntryThePathAndTheButtons) {
    auto selector = Open();
    selector->resize(1000, 700);
    EXPECT_EQ(selector->StatusText(), "Please select a song to sing");
    QWidget* viewport = selector->List()->viewport();

    MoveMouse(viewport, selector->List()->EntryRect(IndexOf(*selector, "Shout")).center());
    EXPECT_EQ(selector->StatusText(), "File: \"shout.lym\" using file \"x.mp3\" of type \"MP3\"");
    MoveMouse(viewport, QPoint(viewport->width() / 2, viewport->height() - 5));
    EXPECT_EQ(selector->StatusText(), folder_);

    QPushButton* drives = Button(*selector, "3");
    QEvent enter(QEvent::Enter), leave(QEvent::Leave);
    QApplication::sendEvent(drives, &enter);
    EXPECT_EQ(selector->StatusText(), drives->property("hint").toString());
    EXPECT_FALSE(selector->StatusText().isEmpty());
    QApplication::sendEvent(drives, &leave);
    EXPECT_EQ(selector->StatusText(), folder_);

    // Moving the selection with the keys tells of the entry too, for those without a mouse.
    selector->List()->Select(IndexOf(*selector, "1990s"));
    EXPECT_EQ(selector->StatusText(), "Go into the folder called 1990s");
}

} // namespace
