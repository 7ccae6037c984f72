// Undo and redo of the editor's edits.
#include "editor/edit_history.h"

#include "document/song.h"
#include "editor/song_edits.h"

#include <gtest/gtest.h>

using namespace lyrimo;

namespace {

QStringList Lines(const tLyrimoData& song, int part = 0) { return PartTextLines(song, *song.GetPart(part)); }

TEST(EditHistory, UndoesAndRedoesEditsOfEveryKind) {
    tLyrimoData song;
    tEditHistory history;
    EXPECT_FALSE(history.CanUndo());
    EXPECT_FALSE(history.Undo(song));

    history.Record(song, "Typing");
    SetPartLinesFromText(song, *song.GetPart(0), {"one", "two"});
    history.Record(song, "Copy Part");
    song.AddPart(CopyPart(*song.GetPart(0), "copy"));
    history.Record(song, "Record Timings");
    song.GetPart(1)->GetLine(0)->AddTiming(MakeTiming(3, 500));
    song.GetPart(1)->PartRecord.setTimingsRecorded(1);
    history.Record(song, "Background Colour");
    song.SongSettings.setBackgroundColour(0x123456);
    song.BackgroundStream = "picture";

    EXPECT_EQ(history.UndoText(), "Background Colour");
    ASSERT_TRUE(history.Undo(song));
    EXPECT_EQ(song.SongSettings.BackgroundColour(), 0);
    EXPECT_TRUE(song.BackgroundStream.isEmpty());
    ASSERT_TRUE(history.Undo(song));
    EXPECT_EQ(song.GetPart(1)->GetLine(0)->TimingCount(), 0);
    EXPECT_EQ(song.GetPart(1)->PartRecord.TimingsRecorded(), 0);
    ASSERT_TRUE(history.Undo(song));
    EXPECT_EQ(song.PartCount(), 1);
    EXPECT_EQ(history.RedoText(), "Copy Part");

    ASSERT_TRUE(history.Redo(song));
    ASSERT_EQ(song.PartCount(), 2);
    EXPECT_EQ(Lines(song, 1), QStringList({"one", "two"}));
    ASSERT_TRUE(history.Redo(song));
    EXPECT_EQ(song.GetPart(1)->GetLine(0)->TimingCount(), 1);

    // A new edit drops what could be redone.
    history.Record(song, "Rename Part");
    EXPECT_FALSE(history.CanRedo());
    ASSERT_TRUE(history.Undo(song));
    ASSERT_TRUE(history.Undo(song));
    ASSERT_TRUE(history.Undo(song));
    ASSERT_TRUE(history.Undo(song));
    EXPECT_TRUE(Lines(song).isEmpty());
    EXPECT_FALSE(history.CanUndo());
}

TEST(EditHistory, TypingInOneTextIsOneStep) {
    tLyrimoData song;
    tEditHistory history;
    for (const char* text : {"h", "he", "hey"}) {
        history.Record(song, "Typing", "lyrics 0");
        SetPartLinesFromText(song, *song.GetPart(0), {text});
    }
    history.Seal();
    history.Record(song, "Typing", "lyrics 0");
    SetPartLinesFromText(song, *song.GetPart(0), {"hey!"});

    ASSERT_TRUE(history.Undo(song));
    EXPECT_EQ(Lines(song), QStringList({"hey"}));
    ASSERT_TRUE(history.Undo(song));
    EXPECT_TRUE(Lines(song).isEmpty());
    EXPECT_FALSE(history.CanUndo());
}

TEST(EditHistory, KeepsAtMostItsLimitAndLeavesTheMediaFileAlone) {
    tLyrimoData song;
    tEditHistory history;
    for (int i = 0; i <= tEditHistory::kMaxSteps + 5; ++i) {
        history.Record(song, "Colour");
        song.SongSettings.setBackgroundColour(i + 1);
    }
    int undone = 0;
    while (history.Undo(song))
        ++undone;
    EXPECT_EQ(undone, tEditHistory::kMaxSteps);
    EXPECT_EQ(song.SongSettings.BackgroundColour(), 6); // the oldest kept step was made at colour 6
    EXPECT_TRUE(song.TempMediaPath().isEmpty());
}

} // namespace
