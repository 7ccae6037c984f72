// The playlist file: its header and flags, line endings, entries and their paths, and saving
// that never leaves a half-written file.
#include "playlist/playlist_file.h"

#include "test_support.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

tBatchKaraokeFile Parsed(const QByteArray& bytes, bool* loaded = nullptr, const QString& folder = "/songs") {
    tBatchKaraokeFile playlist;
    const bool ok = ParsePlaylist(playlist, bytes, folder);
    if (loaded)
        *loaded = ok;
    return playlist;
}

TEST(PlaylistFile, HeaderFlagsAreTheTwoCharactersAfterTheHeader) {
    bool loaded = false;
    tBatchKaraokeFile playlist = Parsed("Lyrimo Playlist File. %10\r\n0/a.lym\r\n", &loaded);
    EXPECT_TRUE(loaded);
    EXPECT_TRUE(playlist.RandomOrder);
    EXPECT_FALSE(playlist.ReservedFlag);
    EXPECT_EQ(PlaylistBytes(playlist).left(27), QByteArray("Lyrimo Playlist File. %10\r\n"));

    playlist = Parsed("Lyrimo Playlist File. %01\r\n", &loaded);
    EXPECT_TRUE(loaded);
    EXPECT_FALSE(playlist.RandomOrder);
    EXPECT_TRUE(playlist.ReservedFlag);

    // Only "1" sets a flag; a bare header clears both.
    playlist = Parsed("Lyrimo Playlist File. %xY\n", &loaded);
    EXPECT_TRUE(loaded);
    EXPECT_FALSE(playlist.RandomOrder || playlist.ReservedFlag);
    playlist = Parsed("Lyrimo Playlist File. %", &loaded);
    EXPECT_TRUE(loaded);
    EXPECT_FALSE(playlist.RandomOrder || playlist.ReservedFlag);
    EXPECT_EQ(playlist.Count(), 0);
}

TEST(PlaylistFile, WrongOrMissingHeaderIsRejectedWithAnEmptyList) {
    bool loaded = true;
    EXPECT_EQ(Parsed("lyrimo playlist file. %10\r\n0/a.lym\r\n", &loaded).Count(), 0);
    EXPECT_FALSE(loaded);
    Parsed("Lyrimo Playlist File.\r\n0/a.lym\r\n", &loaded);
    EXPECT_FALSE(loaded);
    Parsed("", &loaded);
    EXPECT_FALSE(loaded);
    Parsed("\r\nLyrimo Playlist File. %00\r\n", &loaded);
    EXPECT_FALSE(loaded);

    // A playlist loaded before keeps nothing of it after a failed load.
    tBatchKaraokeFile playlist;
    ASSERT_TRUE(ParsePlaylist(playlist, "Lyrimo Playlist File. %11\r\n0/a.lym\r\n", "/"));
    EXPECT_FALSE(LoadPlaylist(playlist, ScratchFolder() + "/no-such.lpl"));
    EXPECT_EQ(playlist.Count(), 0);
    EXPECT_FALSE(playlist.RandomOrder || playlist.ReservedFlag);
}

TEST(PlaylistFile, EveryKindOfLineEndIsAccepted) {
    const tBatchKaraokeFile playlist =
        Parsed("Lyrimo Playlist File. %00\r0/a.lym\n1/b.lym\r\n0/c.lym\r\r\n0/d.lym");
    EXPECT_EQ(playlist.Entries, QStringList({"0/a.lym", "1/b.lym", "0/c.lym", "", "0/d.lym"}));
    EXPECT_FALSE(EntryShowsRequester(playlist.Entries[0]));
    EXPECT_TRUE(EntryShowsRequester(playlist.Entries[1]));
    EXPECT_EQ(EntrySongFile(playlist.Entries[1]), "/b.lym");
}

