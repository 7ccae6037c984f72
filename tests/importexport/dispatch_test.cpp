#include "import_test_support.h"
#include "importexport/import_dispatch.h"
#include "smf_builder.h"

#include <QProcess>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

class Dispatch : public ImportTest {};

QByteArray SmallKaraoke() {
    tSmfTrack words;
    words.Text(0, "@TTitle").Lyric(10, "one").Lyric(10, "/two").End();
    return Smf({words});
}

TEST_F(Dispatch, ChoosesTheImporterByExtensionInAnyCase) {
    tLyrimoData song;
    for (const char* name : {"a.kar", "b.MID", "c.Midi", "d.rmi"}) {
        EXPECT_TRUE(ImportByExtension(Write(name, SmallKaraoke()), song)) << name;
        EXPECT_EQ(song.SongName(), "Title");
    }
    EXPECT_TRUE(ImportByExtension(Write("e.LRC", "[00:01]lrc"), song));
    EXPECT_EQ(song.GetPart(0)->PartRecord.PartName(), "Imported .LRC Lyrics");
    EXPECT_TRUE(ImportByExtension(Write("f.kok", "kok;1,0;"), song));
    EXPECT_EQ(song.GetPart(0)->PartRecord.PartName(), "Imported .KOK Lyrics");

    song.SetSongName("stale");
    EXPECT_FALSE(ImportByExtension(Write("g.txt", "[00:01]text"), song));
    EXPECT_EQ(song.SongName(), "");
    EXPECT_FALSE(ImportByExtension(Write("h.lrc.bak", "[00:01]text"), song));
    EXPECT_FALSE(ImportByExtension(Write("i.lym", "not a song"), song));
}

TEST_F(Dispatch, SongFilesAreLoadedWithTheirMedia) {
    tLyrimoData song;
    ASSERT_TRUE(ImportByExtension(Write("j.kar", SmallKaraoke()), song));
    const QString saved = ScratchFolder() + "/j.lym";
    ASSERT_EQ(song.SaveToFile(saved), 0);
    tLyrimoData loaded;
    ASSERT_TRUE(ImportByExtension(saved, loaded));
    EXPECT_EQ(LineTexts(*loaded.GetPart(0)), QStringList({"one", "two"}));
    EXPECT_EQ(ReadFile(loaded.TempMediaPath()), SmallKaraoke());
}

TEST_F(Dispatch, TheCommittedDemoIsTheGeneratorsOutputAndImports) {
    const QString generated = ScratchFolder() + "/twinkle.kar";
    ASSERT_EQ(QProcess::execute(DEMO_KAR_GENERATOR, {generated}), 0);
    const QByteArray demo = ReadFile(DEMO_KAR_FILE);
    ASSERT_FALSE(demo.isEmpty());
    EXPECT_EQ(ReadFile(generated), demo);

    tLyrimoData song;
    ASSERT_TRUE(ImportByExtension(generated, song));
    ASSERT_EQ(song.PartCount(), 1);
    EXPECT_EQ(song.SongName(), "Twinkle, Twinkle, Little Star");
    EXPECT_EQ(song.ArtistName(), "Jane Taylor (1806), traditional tune");
    const tLyricsData& part = *song.GetPart(0);
    EXPECT_EQ(part.PartRecord.PartName(), "Words");
    ASSERT_EQ(part.LineCount(), 18);
    EXPECT_EQ(part.GetLine(0)->WideText(), "Twinkle, twinkle, little star,");
    EXPECT_EQ(part.GetLine(6)->WideText(), "When the blazing sun is gone,");
    EXPECT_EQ(part.GetLine(0)->TimingCount(), 7);
}

} // namespace
