#include "import_test_support.h"
#include "importexport/lrc_export.h"
#include "importexport/lrc_import.h"

#include <QDir>
#include <QFile>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

class Lrc : public ImportTest {
protected:
    bool Import(const QByteArray& text, const tImportProgress& progress = {}) {
        return ImportLrc(Write("song.lrc", text), song, progress);
    }
    QByteArray Export(int part = 0) {
        const QString path = ScratchFolder() + "/out.lrc";
        QFile::remove(path);
        EXPECT_TRUE(ExportLrc(path, song, part));
        return ReadFile(path);
    }
    tTimingsLineType& AddLine(const QByteArray& text, int start) {
        tTimingsLineType& line = *song.GetPart(0)->AddLine();
        line.LineRecord.setText(text);
        line.LineRecord.setLineStart(start);
        return line;
    }

    tLyrimoData song;
};

TEST_F(Lrc, EveryTimeTagMakesALineAtWholeSeconds) {
    ASSERT_TRUE(Import("[ti:The Title]\n[AR:Someone]\n[by:nobody]\n[offset:+200]\n"
                       "  [00:12][01:45]word  \r\n[00:20.75]half\rnot a tag line\n[1]\n"));
    const tLyricsData& part = *song.GetPart(0);
    EXPECT_EQ(song.SongName(), "The Title");
    EXPECT_EQ(song.ArtistName(), "Someone");
    EXPECT_EQ(part.PartRecord.PartName(), "Imported .LRC Lyrics");
    EXPECT_EQ(part.PartRecord.TimingsRecorded(), 1);
    ASSERT_EQ(LineTexts(part), QStringList({"word", "half", "word"}));
    EXPECT_EQ(part.GetLine(0)->LineRecord.LineStart(), 12000);
    EXPECT_EQ(part.GetLine(1)->LineRecord.LineStart(), 20000);
    EXPECT_EQ(part.GetLine(2)->LineRecord.LineStart(), 105000);
    EXPECT_EQ(TimingsOf(*part.GetLine(0)), (tTimings{{0, 7997}, {5, 7999}}));
    EXPECT_EQ(TimingsOf(*part.GetLine(2)), (tTimings{{0, 1997}, {5, 1999}}));
    EXPECT_EQ(part.GetLine(0)->LineRecord.NormalColour(), 0x00FFFF);
}

TEST_F(Lrc, EntriesAtOneTimeKeepTheFirstBySortedText) {
    // Sorted: "0010" (no text), "0010alpha", "0010beta", "0015omega".
    ASSERT_TRUE(Import("[00:10]beta\n[00:10]alpha\n[00:10]\n[0:15]omega\n"));
    const tLyricsData& part = *song.GetPart(0);
    ASSERT_EQ(LineTexts(part), QStringList({"alpha", "omega"}));
    // alpha's next entry has the same time, so both its deltas are 0.
    EXPECT_EQ(TimingsOf(*part.GetLine(0)), (tTimings{{0, 0}, {6, 0}}));
    EXPECT_EQ(part.GetLine(1)->LineRecord.LineStart(), 15000);
}

TEST_F(Lrc, ReportsEachLineAndTheEnd) {
    std::vector<std::array<int, 4>> calls; // stage, maximum, position, kind
    ASSERT_TRUE(Import("[00:01]a\n[00:02]b\n[00:03]c",
                       [&](QObject*, tLyrimoData&, int stage, int max, int pos, int kind) {
                           calls.push_back({stage, max, pos, kind});
                       }));
    EXPECT_EQ(calls,
              (std::vector<std::array<int, 4>>{{1, 2, 0, 3}, {1, 2, 1, 3}, {1, 2, 2, 3}, {3, 2, 2, 3}}));
    EXPECT_EQ(ui.shownImportResults.size(), 1);
}

TEST_F(Lrc, Utf8FilesBecomeSixteenBitText) {
    for (const QByteArray& mark : {QByteArray(), QByteArray("\xEF\xBB\xBF")}) {
        ASSERT_TRUE(Import(mark + "[ti:\xD0\x97\xD0\xB2\xD0\xB5\xD0\xB7\xD0\xB4\xD0\xB0]\n"
                                  "[00:01]\xD0\x9C\xD0\xB5\xD1\x80\xD1\x86\xD0\xB0\xD0\xB9, "
                                  "\xD0\xBC\xD0\xB5\xD1\x80\xD1\x86\xD0\xB0\xD0\xB9\n"));
        const tTimingsLineType& line = *song.GetPart(0)->GetLine(0);
        EXPECT_EQ(song.SongSettings.UnicodeText(), 1);
        EXPECT_EQ(line.WideText(), QString::fromUtf8("Мерцай, мерцай"));
        EXPECT_EQ(TimingsOf(line).back().first, 15);
        EXPECT_EQ(song.WideSongName(), QString::fromUtf8("Звезда"));
    }
}

