#include "import_test_support.h"
#include "importexport/midi_file.h"
#include "importexport/midi_import.h"
#include "importexport/text_detect.h"
#include "smf_builder.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

class MidiImport : public ImportTest {
protected:
    bool Import(const QByteArray& smf, bool interactive = false, const QString& name = "song.kar") {
        const QString path = Write(name, smf);
        tImportProgress progress;
        if (interactive)
            progress = [](QObject*, tLyrimoData&, int, int, int, int) {};
        return ImportMidi(path, song, progress);
    }

    tLyrimoData song;
};

// Two lines: "Twinkle" with a timing at "kle", then "star" after a line break.
tSmfTrack TwoLineLyrics() {
    tSmfTrack words;
    words.Lyric(192, "Twin").Lyric(96, "kle").Lyric(192, "/star").End();
    return words;
}

TEST_F(MidiImport, TimesFollowDivisionAndTempoStartingAt400000) {
    tSmfTrack conductor;
    conductor.Tempo(0, 500000).End();
    ASSERT_TRUE(Import(Smf({conductor, TwoLineLyrics()})));
    ASSERT_EQ(song.PartCount(), 1);
    const tLyricsData& part = *song.GetPart(0);
    ASSERT_EQ(LineTexts(part), QStringList({"Twinkle", "star"}));
    EXPECT_EQ(part.GetLine(0)->LineRecord.LineStart(), 1000); // tick 192 at 96 a quarter
    // The end timing is the first of T-start-1900, -1700, ... above the last delta: 1500-900.
    EXPECT_EQ(TimingsOf(*part.GetLine(0)), (tTimings{{4, 500}, {7, 600}}));
    EXPECT_EQ(part.GetLine(1)->LineRecord.LineStart(), 2500);
    EXPECT_EQ(TimingsOf(*part.GetLine(1)), (tTimings{{4, 500}}));

    ASSERT_TRUE(Import(Smf({TwoLineLyrics()})));
    const tLyricsData& slower = *song.GetPart(0);
    EXPECT_EQ(slower.GetLine(0)->LineRecord.LineStart(), 800);
    EXPECT_EQ(TimingsOf(*slower.GetLine(0)), (tTimings{{4, 400}, {7, 500}}));
    EXPECT_EQ(slower.GetLine(1)->LineRecord.LineStart(), 2000);
}

TEST_F(MidiImport, TempoChangesApplyFromTheirTick) {
    tSmfTrack conductor;
    conductor.Tempo(96, 600000).End();
    ASSERT_TRUE(Import(Smf({conductor, TwoLineLyrics()})));
    const tLyricsData& part = *song.GetPart(0);
    EXPECT_EQ(part.GetLine(0)->LineRecord.LineStart(), 400 + 600);
    EXPECT_EQ(part.GetLine(1)->LineRecord.LineStart(), 1000 + 3 * 600);
}

TEST_F(MidiImport, ATempoOfZeroCountsAsTheStartingTempoAndIsNoted) {
    Settings().ShowKARImportResult = true;
    tSmfTrack conductor;
    conductor.Tempo(96, 0).End();
    ASSERT_TRUE(Import(Smf({conductor, TwoLineLyrics()})));
    const tLyricsData& part = *song.GetPart(0);
    ASSERT_EQ(LineTexts(part), QStringList({"Twinkle", "star"}));
    EXPECT_EQ(part.GetLine(0)->LineRecord.LineStart(), 800);
    EXPECT_EQ(part.GetLine(1)->LineRecord.LineStart(), 2000);
    ASSERT_EQ(ui.shownImportResults.size(), 1);
    EXPECT_TRUE(ui.shownImportResults[0].contains("tempo of 0")) << ui.shownImportResults[0].toStdString();

    ASSERT_TRUE(Import(Smf({TwoLineLyrics()})));
    ASSERT_EQ(ui.shownImportResults.size(), 2);
    EXPECT_FALSE(ui.shownImportResults[1].contains("tempo")) << "only a file with a zero tempo says so";
}

