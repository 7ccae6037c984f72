// The editor's edits to a song, without a window.
#include "editor/song_edits.h"

#include "app/app_services.h"

#include <gtest/gtest.h>

using namespace lyrimo;

namespace {

tTimingsLineType& AddTimedLine(tLyricsData& part, int start, std::initializer_list<int> deltas) {
    tTimingsLineType& line = *part.AddLine();
    line.LineRecord.setLineStart(start);
    int position = 0;
    for (int delta : deltas)
        line.AddTiming(MakeTiming(uint8_t(++position), uint16_t(delta)));
    return line;
}

TEST(SongEdits, TypedTextKeepsOneLineATextLineCutTo160Characters) {
    tLyrimoData song;
    song.SongSettings.setUnicodeText(1);
    tLyricsData& part = *song.GetPart(0);
    SetPartLinesFromText(song, part, {"one", "two"});
    part.GetLine(0)->LineRecord.setNormalColour(0x123456); // a colour the user chose stays
    SetPartLinesFromText(song, part, {"one", "two", QString(170, QChar(0x0416))});
    ASSERT_EQ(part.LineCount(), 3);
    EXPECT_EQ(part.GetLine(0)->LineRecord.NormalColour(), 0x123456);
    const tLineRecord& typed = part.GetLine(2)->LineRecord;
    EXPECT_EQ(typed.NormalColour(), 0x00FFFF);
    EXPECT_EQ(typed.HighlightColour(), 0x0000FF);
    EXPECT_EQ(typed.HighlightBackground(), 0);
    EXPECT_EQ(part.GetLine(2)->WideText(), QString(160, QChar(0x0416)));
    EXPECT_EQ(typed.TextHigh().size(), 160);

    SetPartLinesFromText(song, part, {"only"});
    EXPECT_EQ(PartTextLines(song, part), QStringList({"only"}));
}

TEST(SongEdits, EightBitLinesAreStoredInThePartsCharacterSet) {
    tLyrimoData song;
    song.SongSettings.setUnicodeText(0);
    tLyricsData& part = *song.GetPart(0);
    part.PartExtras.setFontCharset(204); // Cyrillic, Windows-1251
    SetPartLinesFromText(song, part, {QString::fromUtf16(u"\u041C\u0438\u0440")});
    EXPECT_EQ(part.GetLine(0)->Text(), QByteArray("\xCC\xE8\xF0"));
    EXPECT_EQ(EditorLineText(song, part, *part.GetLine(0)), QString::fromUtf16(u"\u041C\u0438\u0440"));
    SetEditorLineText(song, part, *part.GetLine(0), QString(170, u'x'));
    EXPECT_EQ(part.GetLine(0)->Text().size(), 160);
}

TEST(SongEdits, InsertedLinesStartAfterTheLineBefore) {
    tLyricsData part;
    AddTimedLine(part, 10000, {1000, 2500});
    AddTimedLine(part, 20000, {});
    EXPECT_EQ(InsertedLineStart(part, 0), 0);
    EXPECT_EQ(InsertedLineStart(part, 1), 12501);
    EXPECT_EQ(InsertedLineStart(part, 2), 20001); // a line without timings ends where it starts

    EXPECT_EQ(InsertEmptyLine(part, 1), 1);
    const tTimingsLineType& inserted = *part.GetLine(1);
    EXPECT_EQ(inserted.LineRecord.LineStart(), 12501);
    EXPECT_EQ(inserted.TimingCount(), 0);
    EXPECT_TRUE(inserted.Text().isEmpty());
    EXPECT_EQ(inserted.LineRecord.NormalColour(), 0);
    EXPECT_EQ(InsertEmptyLine(part, -1), 3); // no row selected: at the end
    EXPECT_EQ(part.GetLine(3)->LineRecord.LineStart(), 20001);
}

TEST(SongEdits, LineStartsAreKeptWithinTheirNeighbours) {
    tLyricsData part;
    AddTimedLine(part, 5000, {300});
    AddTimedLine(part, 4000, {}); // starts before the line above ends
    AddTimedLine(part, 9000, {});
    AddTimedLine(part, 0, {});

    EXPECT_EQ(LineStartLimits(part, 0).minimum, 0);
    EXPECT_EQ(LineStartLimits(part, 0).maximum, 3999);
    const tStartLimits middle = LineStartLimits(part, 1);
    EXPECT_EQ(middle.minimum, 5301);
    EXPECT_EQ(middle.maximum, 8999);
    EXPECT_TRUE(ClampLineStart(part, 1));
    EXPECT_EQ(part.GetLine(1)->LineRecord.LineStart(), 5301);
    EXPECT_FALSE(ClampLineStart(part, 1));
    // A next line without a start leaves 100 seconds of room.
    EXPECT_EQ(LineStartLimits(part, 2).maximum, 5302 + 100000);
    EXPECT_EQ(LineStartLimits(part, 3).minimum, 9001);
    EXPECT_EQ(LineStartLimits(part, 3).maximum, 109001);
}

TEST(SongEdits, ShiftedLinesMoveAsFarAsTheirNeighboursLet) {
    tLyricsData part;
    AddTimedLine(part, 1000, {200, 800}); // ends at 1800
    AddTimedLine(part, 3000, {500});      // ends at 3500
    AddTimedLine(part, 5000, {900});      // ends at 5900
    const auto starts = [&part] {
        std::vector<int> out;
        for (int i = 0; i < part.LineCount(); ++i)
            out.push_back(part.GetLine(i)->LineRecord.LineStart());
        return out;
    };
    EXPECT_EQ(ShiftLines(part, 1, 1, 250), 250);
    EXPECT_EQ(starts(), (std::vector<int>{1000, 3250, 5000}));
    EXPECT_EQ(ShiftLines(part, 1, 1, 5000), 1249);   // ends 1 ms before the next line starts
    EXPECT_EQ(ShiftLines(part, 1, 1, -5000), -2698); // starts 1 ms after the line before ends
    EXPECT_EQ(starts()[1], 1801);
    // The whole part: never before 0, and nothing after it to stop it.
    EXPECT_EQ(ShiftLines(part, 0, 2, -3000), -1000);
    EXPECT_EQ(starts(), (std::vector<int>{0, 801, 4000}));
    EXPECT_EQ(ShiftLines(part, 0, 2, 0), 0);
    EXPECT_EQ(ShiftLines(part, 2, 0, 10), 0);
    EXPECT_EQ(part.GetLine(0)->GetTiming(1).Delta(), 800); // timings go with their line
}

TEST(SongEdits, ACopiedPartHasEveryLineAndTimingAndTheNewName) {
    tLyricsData part;
    part.PartRecord.setStartOffset(-250);
    part.PartExtras.setTextMode(4);
    part.Slots[kBallSlot].Bytes = "ball picture";
    for (int i = 0; i < 3; ++i)
        AddTimedLine(part, 1000 * i, {100, 200}).LineRecord.setText("line");
    const auto copy = CopyPart(part, QString("Copy of ") + QString(50, u'p'));
    ASSERT_EQ(copy->LineCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(copy->GetLine(i)->LineRecord == part.GetLine(i)->LineRecord);
        EXPECT_EQ(copy->GetLine(i)->Timings().size(), 2u);
        EXPECT_NE(copy->GetLine(i), part.GetLine(i));
    }
    EXPECT_EQ(copy->PartRecord.StartOffset(), -250);
    EXPECT_EQ(copy->PartExtras.TextMode(), 4);
    EXPECT_EQ(copy->Slots[kBallSlot].Bytes, "ball picture");
    EXPECT_EQ(PartName(*copy), "Copy of " + QString(32, u'p'));
    copy->GetLine(0)->ClearTimings();
    EXPECT_EQ(part.GetLine(0)->TimingCount(), 2);
}

TEST(SongEdits, ATextFileReplacesThePartsLines) {
    tLyrimoData song;
    tLyricsData& part = *song.GetPart(0);
    AddTimedLine(part, 500, {10});
    part.PartRecord.setStartOffset(300);
    part.PartRecord.setTimingsRecorded(1);
    LoadPartFromText(part, "first\r\nsecond\n\nlast", "/home/me/words of the song.txt");
    EXPECT_EQ(PartTextLines(song, part), QStringList({"first", "second", "", "last"}));
    EXPECT_EQ(part.GetLine(0)->LineRecord.NormalColour(), 0x0000FF);
    EXPECT_EQ(part.GetLine(0)->LineRecord.HighlightColour(), 0x00FFFF);
    EXPECT_EQ(part.PartRecord.StartOffset(), 0);
    EXPECT_EQ(part.PartRecord.TimingsRecorded(), 0);
    EXPECT_EQ(PartName(part), "Imported from words of the song.txt");
    EXPECT_EQ(PartAsText(part), "first\nsecond\n\nlast\n");
}

TEST(SongEdits, WarnsOfLinesThatLookUntimed) {
    tLyrimoData song;
    tLyricsData& part = *song.GetPart(0);
    SetPartLinesFromText(song, part, {"two words", "  single  ", "a", " ", "timed words"});
    part.GetLine(4)->AddTiming(MakeTiming(1, 0));
    std::vector<bool> warned;
    for (int i = 0; i < part.LineCount(); ++i)
        warned.push_back(LineLacksTimings(song, part, *part.GetLine(i)));
    EXPECT_EQ(warned, std::vector<bool>({true, false, false, false, false}));
}

TEST(SongEdits, BallChoiceFollowsTheStyleAndTheCustomPicture) {
    tLyricsData part;
    EXPECT_EQ(BallChoice(part), ball_choice::None);
    part.PartRecord.setBallNumber(45);
    SetBallChoice(part, ball_choice::BuiltIn);
    EXPECT_EQ(part.PartExtras.BallStyle(), 1);
    part.PartExtras.setBallStyle(0);
    part.PartRecord.setBallNumber(44);
    SetBallChoice(part, ball_choice::BuiltIn);
    EXPECT_EQ(part.PartExtras.BallStyle(), 2);
    part.PartRecord.setBallNumber(50);
    SetBallChoice(part, ball_choice::BuiltIn); // already a built-in style: kept
    EXPECT_EQ(part.PartExtras.BallStyle(), 2);
    SetBallChoice(part, ball_choice::Custom);
    EXPECT_EQ(BallChoice(part), ball_choice::Custom);
    SetBallChoice(part, ball_choice::None);
    EXPECT_EQ(part.PartExtras.BallStyle(), 0);
    EXPECT_EQ(part.Slots[kBallSlot].Record.Enabled(), 0);
}

TEST(SongEdits, CaptionNamesTheFileAndTheChanges) {
    EXPECT_EQ(EditorCaption("", false), "Lyrimo Song Editor (new file)");
    EXPECT_EQ(EditorCaption("/songs/My Song.lym", true), "Lyrimo Song Editor [My Song.lym] (changes made)");
    EXPECT_EQ(NewPartName(2), "Unnamed Part 3");
}

} // namespace