TEST(PlaylistFile, RelativeSongsAreFoundBesideThePlaylist) {
    const tBatchKaraokeFile playlist =
        Parsed("Lyrimo Playlist File. %00\r\n0a.lym\r\n1sub/../b.lym\r\n0C:\\Songs\\c.lym\r\n0/abs/d.lym\r\n",
               nullptr, "/party/list");
    EXPECT_EQ(playlist.Entries,
              QStringList({"0/party/list/a.lym", "1/party/list/b.lym", "0C:\\Songs\\c.lym", "0/abs/d.lym"}));
}

TEST(PlaylistFile, TextIsUtf8AndOlderEightBitLinesStillRead) {
    const QByteArray bytes =
        QByteArray("Lyrimo Playlist File. %00\r\n0/m\xc3\xbasica.lym\r\n0/caf\xe9.lym\r\n");
    const tBatchKaraokeFile playlist = Parsed(bytes);
    ASSERT_EQ(playlist.Count(), 2);
    EXPECT_EQ(playlist.Entries[0], QString::fromUtf8("0/m\xc3\xbasica.lym"));
    EXPECT_EQ(playlist.Entries[1], QString::fromUtf8("0/caf\xc3\xa9.lym"));
    EXPECT_EQ(PlaylistBytes(playlist).mid(27), QByteArray("0/m\xc3\xbasica.lym\r\n0/caf\xc3\xa9.lym\r\n"));
}

TEST(PlaylistFile, SaveAndLoadRoundTripExactly) {
    tBatchKaraokeFile playlist;
    playlist.RandomOrder = true;
    playlist.ReservedFlag = true;
    playlist.Entries = {PlaylistEntry("/songs/one.lym"), PlaylistEntry("/songs/two.lym", true), ""};
    const QString file = ScratchFolder() + "/round.lpl";
    ASSERT_TRUE(SavePlaylist(playlist, file));
    EXPECT_EQ(ReadFile(file),
              QByteArray("Lyrimo Playlist File. %11\r\n0/songs/one.lym\r\n1/songs/two.lym\r\n\r\n"));

    tBatchKaraokeFile loaded;
    ASSERT_TRUE(LoadPlaylist(loaded, file));
    EXPECT_EQ(loaded.Entries, playlist.Entries);
    EXPECT_TRUE(loaded.RandomOrder && loaded.ReservedFlag);

    ClearPlaylist(loaded);
    EXPECT_EQ(loaded.Count(), 0);
    EXPECT_FALSE(loaded.RandomOrder || loaded.ReservedFlag);
}

TEST(PlaylistFile, SavingWhereNoFileCanBeWrittenFails) {
    tBatchKaraokeFile playlist;
    playlist.Entries = {PlaylistEntry("/new.lym")};
    EXPECT_FALSE(SavePlaylist(playlist, ScratchFolder() + "/missing-folder/x.lpl"));
    const QString folderInTheWay = ScratchFolder() + "/in-the-way.lpl";
    ASSERT_TRUE(QDir().mkpath(folderInTheWay));
    EXPECT_FALSE(SavePlaylist(playlist, folderInTheWay));
    EXPECT_TRUE(QFileInfo(folderInTheWay).isDir());
}

TEST(PlaylistFile, EntryRequesterFlag) {
    QString entry = PlaylistEntry("/a.lym");
    SetEntryRequester(entry, true);
    EXPECT_EQ(entry, "1/a.lym");
    SetEntryRequester(entry, false);
    EXPECT_EQ(entry, "0/a.lym");
    QString empty;
    SetEntryRequester(empty, true);
    EXPECT_EQ(empty, "1");

    // A line from elsewhere whose first character takes two code units keeps no half of it.
    QString astral = QString::fromUtf8("\xF0\x9F\x8E\xA4/b.lym");
    EXPECT_EQ(EntrySongFile(astral), "/b.lym");
    SetEntryRequester(astral, true);
    EXPECT_EQ(astral, "1/b.lym");
}

} // namespace
