// `lyrimo-cli playlist`: showing, adding and removing entries, and leaving the file alone on
// any error.
#include "cli/playlist_command.h"

#include "document/song.h"
#include "playlist/playlist_file.h"
#include "test_support.h"

#include <QDir>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

using namespace lyrimo;

namespace {

class PlaylistCommand : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = test::ScratchFolder() + "/cli-playlist-" + QString::number(++runs_);
        ASSERT_TRUE(QDir().mkpath(folder_));
        list_ = folder_ + "/party.lpl";
    }

    QString Song(const QString& name, const QByteArray& songName, const QByteArray& artist) {
        tLyrimoData song;
        song.SetSongName(songName);
        song.SetArtistName(artist);
        const QString path = folder_ + "/" + name;
        EXPECT_EQ(song.SaveToFile(path), 0);
        return path;
    }

    static QString Output(int& rc, const std::function<int()>& run) {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        rc = run();
        lastError_ = QString::fromStdString(testing::internal::GetCapturedStderr());
        return QString::fromStdString(testing::internal::GetCapturedStdout());
    }

    int Quiet(const QStringList& args) {
        int rc = -1;
        Output(rc, [&] { return RunPlaylistCommand(args); });
        return rc;
    }

    QByteArray Bytes() const { return test::ReadFile(list_); }

    QString folder_, list_;
    static inline QString lastError_;
    static inline int runs_ = 0;
};

TEST_F(PlaylistCommand, AddCreatesThePlaylistAndShowListsEveryEntry) {
    const QString a = Song("a.lym", "Alpha", "Ann");
    const QString b = Song("b.lym", "Beta", "");
    const QString text = folder_ + "/notes.lym";
    ASSERT_TRUE(test::WriteFile(text, "notes"));
    EXPECT_EQ(Quiet({"add", list_, a}), 0);
    EXPECT_EQ(Quiet({"add", list_, "--requester", "--random", "1", b}), 0);

    tBatchKaraokeFile written;
    ASSERT_TRUE(LoadPlaylist(written, list_));
    EXPECT_EQ(written.Entries, QStringList({"0" + a, "1" + b}));
    EXPECT_TRUE(written.RandomOrder);

    // A song that went away since, and a file that was never one, show as such.
    written.Entries << "0" + folder_ + "/gone.lym"
                    << "0" + text;
    ASSERT_TRUE(SavePlaylist(written, list_));
    int rc = -1;
    const QString shown = Output(rc, [&] { return RunPlaylistCommand({"show", list_}); });
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(shown, "random order: on\nreserved flag: off\nentries: 4\n"
                     "1\t-\t" +
                         a +
                         "\t\"Alpha\" by Ann\n"
                         "2\trequester\t" +
                         b +
                         "\t\"Beta\"\n"
                         "3\t-\t" +
                         folder_ +
                         "/gone.lym\tmissing\n"
                         "4\t-\t" +
                         text + "\tnot a song\n");
}

TEST_F(PlaylistCommand, AddStoresAbsolutePathsAndRefusesFilesThatAreNotSongs) {
    const QString a = Song("a.lym", "Alpha", "Ann");
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder_));
    const int rc = Quiet({"add", list_, "a.lym"});
    QDir::setCurrent(previous);
    EXPECT_EQ(rc, 0);
    const QByteArray before = Bytes();
    EXPECT_TRUE(before.endsWith("\r\n0" + a.toUtf8() + "\r\n"));

    // One bad song among good ones: nothing is added.
    EXPECT_EQ(Quiet({"add", list_, a, folder_ + "/missing.lym"}), 1);
    EXPECT_TRUE(lastError_.contains("missing.lym: missing"));
    EXPECT_EQ(Bytes(), before);
    ASSERT_TRUE(test::WriteFile(folder_ + "/text.lym", "words"));
    EXPECT_EQ(Quiet({"add", list_, folder_ + "/text.lym"}), 1);
    EXPECT_EQ(Bytes(), before);
}

TEST_F(PlaylistCommand, AFileThatIsNotAPlaylistIsNeverWrittenOver) {
    const QString a = Song("a.lym", "Alpha", "Ann");
    ASSERT_TRUE(test::WriteFile(list_, "my shopping list\r\n"));
    EXPECT_EQ(Quiet({"add", list_, a}), 1);
    EXPECT_TRUE(lastError_.contains("is not a Lyrimo playlist"));
    EXPECT_EQ(Quiet({"remove", list_, "1"}), 1);
    EXPECT_EQ(Quiet({"show", list_}), 1);
    EXPECT_EQ(Bytes(), "my shopping list\r\n");
    EXPECT_EQ(Quiet({"show", folder_ + "/none.lpl"}), 1);
    EXPECT_FALSE(QFile::exists(folder_ + "/none.lpl"));
}

TEST_F(PlaylistCommand, RemoveTakesIndicesAndPathsAndChecksAllOfThemFirst) {
    tBatchKaraokeFile playlist;
    playlist.ReservedFlag = true;
    for (const char* name : {"1.lym", "2.lym", "3.lym", "4.lym", "2.lym"})
        playlist.Entries << "0" + folder_ + "/" + name;
    ASSERT_TRUE(SavePlaylist(playlist, list_));
    const QByteArray before = Bytes();

    EXPECT_EQ(Quiet({"remove", list_, "1", "6"}), 1);
    EXPECT_TRUE(lastError_.contains("there is no entry 6"));
    EXPECT_EQ(Quiet({"remove", list_, "0"}), 1);
    EXPECT_EQ(Quiet({"remove", list_, "1", folder_ + "/9.lym"}), 1);
    EXPECT_EQ(Bytes(), before);

    // Indices count in the list as it was; a path removes every entry of that song.
    EXPECT_EQ(Quiet({"remove", list_, "4", folder_ + "/./2.lym", "1"}), 0);
    tBatchKaraokeFile written;
    ASSERT_TRUE(LoadPlaylist(written, list_));
    EXPECT_EQ(written.Entries, QStringList({"0" + folder_ + "/3.lym"}));
    EXPECT_TRUE(written.ReservedFlag);
}

TEST_F(PlaylistCommand, BadArgumentsAreUsageErrors) {
    EXPECT_EQ(Quiet({}), 2);
    EXPECT_EQ(Quiet({"shuffle", list_}), 2);
    EXPECT_EQ(Quiet({"show"}), 2);
    EXPECT_EQ(Quiet({"add", list_}), 2);
    EXPECT_EQ(Quiet({"add", list_, "--random", "2", "x.lym"}), 2);
    EXPECT_EQ(Quiet({"add", list_, "--shuffle", "x.lym"}), 2);
    EXPECT_EQ(Quiet({"remove", list_}), 2);
    EXPECT_FALSE(QFile::exists(list_));
    // --random alone sets the flag of a new, empty playlist.
    EXPECT_EQ(Quiet({"add", list_, "--random", "1"}), 0);
    tBatchKaraokeFile written;
    ASSERT_TRUE(LoadPlaylist(written, list_));
    EXPECT_TRUE(written.RandomOrder);
    EXPECT_EQ(written.Count(), 0);
}

} // namespace