TEST_F(MidiImport, SmpteDivisionCountsFramesAndIsNotedWhenInteractive) {
    tSmfTrack words;
    words.Tempo(0, 900000).Lyric(1000, "one").Lyric(500, "/two").End();
    ASSERT_TRUE(Import(Smf({words}, 0xE728), true)); // 25 frames of 40 ticks
    EXPECT_EQ(song.GetPart(0)->GetLine(0)->LineRecord.LineStart(), 1000);
    EXPECT_EQ(song.GetPart(0)->GetLine(1)->LineRecord.LineStart(), 1500);
    ASSERT_EQ(ui.shownMessages.size(), 1);
    EXPECT_TRUE(ui.shownMessages[0].startsWith("NOTE:: This file uses a form of timing"));
}

TEST_F(MidiImport, EventsAtOneTickKeepTheirOrderAndRunningStatusIsFollowed) {
    tSmfTrack words;
    words.Raw(0, {0x90, 60, 100})
        .Raw(10, {62, 100}) // note on, then running status
        .Lyric(90, "b")
        .Text(0, "a")
        .Lyric(0, "c")
        .Raw(0, {0xC0, 5})
        .Raw(0, {0xF0, 0x02, 0x11, 0xF7}) // program change, system exclusive
        .Raw(0, {0x90, 64, 100})
        .Raw(5, {64, 0})
        .Raw(0, {0xF8})
        .Lyric(95, "/d")
        .Lyric(1, "e")
        .End();
    ASSERT_TRUE(Import(Smf({words})));
    EXPECT_EQ(LineTexts(*song.GetPart(0)), QStringList({"bac", "de"}));
}

TEST_F(MidiImport, LineBreakMarkersStartNewLines) {
    tSmfTrack words;
    words.Lyric(10, "\\one").Text(10, "\r\n").Lyric(0, "/").Lyric(10, "two").Lyric(10, "th\rree").End();
    ASSERT_TRUE(Import(Smf({words})));
    EXPECT_EQ(LineTexts(*song.GetPart(0)), QStringList({"one", "two", "three"}));
}

TEST_F(MidiImport, LongLinesAreCutAndDeltasWrapAt16Bits) {
    tSmfTrack conductor, words;
    conductor.Tempo(0, 960000).End(); // 10 ms a tick at division 96
    words.Lyric(10, QByteArray(150, 'a'))
        .Lyric(10, QByteArray(20, 'b'))
        .Lyric(10, "c")
        .Lyric(7000, "/x")
        .Lyric(7000, "y")
        .Lyric(10, "/z")
        .End();
    ASSERT_TRUE(Import(Smf({conductor, words})));
    const tLyricsData& part = *song.GetPart(0);
    EXPECT_EQ(part.GetLine(0)->Text(), QByteArray(150, 'a') + QByteArray(10, 'b'));
    // The end timing falls on the last timing's position and is dropped.
    EXPECT_EQ(TimingsOf(*part.GetLine(0)), (tTimings{{150, 100}, {160, 200}}));
    // "y" comes 70000 ms after the line start: 70000 - 65536.
    EXPECT_EQ(TimingsOf(*part.GetLine(1)), (tTimings{{1, 4464}, {2, uint16_t(70100 - 1900)}}));
}

TEST_F(MidiImport, TracksBecomePartsAndDuplicatesAreRemoved) {
    tSmfTrack info, lead, copy, other;
    info.Text(0, "@TSong Title").Text(0, "@tlower").Text(0, "@TThe Artist").End();
    lead.Name("  Lead voice  ").Lyric(10, "Hello").Lyric(10, "/World").End();
    copy.Lyric(10, "HELLO").Lyric(10, "/world").End();
    other.Lyric(15, "Second").Lyric(10, "/voice").End();
    ASSERT_TRUE(Import(Smf({info, lead, copy, other})));
    ASSERT_EQ(song.PartCount(), 2);
    EXPECT_EQ(song.GetPart(0)->PartRecord.PartName(), "Lead voice");
    EXPECT_EQ(song.GetPart(1)->PartRecord.PartName(), "Unnamed 3");
    EXPECT_EQ(LineTexts(*song.GetPart(1)), QStringList({"Second", "voice"}));
    EXPECT_EQ(song.SongName(), "Song Title");
    EXPECT_EQ(song.ArtistName(), "The Artist");
}

