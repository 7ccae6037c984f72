// The file selector's entries: parent folders, what a folder lists, the texts of song entries,
// the volumes shown as drives, and the order entries sort in.
#include "playlist/song_listing.h"

#include "document/song.h"
#include "test_support.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

struct tSongFields {
    QByteArray title, artist;
    uint8_t useMedia = 1;
    QByteArray mediaFile = "/music/track.mp3";
    bool rightToLeft = false;
};

void WriteSong(const QString& path, const tSongFields& fields) {
    tLyrimoData song;
    song.SetSongName(fields.title);
    song.SetArtistName(fields.artist);
    song.SongSettings.setUseMediaFile(fields.useMedia);
    song.SongSettings.setMediaFileName(fields.mediaFile);
    song.SongSettings.setRightToLeft(fields.rightToLeft);
    ASSERT_EQ(song.SaveToFile(path), 0) << path.toStdString();
}

// A fresh folder of the test's own name, ending with "/".
QString FreshFolder(const QString& name) {
    const QString folder = ScratchFolder() + "/" + name + "/";
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    return folder;
}

TFile Song(const QString& title, const QString& artist) {
    TFile entry;
    entry.Path = "/songs/" + title + ".lym";
    entry.Title = title;
    entry.Artist = artist;
    return entry;
}

TFile Folder(const QString& name) { return FolderEntry("/songs/", name); }

QStringList Titles(const tFileList& list) {
    QStringList titles;
    for (const TFile& entry : list)
        titles << entry.Title;
    return titles;
}

const TFile* Find(const tFileList& list, const QString& title) {
    for (const TFile& entry : list)
        if (entry.Title == title)
            return &entry;
    return nullptr;
}

TEST(SongListing, ParentFolderClimbsOneFolderAndTheRootLeadsToTheDrives) {
    EXPECT_EQ(ParentFolder("/songs/"), "/");
    EXPECT_EQ(ParentFolder("/home/me/Karaoke/"), "/home/me/");
    EXPECT_EQ(ParentFolder("/"), kDrivesView);

    const TFile parent = ParentEntry("/songs/");
    EXPECT_EQ(parent.Path, "/");
    EXPECT_TRUE(parent.IsFolder && parent.IsParent);
    EXPECT_EQ(parent.Title, "<parent directory>");
    EXPECT_EQ(parent.Info, "Goto back to the parent folder");
    EXPECT_EQ(ParentEntry("/").Path, ".");

    EXPECT_EQ(FolderPath("/songs"), "/songs/");
    EXPECT_EQ(FolderPath("/songs/pop/../rock//"), "/songs/rock/");
    EXPECT_EQ(FolderPath("/"), "/");
}

TEST(SongListing, FolderListsSubfoldersAndSongsOfAnyCaseButNothingHiddenOrForeign) {
    const QString folder = FreshFolder("listing");
    QDir(folder).mkdir("1990s");
    QDir(folder).mkdir(".cache");
    WriteSong(folder + "waterloo.lym", {"Waterloo", "ABBA"});
    WriteSong(folder + "SHOUT.LYM", {"Shout", "Tears for Fears"});
    WriteSong(folder + ".secret.lym", {"Hidden", "Nobody"});
    WriteFile(folder + "notes.txt", "not a song");
    WriteFile(folder + "old.lym.bak", "not a song either");

    tFileList list;
    ASSERT_TRUE(ReadFolder(folder, list));
    ASSERT_FALSE(list.empty());
    EXPECT_TRUE(list.front().IsParent);
    EXPECT_EQ(list.front().Path, ParentFolder(folder));
    EXPECT_EQ(list.size(), 4u);

    const TFile* decade = Find(list, "1990s");
    ASSERT_NE(decade, nullptr);
    EXPECT_TRUE(decade->IsFolder);
    EXPECT_EQ(decade->Path, folder + "1990s/");
    EXPECT_EQ(decade->Info, "Go into the folder called 1990s");

    const TFile* shout = Find(list, "Shout");
    ASSERT_NE(shout, nullptr);
    EXPECT_FALSE(shout->IsFolder);
    EXPECT_EQ(shout->Artist, "Tears for Fears");
    EXPECT_EQ(shout->Path, folder + "SHOUT.LYM");
    EXPECT_EQ(shout->Info, "File: \"SHOUT.LYM\" using file \"track.mp3\" of type \"MP3\"");
    EXPECT_NE(Find(list, "Waterloo"), nullptr);
    EXPECT_EQ(Find(list, "Hidden"), nullptr);
}

