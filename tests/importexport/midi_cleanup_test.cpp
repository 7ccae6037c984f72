#include "import_test_support.h"
#include "importexport/midi_cleanup.h"
#include "importexport/midi_import.h"
#include "karaoke_patterns.h"

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

class MidiCleanup : public ImportTest {
protected:
    void Import(const QByteArray& smf) { ASSERT_TRUE(ImportMidi(Write("pattern.kar", smf), song)); }

    QStringList PartNames() const {
        QStringList names;
        for (int p = 0; p < song.PartCount(); ++p)
            names << song.GetPart(p)->PartRecord.PartName();
        return names;
    }
    const tTimingsLineType& Line(int index) const { return *song.GetPart(0)->GetLine(index); }

    tLyrimoData song;
};

TEST_F(MidiCleanup, LyricsRepeatedInThreeTracksKeepTheOneTimedBySyllable) {
    Settings().ShowKARImportResult = true;
    Import(RepeatedLyrics());
    ASSERT_EQ(PartNames(), QStringList{"Melody"});
    EXPECT_EQ(LineTexts(*song.GetPart(0)),
              QStringList({"Look at the morning light.", "Showing us the way!"}));
    EXPECT_EQ(TimingsOf(Line(0)),
              (tTimings{{5, 200}, {8, 400}, {12, 600}, {15, 800}, {20, 1000}, {26, 1100}}));
    EXPECT_EQ(Line(1).LineRecord.LineStart(), 4000);
    EXPECT_EQ(TimingsOf(Line(1)), (tTimings{{4, 200}, {8, 400}, {11, 600}, {15, 800}, {19, 1300}}));
    ASSERT_EQ(ui.shownImportResults.size(), 1);
    EXPECT_TRUE(ui.shownImportResults[0].endsWith(
        "for this song. Parts that sang the same words were merged: \"Words\", \"Lyrics\" into \"Melody\""))
        << ui.shownImportResults[0].toStdString();
}

TEST_F(MidiCleanup, BetweenEquallyTimedRepeatsTheTextTrackIsKept) {
    Import(EvenlyTimedRepeat());
    ASSERT_EQ(PartNames(), QStringList{"Words"});
    EXPECT_EQ(LineTexts(*song.GetPart(0)),
              QStringList({"Look at, the morning light", "Showing us the way."}));
}

TEST_F(MidiCleanup, ADuetKeepsBothSingers) {
    Settings().ShowKARImportResult = true;
    for (bool echo : {false, true}) {
        Import(Duet(echo));
        EXPECT_EQ(PartNames(), QStringList({"Him", "Her"})) << "echo " << echo;
        EXPECT_EQ(LineTexts(*song.GetPart(1)).value(0),
                  echo ? "Look at the morning light" : "Hear the birds in trees");
        EXPECT_FALSE(ui.shownImportResults.value(0).contains("merged"));
        ui.shownImportResults.clear();
    }
}

TEST_F(MidiCleanup, SyllableHyphensJoinTheirSyllablesAndAreNotDrawn) {
    Import(HyphenatedSyllables());
    EXPECT_EQ(
        LineTexts(*song.GetPart(0)),
        QStringList({"Look at the morning light", "Showing the e-mail in my face", "Tu diario en la mano"}));
    // Every timing stays at the start of its syllable.
    EXPECT_EQ(Line(0).LineRecord.LineStart(), 2000);
    EXPECT_EQ(TimingsOf(Line(0)),
              (tTimings{{5, 200}, {8, 400}, {12, 600}, {15, 800}, {20, 1000}, {25, 1100}}));
    EXPECT_EQ(TimingsOf(Line(1)),
              (tTimings{{4, 200}, {7, 400}, {11, 600}, {18, 800}, {21, 1000}, {24, 1200}, {29, 1300}}));
    EXPECT_EQ(TimingsOf(Line(2)),
              (tTimings{{3, 200}, {6, 400}, {13, 600}, {16, 800}, {18, 1000}, {20, 1500}}));
}

TEST_F(MidiCleanup, ACreditBeforeTheFirstSungNoteBecomesALineOfItsOwn) {
    for (bool textTrack : {false, true}) {
        Import(CreditsBeforeTheFirstNote(textTrack));
        ASSERT_EQ(LineTexts(*song.GetPart(0)),
                  QStringList({"Secuenciado por L. Autor", "Te regalo mi cintura", "Y no me lo dices"}))
            << "text track " << textTrack;
        EXPECT_EQ(Line(0).LineRecord.LineStart(), 0);
        EXPECT_EQ(TimingsOf(Line(0)), (tTimings{{24, 100}}));
        EXPECT_EQ(Line(0).LineRecord.NormalColour(), 0x00FFFF);
        EXPECT_EQ(Line(1).LineRecord.LineStart(), 2000);
        EXPECT_EQ(
            TimingsOf(Line(1)),
            (tTimings{
                {3, 200}, {5, 400}, {7, 600}, {10, 800}, {13, 1000}, {16, 1200}, {18, 1400}, {20, 1500}}));
        EXPECT_EQ(Line(2).LineRecord.LineStart(), 4000);
        EXPECT_EQ(TimingsOf(Line(2)),
                  (tTimings{{2, 200}, {5, 400}, {8, 600}, {11, 800}, {13, 1000}, {16, 1500}}));
    }
}

// Marks are found by character: "_" as the second byte of a Shift-JIS character is part of it,
// and a doubled dash is drawn.
TEST_F(MidiCleanup, MarksInsideCharactersAndDoubledDashesStay) {
    tLyricsData& part = *song.GetPart(0);
    part.ClearLines();
    tTimingsLineType* line = part.AddLine();
    line->LineRecord.setText("\x83\x5F_a");
    line->AddTiming(MakeTiming(2, 100));
    line->AddTiming(MakeTiming(4, 300));
    part.AddLine()->LineRecord.setText("wait --");
    const tImportedText japanese = TextFormForEncoding("SHIFT_JIS");
    EXPECT_TRUE(CleanUpMidiLyrics(song, {0}, MidiType(), japanese).empty());
    EXPECT_EQ(part.GetLine(0)->Text(), "\x83\x5F a");
    EXPECT_EQ(TimingsOf(*part.GetLine(0)), (tTimings{{2, 100}, {4, 300}}));
    EXPECT_EQ(part.GetLine(1)->Text(), "wait --");
}

} // namespace
