// What a playlist row shows of a song, from its settings record alone.
#include "playlist/playlist_rows.h"

#include "app/text_codec.h"
#include "document/song.h"
#include "test_support.h"

#include <QFile>

#include <gtest/gtest.h>

#include <ostream>

static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

using namespace lyrimo;

namespace {

TEST(PlaylistRows, SourceNamesTheCdTrackTheEmbeddedKindOrTheMediaFile) {
    tSongSettings s;
    s.setUseMediaFile(0);
    s.setCdTrack(12);
    s.setMediaFileName("/music/ignored.mp3");
    EXPECT_EQ(MediaSourceOf(s), "CD Track 12");
    s.setUseMediaFile(1);
    s.setEmbedMedia(1);
    EXPECT_EQ(MediaSourceOf(s), "Embedded mp3 file");
    s.setEmbedMedia(0);
    EXPECT_EQ(MediaSourceOf(s), "/music/ignored.mp3");
    // Any source other than the CD counts as a media file.
    s.setUseMediaFile(2);
    EXPECT_EQ(MediaSourceOf(s), "/music/ignored.mp3");
}

TEST(PlaylistRows, NamesAreWideWhenTheSongStoresUnicodeAndInItsCharacterSetOtherwise) {
    tLyrimoData song;
    song.SetWideSongName(QString::fromUtf8("Ода радости"));
    song.SetWideArtistName(QString::fromUtf8("Хор"));
    song.SongSettings.setUnicodeText(1);
    tPlaylistRow row = PlaylistRowOf("/songs/oda.lym", &song.SongSettings);
    EXPECT_TRUE(row.readable);
    EXPECT_EQ(row.file, "oda.lym");
    EXPECT_EQ(row.songName, QString::fromUtf8("Ода радости"));
    EXPECT_EQ(row.artist, QString::fromUtf8("Хор"));

    tSongSettings narrow;
    narrow.setSongName("Caf\xE9");
    narrow.setTitleFontCharset(1); // the system code page, Windows-1252
    EXPECT_EQ(PlaylistRowOf("x.lym", &narrow).songName, QString::fromUtf8("Café"));
    narrow.setTitleFontCharset(204); // Cyrillic: the same byte is another letter
    EXPECT_EQ(PlaylistRowOf("x.lym", &narrow).songName, QString::fromUtf8("Cafй"));
}

TEST(PlaylistRows, AFileThatIsNotASongShowsTheLoadingErrorWords) {
    const QString text = test::ScratchFolder() + "/rows-not-a-song.lym";
    ASSERT_TRUE(test::WriteFile(text, "LYM? no, just words"));
    for (const QString& file : {text, test::ScratchFolder() + "/rows-missing.lym", QString()}) {
        const tPlaylistRow row = ReadPlaylistRow(file);
        EXPECT_FALSE(row.readable);
        EXPECT_EQ(QStringList({row.album, row.songName, row.artist, row.source}),
                  QStringList({"Error", "Loading", "File", ""}));
    }

    tLyrimoData song;
    song.SetSongName("Real");
    song.SetAlbumName("Hits");
    const QString real = test::ScratchFolder() + "/rows-real.lym";
    ASSERT_EQ(song.SaveToFile(real), 0);
    const tPlaylistRow row = ReadPlaylistRow(real);
    EXPECT_TRUE(row.readable);
    EXPECT_EQ(row.songName, "Real");
    EXPECT_EQ(row.album, "Hits");
}

} // namespace