TEST(SongListing, SongThatCannotBeReadIsListedUnderItsFileName) {
    const QString folder = FreshFolder("unreadable");
    WriteFile(folder + "Broken Song.lym", "this is no song file");
    WriteFile(folder + "empty.Lym", "");
    tFileList list;
    ReadFolder(folder, list);
    const TFile* broken = Find(list, "Broken Song");
    ASSERT_NE(broken, nullptr);
    EXPECT_TRUE(broken->Artist.isEmpty());
    EXPECT_FALSE(broken->IsFolder);
    EXPECT_TRUE(broken->Info.startsWith("File: \"Broken Song.lym\"")) << broken->Info.toStdString();
    EXPECT_NE(Find(list, "empty"), nullptr);

    // An untitled song is listed under its file name too, rather than as an empty row.
    WriteSong(folder + "untitled.lym", {"", "Somebody"});
    ReadFolder(folder, list);
    const TFile* untitled = Find(list, "untitled");
    ASSERT_NE(untitled, nullptr);
    EXPECT_EQ(untitled->Artist, "Somebody");
}

TEST(SongListing, SongEntryKeepsReadingDirectionAndWideTexts) {
    const QString folder = FreshFolder("wide");
    tLyrimoData song;
    song.SongSettings.setUnicodeText(1);
    song.SetWideSongName(QString::fromUtf8("שיר"));
    song.SetWideArtistName(QString::fromUtf8("Zoë Ñandú"));
    song.SongSettings.setRightToLeft(1);
    song.SongSettings.setUseMediaFile(2);
    ASSERT_EQ(song.SaveToFile(folder + "wide.lym"), 0);

    const TFile entry = SongEntry(folder + "wide.lym");
    EXPECT_EQ(entry.Title, QString::fromUtf8("שיר"));
    EXPECT_EQ(entry.Artist, QString::fromUtf8("Zoë Ñandú"));
    EXPECT_EQ(entry.RightToLeft, 1);
    EXPECT_EQ(entry.Info, "File: \"wide.lym\" using unknown media source");
}

TEST(SongListing, MediaDescriptionNamesTheCdTrackOrTheFileAndItsType) {
    tSongSettings cd;
    cd.setUseMediaFile(0);
    cd.setAlbumName("Gold");
    cd.setCdTrack(3);
    EXPECT_EQ(MediaDescription(cd), "CD \"Gold\" Track 3");

    tSongSettings file;
    file.setUseMediaFile(1);
    file.setMediaFileName("/music/Dancing Queen.ogg");
    EXPECT_EQ(MediaDescription(file), "file \"Dancing Queen.ogg\" of type \"OGG\"");
    // Songs made elsewhere may store a folder with backslashes.
    file.setMediaFileName("C:\\Music\\take.two.wav");
    EXPECT_EQ(MediaDescription(file), "file \"take.two.wav\" of type \"WAV\"");
    file.setMediaFileName("noextension");
    EXPECT_EQ(MediaDescription(file), "file \"noextension\" of type \"\"");

    tSongSettings embedded = file;
    embedded.setEmbedMedia(1);
    embedded.setMediaFileName("/tmp/x.mp3");
    EXPECT_EQ(MediaDescription(embedded), "embedded media file of type \"MP3\"");

    tSongSettings unknown;
    unknown.setUseMediaFile(2);
    EXPECT_EQ(MediaDescription(unknown), "unknown media source");
}

TEST(SongListing, ReadingStopsWhenAskedAndAMissingFolderGivesOnlyTheParent) {
    const QString folder = FreshFolder("stopping");
    for (int i = 0; i < 5; ++i)
        WriteSong(folder + QString("song%1.lym").arg(i), {"Song", "Artist"});
    tFileList list;
    int calls = 0;
    EXPECT_FALSE(ReadFolder(folder, list, [&calls] { return ++calls < 2; }));
    EXPECT_EQ(calls, 2);
    calls = 0;
    EXPECT_TRUE(ReadFolder(folder, list, [&calls] { return ++calls > 0; }));
    EXPECT_EQ(calls, 5);
    EXPECT_EQ(list.size(), 6u);

    ReadFolder(folder + "gone/", list);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_TRUE(list.front().IsParent);
    EXPECT_EQ(list.front().Path, folder);
}