TEST_F(MidiImport, FailuresAreShownWhenInteractiveAndLeaveANewSong) {
    struct tCase {
        QByteArray smf;
        QString message;
    };
    tSmfTrack oneLine, noLyrics;
    oneLine.Lyric(10, "only").Lyric(10, " one line").End();
    noLyrics.Text(0, "title at the start").Tempo(0, 500000).End();
    const tCase cases[] = {
        {"MThd", "Lyrimo - Error Importing File...: This file is NOT a MIDI file..."},
        {"MThd" + BigEndian(0xFFFFFFFF, 4) + QByteArray(8, '\0'),
         "Lyrimo - Error Importing File...: File is corrupt or incomplete."},
        {SmfHeader(1, 96) + "MTrx" + BigEndian(4, 4) + "abcd",
         "Lyrimo - Error Importing File...: File is corrupt or incomplete."},
        {SmfHeader(1, 96) + "MTrk" + BigEndian(0xFFFFFFF0, 4) + "abcd",
         "Lyrimo - Error Importing File...: Part of this file is missing..."},
        {Smf({noLyrics}), "Error: This file doesn't contain any karaoke or lyrics information."},
        {Smf({oneLine}), "Error: Error cleaning up file, probably has no usable lyrics."},
    };
    for (const tCase& c : cases) {
        ui.shownMessages.clear();
        song.SetSongName("left over");
        EXPECT_FALSE(Import(c.smf, true)) << c.message.toStdString();
        EXPECT_EQ(ui.shownMessages, QStringList{c.message});
        EXPECT_EQ(song.SongName(), "");
        EXPECT_EQ(song.PartCount(), 1);
        EXPECT_TRUE(song.TempMediaPath().isEmpty());
        ui.shownMessages.clear();
        EXPECT_FALSE(Import(c.smf, false));
        EXPECT_TRUE(ui.shownMessages.isEmpty()) << "messages only when interactive";
    }
    EXPECT_FALSE(ImportMidi(ScratchFolder() + "/missing.kar", song,
                            [](QObject*, tLyrimoData&, int, int, int, int) {}));
    EXPECT_EQ(ui.shownMessages.value(0),
              "Lyrimo - Error Importing File...: File was not found or could not be opened.");
}

