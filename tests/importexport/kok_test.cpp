#include "import_test_support.h"
#include "importexport/kok_import.h"

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

class Kok : public ImportTest {
protected:
    bool Import(const QByteArray& text) { return ImportKok(Write("song.kok", text), song); }
    tLyrimoData song;
};

TEST_F(Kok, WordsJoinWithBlanksAndLinesStartASecondEarly) {
    ASSERT_TRUE(Import("Hello;10,5000;World;11,0;\n\n  Again;11,2000;more ; 12,0;\n"));
    const tLyricsData& part = *song.GetPart(0);
    ASSERT_EQ(LineTexts(part), QStringList({"Hello World", "Again more "}));
    EXPECT_EQ(part.GetLine(0)->LineRecord.LineStart(), 9500);
    EXPECT_EQ(TimingsOf(*part.GetLine(0)), (tTimings{{5, 1000}, {11, 1500}}));
    // Not before the previous line's end (9500 + 1 + 1500) plus one.
    EXPECT_EQ(part.GetLine(1)->LineRecord.LineStart(), 11002);
    EXPECT_EQ(TimingsOf(*part.GetLine(1)), (tTimings{{5, 198}, {11, 998}}));
    EXPECT_EQ(part.GetLine(1)->LineRecord.HighlightColour(), 0x0000FF);
}

TEST_F(Kok, StartsNeverGoBelowZeroAndBadTimesCountAsZero) {
    ASSERT_TRUE(Import("Hi;0,5000;there;x,y;\nlate;1,0;"));
    const tLyricsData& part = *song.GetPart(0);
    EXPECT_EQ(part.GetLine(0)->LineRecord.LineStart(), 0);
    // "there" at 0 ms lies 500 ms before the line's first word: the delta wraps.
    EXPECT_EQ(TimingsOf(*part.GetLine(0)), (tTimings{{2, 500}, {8, 0}}));
    EXPECT_EQ(part.GetLine(1)->LineRecord.LineStart(), 2);
}

TEST_F(Kok, SongRefersToTheMp3OfTheSameName) {
    ASSERT_TRUE(Import("la;1,0;"));
    EXPECT_EQ(song.SongSettings.MediaFileName(), (ScratchFolder() + "/song.mp3").toUtf8());
    EXPECT_EQ(song.SongSettings.UseMediaFile(), 1);
    EXPECT_EQ(song.ExtraBreakChar(), u'-');
    EXPECT_EQ(song.GetPart(0)->PartRecord.PartName(), "Imported .KOK Lyrics");
    EXPECT_EQ(song.GetPart(0)->PartRecord.TimingsRecorded(), 1);
    EXPECT_EQ(ui.shownImportResults.value(0),
              "Import of the KOK file " + ScratchFolder() +
                  "/song.kok was sucessful. Please Note: The timings will only be "
                  "accurate for MP3 files...");
}

TEST_F(Kok, MediaBesideTheFileReplacesTheAssumedMp3) {
    QDir().mkpath(ScratchFolder() + "/kok");
    ASSERT_TRUE(ImportKok(Write("kok/night.kok", "la;1,0;"), song));
    EXPECT_EQ(QFile::decodeName(song.SongSettings.MediaFileName()), ScratchFolder() + "/kok/night.mp3");
    Write("kok/night.flac", "flac");
    ASSERT_TRUE(ImportKok(ScratchFolder() + "/kok/night.kok", song));
    EXPECT_EQ(QFile::decodeName(song.SongSettings.MediaFileName()), ScratchFolder() + "/kok/night.flac");
    EXPECT_EQ(song.SongSettings.UseMediaFile(), 1);
}

TEST_F(Kok, MissingFilesFailWithoutAResult) {
    song.SetSongName("old");
    EXPECT_FALSE(ImportKok(ScratchFolder() + "/missing.kok", song));
    EXPECT_EQ(song.SongName(), "");
    EXPECT_TRUE(ui.shownImportResults.isEmpty());
}

TEST_F(Kok, Utf8WordsCountCharacters) {
    ASSERT_TRUE(Import("\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82;1,0;\xD0\xBC\xD0\xB8\xD1\x80;2,0;"));
    const tTimingsLineType& line = *song.GetPart(0)->GetLine(0);
    EXPECT_EQ(song.SongSettings.UnicodeText(), 1);
    EXPECT_EQ(line.WideText(), QString::fromUtf8("Привет мир"));
    EXPECT_EQ(TimingsOf(line), (tTimings{{6, 1000}, {10, 2000}}));
}

} // namespace