TEST(SongListing, SortingPutsTheParentFirstThenFoldersThenSongs) {
    tFileList list = {Song("Zebra", "Aaron"), Folder("Abba"),       ParentEntry("/songs/"),
                      Folder("1990s"),        Song("Alpha", "Zed"), Folder("abacus")};
    SortFileList(list, true);
    EXPECT_EQ(Titles(list), QStringList({"<parent directory>", "1990s", "abacus", "Abba", "Zebra", "Alpha"}));
    SortFileList(list, false);
    EXPECT_EQ(Titles(list), QStringList({"<parent directory>", "1990s", "abacus", "Abba", "Alpha", "Zebra"}));
}

TEST(SongListing, SongsSortByArtistOrTitleIgnoringCase) {
    tFileList list = {Song("Take a Chance", "beatles"), Song("Mamma Mia", "ABBA Gold"),
                      Song("Fernando", "abba"), Song("yesterday", "Beatles"), Song("Help", "Beatles")};
    SortFileList(list, true);
    EXPECT_EQ(Titles(list), QStringList({"Fernando", "Mamma Mia", "Help", "Take a Chance", "yesterday"}));
    SortFileList(list, false);
    EXPECT_EQ(Titles(list), QStringList({"Fernando", "Help", "Mamma Mia", "Take a Chance", "yesterday"}));

    // Songs alike in title and artist go by file; entries alike in every key keep their order.
    tFileList twins = {Song("Same", "Same"), Song("same", "SAME"), Song("SAME", "same")};
    twins[0].Path = "/b.lym";
    twins[1].Path = "/B.lym";
    twins[2].Path = "/a.lym";
    SortFileList(twins, true);
    EXPECT_EQ(twins[0].Path, "/a.lym");
    EXPECT_EQ(twins[1].Path, "/b.lym");
    EXPECT_EQ(twins[2].Path, "/B.lym");
}

TEST(SongListing, DrivesAreTheRootHomeAndMountedMediaWithoutSystemFileSystems) {
    const std::vector<tMount> mounts = {
        {"/proc", "", "proc"},
        {"/", "", "ext4"},
        {"/boot", "", "ext4"},
        {"/dev/shm", "", "tmpfs"},
        {"/media/me/PARTY USB", "PARTY USB", "vfat"},
        {"/run/media/me/disc", "", "iso9660"},
        {"/mnt/songs", "", "ext4"},
        {"/media/me/unplugged", "", "vfat", false},
        {"/", "", "ext4"},
        {"/home", "", "ext4"},
    };
    const std::vector<tVolume> volumes = PersonalVolumes(mounts, "/home/me");
    QStringList roots, names;
    for (const tVolume& volume : volumes) {
        roots << volume.Root;
        names << volume.Name;
    }
    EXPECT_EQ(roots,
              QStringList({"/", "/home/me/", "/media/me/PARTY USB/", "/run/media/me/disc/", "/mnt/songs/"}));
    EXPECT_EQ(names, QStringList({"File System", "Home", "PARTY USB", "disc", "songs"}));

    // A home folder mounted on its own is listed once.
    EXPECT_EQ(PersonalVolumes({{"/home/me", "", "ext4"}, {"/", "root", "btrfs"}}, "/home/me").size(), 2u);

    tFileList list = {Song("left over", "")};
    ListDrives(list, volumes);
    ASSERT_EQ(list.size(), volumes.size());
    EXPECT_EQ(list[2].Path, "/media/me/PARTY USB/");
    EXPECT_EQ(list[2].Title, "PARTY USB  (/media/me/PARTY USB/)");
    EXPECT_EQ(list[2].Info, "Go into the drive called /media/me/PARTY USB/");
    EXPECT_TRUE(list[2].IsFolder);
    EXPECT_FALSE(list[2].IsParent);
}

} // namespace