TEST_F(MidiImport, TheFileBecomesTheSongsTemporaryMediaWithImportSettings) {
    const QByteArray smf = Smf({TwoLineLyrics()});
    ASSERT_TRUE(Import(smf));
    const QString media = song.TempMediaPath();
    EXPECT_EQ(QFileInfo(media).absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
    EXPECT_TRUE(QRegularExpression("^~\\d{12}\\d+\\.mid$").match(QFileInfo(media).fileName()).hasMatch());
    EXPECT_EQ(ReadFile(media), smf);
    const tSongSettings& s = song.SongSettings;
    EXPECT_EQ(s.MediaFileName(), QFile::encodeName(media));
    EXPECT_EQ(s.EmbedMedia(), 1);
    EXPECT_EQ(s.UseMediaFile(), 1);
    EXPECT_EQ(s.PreferredPlayer(), 3);
    EXPECT_EQ(s.AdjustWinampTimingsForWmp(), 0);
    const tLyricsData& part = *song.GetPart(0);
    EXPECT_EQ(part.PartRecord.TimingsRecorded(), 1);
    EXPECT_EQ(part.PartExtras.TextMode(), 6);
    EXPECT_EQ(part.PartExtras.BallStyle(), 0);
    EXPECT_EQ(part.GetLine(0)->LineRecord.NormalColour(), 0x00FFFF);
    EXPECT_EQ(part.GetLine(0)->LineRecord.HighlightColour(), 0x0000FF);
    EXPECT_EQ(part.GetLine(0)->LineRecord.HighlightBackground(), 0x800000);

    ASSERT_TRUE(Import(smf)); // a second import replaces the first copy
    EXPECT_FALSE(QFile::exists(media));
    const QString second = song.TempMediaPath();
    song.Clear();
    EXPECT_FALSE(QFile::exists(second));
}

TEST_F(MidiImport, ResultWindowFollowsItsSettingAndCheckBox) {
    const QByteArray smf = Smf({TwoLineLyrics()});
    ui.scriptedDoNotShow = {true};
    ASSERT_TRUE(Import(smf, false, "result.kar"));
    ASSERT_EQ(ui.shownImportResults.size(), 1);
    EXPECT_EQ(ui.shownImportResults[0],
              "Import of the Midi karaoke file " + ScratchFolder() +
                  "/result.kar was sucessful. Please Note: You may need to adjust the "
                  "\"Start Time Offset\" for this song");
    EXPECT_FALSE(Settings().ShowKARImportResult);
    ASSERT_TRUE(Import(smf));
    EXPECT_EQ(ui.shownImportResults.size(), 1);
}

TEST_F(MidiImport, EightBitLyricsKeepTheirBytesWithTheMatchingCharacterSet) {
    // "Ой, то не вечер, то не вечер" in Windows-1251.
    const QByteArray line1 =
        "\xCE\xE9, \xF2\xEE \xED\xE5 \xE2\xE5\xF7\xE5\xF0, \xF2\xEE \xED\xE5 \xE2\xE5\xF7\xE5\xF0";
    const QByteArray line2 =
        "\xCC\xED\xE5 \xEC\xE0\xEB\xFB\xEC \xEC\xE0\xEB\xEE \xF1\xEF\xE0\xEB\xEE\xF1\xFC";
    tSmfTrack words;
    words.Lyric(10, line1.left(9)).Lyric(10, line1.mid(9)).Lyric(10, "/" + line2).End();
    ASSERT_TRUE(Import(Smf({words})));
    const tLyricsData& part = *song.GetPart(0);
    EXPECT_EQ(part.GetLine(0)->Text(), line1);
    EXPECT_EQ(part.GetLine(1)->Text(), line2);
    EXPECT_EQ(part.GetLine(0)->Timings().front().Position(), 9);
    EXPECT_EQ(part.PartExtras.FontCharset(), 204);
    EXPECT_EQ(song.SongSettings.TitleFontCharset(), 204);
    EXPECT_EQ(song.SongSettings.UnicodeText(), 0);
}

TEST_F(MidiImport, Utf8LyricsBecomeSixteenBitTextCountingCharacters) {
    tSmfTrack info, words;
    info.Text(0, "@T\xE3\x81\x8D\xE3\x82\x89\xE3\x81\x8D\xE3\x82\x89").End();
    words
        .Lyric(10, "\xE3\x81\x8D\xE3\x82\x89\xE3\x81\x8D\xE3\x82\x89") // きらきら
        .Lyric(10, "\xE3\x81\xB2\xE3\x81\x8B\xE3\x82\x8B")             // ひかる
        .Lyric(10, "/\xE3\x81\x8A\xE3\x81\x9D\xE3\x82\x89\xE3\x81\xAE")
        .End(); // おそらの
    ASSERT_TRUE(Import(Smf({info, words})));
    const tLyricsData& part = *song.GetPart(0);
    EXPECT_EQ(song.SongSettings.UnicodeText(), 1);
    EXPECT_EQ(part.GetLine(0)->WideText(), QString::fromUtf8("きらきらひかる"));
    EXPECT_EQ(TimingsOf(*part.GetLine(0)).front(), std::make_pair(4, 42));
    EXPECT_EQ(TimingsOf(*part.GetLine(0)).back().first, 7);
    EXPECT_EQ(part.GetLine(1)->WideText(), QString::fromUtf8("おそらの"));
    EXPECT_EQ(song.WideSongName(), QString::fromUtf8("きらきら"));
}

TEST_F(MidiImport, AShortUtf8TagOutsideTheLyricsStillMakesTheSongUtf8) {
    // The only non-ASCII letters are in an information tag of a track without lyrics; a
    // code-page guess from so few letters once took them for Central European text.
    tSmfTrack info;
    info.Text(0, "@IJos\xC3\xA9").Text(0, "@TMountain Song").End(); // "José"
    ASSERT_TRUE(Import(Smf({info, TwoLineLyrics()})));
    EXPECT_EQ(song.SongSettings.UnicodeText(), 1);
    EXPECT_NE(song.SongSettings.TitleFontCharset(), 238);
    EXPECT_NE(song.GetPart(0)->PartExtras.FontCharset(), 238);
    EXPECT_EQ(song.GetPart(0)->GetLine(0)->WideText(), "Twinkle");
}

TEST(TextDetection, OnlyWellFormedUtf8CountsAsUtf8) {
    for (const char* valid :
         {"", "plain", "Zolt\xC3\xA1n", "\xE3\x81\x8D", "\xF0\x9F\x8E\xA4", "\xF4\x8F\xBF\xBF"})
        EXPECT_TRUE(IsValidUtf8(valid)) << valid;
    for (const char* invalid : {"Dvo\xF8\xE1k", // Windows-1250
                                "\x80", "\xC3", // a lone continuation, a cut sequence
                                "\xC0\x80", "\xE0\x80\x80", "\xF0\x80\x80\x80", // overlong forms
                                "\xED\xA0\x80",                                 // a surrogate
                                "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80"})    // past U+10FFFF
        EXPECT_FALSE(IsValidUtf8(invalid)) << invalid;

    tEncodingDetector mixed;
    mixed.Add("Zolt\xC3\xA1n");
    mixed.Add("Dvo\xF8\xE1k");
    EXPECT_NE(mixed.Result().form, tTextForm::Wide);
}

// A line-break marker that is the second byte of a double-byte character belongs to the
// character; the 0x5C of Shift-JIS 0x83 0x5C is the best known.
TEST(TextDetection, LineBreakMarkersAreRemovedOutsideDoubleByteCharacters) {
    const tImportedText japanese = TextFormForEncoding("SHIFT_JIS");
    QByteArray bytes = "\\a\x83\\b\\";
    EXPECT_TRUE(japanese.RemoveMarker(bytes, "\\"));
    EXPECT_EQ(bytes, "a\x83\\b");
    bytes = "\x83\\";
    EXPECT_FALSE(japanese.RemoveMarker(bytes, "\\"));
    EXPECT_EQ(bytes, "\x83\\");
    bytes = "ab\x83"; // a lead byte with nothing after it
    EXPECT_FALSE(japanese.RemoveMarker(bytes, "\\"));
    EXPECT_EQ(bytes, "ab\x83");

    const tImportedText latin = TextFormForEncoding("WINDOWS-1252");
    const QByteArray run(136, 'z');
    bytes = run + "x" + run + run;
    EXPECT_TRUE(latin.RemoveMarker(bytes, run));
    EXPECT_EQ(bytes, "x");
    bytes = QByteArray(135, 'z');
    EXPECT_FALSE(latin.RemoveMarker(bytes, run));
    EXPECT_EQ(bytes, QByteArray(135, 'z'));
    bytes = "a/b/";
    EXPECT_TRUE(latin.RemoveMarker(bytes, "/"));
    EXPECT_EQ(bytes, "ab");
}

TEST_F(MidiImport, PlainAsciiLeavesTheTextSettingsAlone) {
    Settings().UseMultibyte = false;
    ASSERT_TRUE(Import(Smf({TwoLineLyrics()})));
    EXPECT_EQ(song.SongSettings.UnicodeText(), 0);
    EXPECT_EQ(song.GetPart(0)->PartExtras.FontCharset(), 0);
    Settings().UseMultibyte = true;
    ASSERT_TRUE(Import(Smf({TwoLineLyrics()})));
    EXPECT_EQ(song.SongSettings.UnicodeText(), 1);
}

TEST_F(MidiImport, RiffWrappedFilesAreUnwrapped) {
    const QByteArray smf = Smf({TwoLineLyrics()});
    QByteArray data = "data" + QByteArray(4, '\0') + smf;
    data[4] = static_cast<char>(smf.size() & 0xFF);
    data[5] = static_cast<char>(smf.size() >> 8);
    QByteArray rmi = "RIFF" + QByteArray(4, '\0') + "RMID" + data;
    ASSERT_TRUE(Import(rmi, false, "song.rmi"));
    EXPECT_EQ(LineTexts(*song.GetPart(0)), QStringList({"Twinkle", "star"}));
    EXPECT_EQ(ReadFile(song.TempMediaPath()), smf);
}

} // namespace