TEST_F(Lrc, MusicOfTheSameNameBesideTheFileBecomesTheMedia) {
    QDir().mkpath(ScratchFolder() + "/beside");
    auto importFrom = [&](const QString& name) {
        EXPECT_TRUE(ImportLrc(Write("beside/" + name, "[00:01]la la"), song));
        return QFile::decodeName(song.SongSettings.MediaFileName());
    };
    // Nothing beside: no media, as before.
    EXPECT_EQ(importFrom("alone.lrc"), "");
    EXPECT_EQ(song.SongSettings.UseMediaFile(), 0);

    // The first kind in the order wins, in whatever case it is spelt.
    Write("beside/tune.mkv", "video");
    Write("beside/tune.WAV", "wave");
    Write("beside/tune.Ogg", "vorbis");
    EXPECT_EQ(importFrom("tune.lrc"), ScratchFolder() + "/beside/tune.Ogg");
    EXPECT_EQ(song.SongSettings.UseMediaFile(), 1);
    EXPECT_EQ(song.SongSettings.EmbedMedia(), 0);
    EXPECT_EQ(song.SongSettings.HasVideo(), 0);

    // A video marks the song as having video; a name that only starts alike does not count.
    Write("beside/clip.webm", "video");
    Write("beside/clip.mp3.part", "partial");
    EXPECT_EQ(importFrom("clip.lrc"), ScratchFolder() + "/beside/clip.webm");
    EXPECT_EQ(song.SongSettings.HasVideo(), 1);
}

TEST_F(Lrc, UnreadableAndOversizedFilesFail) {
    song.SetSongName("old");
    EXPECT_FALSE(ImportLrc(ScratchFolder() + "/missing.lrc", song));
    EXPECT_EQ(song.SongName(), "");

    // 100 MB on one line is refused without being read.
    const QString huge = ScratchFolder() + "/huge.lrc";
    QFile file(huge);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[00:01]");
    ASSERT_TRUE(file.resize(100 << 20));
    file.close();
    EXPECT_FALSE(ImportLrc(huge, song));
    EXPECT_TRUE(ui.shownImportResults.isEmpty());

    // Within the limit, a line of a hundred thousand tags still gives one line per time.
    QByteArray tags;
    for (int i = 0; i < 30000; ++i)
        tags += "[00:0" + QByteArray::number(i % 10) + "]";
    ASSERT_TRUE(Import(tags + "la"));
    EXPECT_EQ(song.GetPart(0)->LineCount(), 10);
}

TEST_F(Lrc, AnOversizedFileIsRefusedSayingTheLimit) {
    QByteArray text = "[00:01]la\n";
    text += QByteArray(4 * 1024 * 1024, ' ');
    ASSERT_FALSE(Import(text, [](QObject*, tLyrimoData&, int, int, int, int) {}));
    ASSERT_EQ(ui.shownMessages.size(), 1);
    EXPECT_TRUE(ui.shownMessages[0].contains("too large")) << ui.shownMessages[0].toStdString();
    EXPECT_TRUE(ui.shownMessages[0].contains("4 MiB")) << ui.shownMessages[0].toStdString();

    text.chop(10); // exactly at the limit
    EXPECT_TRUE(Import(text));
}

TEST_F(Lrc, AFullSizedFileOfShortLinesImportsEveryTime) {
    // Every whole second of 100 minutes, each given by forty lines in reverse order.
    QByteArray text;
    for (int copy = 0; copy < 40; ++copy) {
        for (int second = 100 * 60 - 1; second >= 0; --second) {
            text += '[' + QByteArray::number(second / 60).rightJustified(2, '0') + ':' +
                    QByteArray::number(second % 60).rightJustified(2, '0') + ']' +
                    QByteArray::number(copy % 10) + "\n";
        }
    }
    ASSERT_GT(text.size(), 2 << 20);
    ASSERT_TRUE(Import(text));
    const tLyricsData& part = *song.GetPart(0);
    ASSERT_EQ(part.LineCount(), 6000);
    EXPECT_EQ(part.GetLine(0)->Text(), "0"); // the smallest text of each time comes first
    EXPECT_EQ(part.GetLine(5999)->LineRecord.LineStart(), 5999 * 1000);
}

TEST_F(Lrc, ExportMergesLinesOfTheSameText) {
    song.SetArtistName("Artist");
    song.SetSongName("Song");
    song.GetPart(0)->PartRecord.setPartName("Main Part");
    AddLine("Hello", 1000);
    AddLine("  World ", 62 * 60000 + 5999);
    AddLine("hello", 5000);
    EXPECT_EQ(Export(), "[ar:Artist]\r\n[by:(Exported from Lyrimo)]\r\n[ti:Song (Main Part)]\r\n\r\n"
                        "[00:01][00:05]Hello \r\n[62:05]World \r\n");
}

TEST_F(Lrc, ExportThenImportKeepsLinesAndWholeSeconds) {
    AddLine("first line", 3500);
    AddLine("second line", 61000);
    Export();
    tLyrimoData again;
    ASSERT_TRUE(ImportLrc(ScratchFolder() + "/out.lrc", again));
    EXPECT_EQ(LineTexts(*again.GetPart(0)), QStringList({"first line", "second line"}));
    EXPECT_EQ(again.GetPart(0)->GetLine(0)->LineRecord.LineStart(), 3000);
    EXPECT_EQ(again.GetPart(0)->GetLine(1)->LineRecord.LineStart(), 61000);
}

TEST_F(Lrc, SixteenBitSongsAreExportedAsUtf8) {
    song.SongSettings.setUnicodeText(1);
    song.SetWideSongName(QString::fromUtf8("Звезда"));
    AddLine("", 0).SetWideText(QString::fromUtf8("Мерцай"));
    EXPECT_TRUE(Export().contains("[00:00]" + QString::fromUtf8("Мерцай").toUtf8() + " \r\n"));
}

TEST_F(Lrc, ExportFailuresLeaveTheOldFile) {
    const QString path = Write("kept.lrc", "old");
    EXPECT_FALSE(ExportLrc(path, song, 1));
    EXPECT_FALSE(ExportLrc(ScratchFolder() + "/no/such/folder/out.lrc", song, 0));
    EXPECT_EQ(ReadFile(path), "old");
}

} // namespace
