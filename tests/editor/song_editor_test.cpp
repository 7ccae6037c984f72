// The song editor driven as a person would: file commands with scripted answers, the lyrics,
// colours and timings pages, and undo.
#include "editor/song_editor.h"

#include "app/app_services.h"
#include "document/song.h"
#include "editor/editor_pages.h"
#include "editor/song_edits.h"
#include "editor/sound_timeline.h"
#include "editor/time_spin_edit.h"
#include "test_support.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

class SongEditor : public ::testing::Test {
protected:
    void SetUp() override {
        ui.printMessages = false;
        SetApp(&ui);
        Settings().RecentFiles.clear();
        editor = std::make_unique<TSongEdit>();
        tEditorDialogs& d = editor->Dialogs();
        d.saveFile = [this](const QString&, const QString&,
                            const QString& initial) -> std::optional<QString> {
            proposed << initial;
            return saveAnswer;
        };
        d.openFile = [this](const QString&, const QString&) { return openAnswer; };
        d.prompt = [this](const QString&, const QString&, const QString&, const QString& initial) {
            prompted << initial;
            return promptAnswer;
        };
        d.chooseTemplate = [](const QString&, bool) { return std::optional<QString>(); };
        folder = ScratchFolder() + "/editor-" + QString::number(++runs) + "/";
        QDir().mkpath(folder);
    }
    void TearDown() override {
        editor.reset();
        SetApp(nullptr);
    }

    template <class Page>
    Page& PageOf(int page) {
        editor->ShowPage(page);
        return *static_cast<Page*>(editor->PageWidget(page));
    }
    void Type(const QString& text) {
        PageOf<TLyricsPage>(TSongEdit::kLyricsPage).TextBlock()->setPlainText(text);
    }
    tLyricsData& Part(int index = 0) { return *editor->Song().GetPart(index); }

    tHeadlessServices ui;
    std::unique_ptr<TSongEdit> editor;
    std::optional<QString> saveAnswer, openAnswer, promptAnswer;
    QStringList proposed, prompted;
    QString folder;
    static inline int runs = 0;
};

TEST_F(SongEditor, TypingMarksTheSongAndTheCaptionSaysSo) {
    EXPECT_EQ(editor->windowTitle(), "Lyrimo Song Editor (new file)");
    EXPECT_FALSE(editor->IsModified());
    Type("one\ntwo\n" + QString(170, u'x'));
    EXPECT_TRUE(editor->IsModified());
    EXPECT_EQ(editor->windowTitle(), "Lyrimo Song Editor (new file) (changes made)");
    ASSERT_EQ(Part().LineCount(), 3);
    EXPECT_EQ(Part().GetLine(2)->WideText(), QString(160, u'x'));
    EXPECT_EQ(Part().GetLine(2)->LineRecord.NormalColour(), 0x00FFFF);
    EXPECT_EQ(Part().GetLine(2)->LineRecord.HighlightColour(), 0x0000FF);
}

TEST_F(SongEditor, SavingANewSongProposesItsNameAndClearsTheMark) {
    editor->Song().SetWideSongName("Moon River");
    Type("la");
    saveAnswer = folder + "moon";
    ASSERT_TRUE(editor->Save());
    EXPECT_EQ(proposed, QStringList({"Moon River.lym"}));
    EXPECT_EQ(editor->FileName(), folder + "moon.lym");
    EXPECT_FALSE(editor->IsModified());
    EXPECT_EQ(editor->windowTitle(), "Lyrimo Song Editor [moon.lym]");
    EXPECT_EQ(Settings().RecentFiles.value(0), folder + "moon.lym");
    tLyrimoData saved;
    ASSERT_EQ(saved.LoadFromFile(folder + "moon.lym", false), 0);
    EXPECT_EQ(saved.GetPart(0)->GetLine(0)->WideText(), "la");

    // A file that cannot be written over sends Save on to Save As.
    Type("la la");
    ASSERT_TRUE(QFile::setPermissions(folder + "moon.lym", QFile::ReadOwner));
    saveAnswer.reset();
    EXPECT_FALSE(editor->Save());
    EXPECT_EQ(proposed.size(), 2);
    EXPECT_EQ(proposed.last(), folder + "moon.lym");
    EXPECT_TRUE(editor->IsModified());
}

TEST_F(SongEditor, AFailedSaveKeepsTheMarkAndSaysWhy) {
    Type("words");
    saveAnswer = folder + "no/such/folder/song.lym";
    EXPECT_FALSE(editor->SaveAs());
    EXPECT_TRUE(editor->IsModified());
    ASSERT_EQ(ui.shownMessages.size(), 1);
    EXPECT_TRUE(ui.shownMessages[0].startsWith("Error: Error saving the file:\r\n"))
        << ui.shownMessages[0].toStdString();
}

TEST_F(SongEditor, YesThenCancellingSaveAsKeepsTheEditorOpen) {
    Type("unsaved");
    ui.scriptedAnswers = {mb::IdYes};
    saveAnswer.reset();
    EXPECT_FALSE(editor->AskToSave());
    EXPECT_TRUE(editor->IsModified());
    ui.scriptedAnswers = {mb::IdCancel};
    editor->show();
    editor->close();
    EXPECT_TRUE(editor->isVisible());
    ui.scriptedAnswers = {mb::IdNo};
    editor->close();
    EXPECT_FALSE(editor->isVisible());
}

TEST_F(SongEditor, LoadingADamagedOrForeignFileLeavesAnEmptySong) {
    const QString junk = folder + "junk.lym";
    ASSERT_TRUE(WriteFile(junk, "not a song at all"));
    Type("something");
    ui.scriptedAnswers = {mb::IdNo};
    editor->LoadFile(junk);
    EXPECT_TRUE(ui.shownMessages.last().contains("This is not a valid Lyrimo file..."));
    EXPECT_TRUE(editor->FileName().isEmpty());
    EXPECT_EQ(editor->Song().PartCount(), 1);
    EXPECT_EQ(Part().LineCount(), 0);
    EXPECT_FALSE(editor->IsModified());

    // A song file that ends early is not opened half.
    const QString whole = folder + "whole.lym";
    tLyrimoData song;
    song.GetPart(0)->AddLine()->SetWideText("a line that will be cut off");
    ASSERT_EQ(song.SaveToFile(whole), 0);
    const QByteArray bytes = ReadFile(whole);
    const QString cut = folder + "cut.lym";
    ASSERT_TRUE(WriteFile(cut, bytes.left(bytes.size() - 40)));
    editor->LoadFile(cut);
    EXPECT_TRUE(ui.shownMessages.last().contains("The file was not opened for editing"));
    EXPECT_EQ(Part().LineCount(), 0);
    EXPECT_TRUE(editor->FileName().isEmpty());

    // A lyrics file is imported; the song counts as never saved.
    const QString lrc = folder + "words.lrc";
    ASSERT_TRUE(WriteFile(lrc, "[00:01.00]hello\n[00:02.00]world\n"));
    editor->LoadFile(lrc);
    EXPECT_EQ(PartTextLines(editor->Song(), Part()), QStringList({"hello", "world"}));
    EXPECT_TRUE(editor->FileName().isEmpty());

    editor->HandleDrop(folder + "notes.txt");
    EXPECT_EQ(ui.shownMessages.last(), "Error: Error loading specified file");
}

TEST_F(SongEditor, PartsAreAddedCopiedAndDeletedButNeverTheLast) {
    TLyricsPage& lyrics = PageOf<TLyricsPage>(TSongEdit::kLyricsPage);
    lyrics.DeletePart();
    EXPECT_TRUE(ui.shownMessages.last().contains("You cannot delete the last part"));

    Type("a\nb\nc");
    promptAnswer = "Backing";
    lyrics.CopyPart();
    EXPECT_EQ(prompted.last(), "Copy of Main Part");
    ASSERT_EQ(editor->Song().PartCount(), 2);
    EXPECT_EQ(PartName(Part(1)), "Backing");
    EXPECT_EQ(PartTextLines(editor->Song(), Part(1)), QStringList({"a", "b", "c"}));
    EXPECT_EQ(lyrics.Tabs()->currentIndex(), 1);

    promptAnswer = "Third";
    lyrics.AddPart();
    EXPECT_EQ(prompted.last(), "Unnamed Part 3");
    ASSERT_EQ(editor->Song().PartCount(), 3);

    lyrics.Tabs()->setCurrentIndex(0);
    ui.scriptedAnswers = {mb::IdOk};
    lyrics.DeletePart();
    ASSERT_EQ(editor->Song().PartCount(), 2);
    EXPECT_EQ(PartName(Part(0)), "Backing");
    EXPECT_EQ(lyrics.Tabs()->currentIndex(), 0);
    EXPECT_EQ(lyrics.Tabs()->tabText(0), "Backing");

    promptAnswer.reset();
    lyrics.AddPart();
    EXPECT_EQ(editor->Song().PartCount(), 2);
}

TEST_F(SongEditor, TimedPartsInsertLinesAfterThePreviousEnd) {
    tLyricsData& part = Part();
    part.PartRecord.setTimingsRecorded(1);
    tTimingsLineType* first = part.AddLine();
    first->LineRecord.setLineStart(10000);
    first->AddTiming(MakeTiming(3, 2500));
    part.AddLine()->LineRecord.setLineStart(20000);
    TLyricsPage& lyrics = PageOf<TLyricsPage>(TSongEdit::kLyricsPage);
    lyrics.LineList()->setCurrentRow(1);
    lyrics.InsertLine(false);
    ASSERT_EQ(part.LineCount(), 3);
    EXPECT_EQ(part.GetLine(1)->LineRecord.LineStart(), 12501);
    EXPECT_TRUE(editor->IsModified());

    lyrics.LineList()->item(1)->setText("sung later");
    EXPECT_EQ(part.GetLine(1)->WideText(), "sung later");
    lyrics.LineList()->setCurrentRow(0);
    lyrics.DeleteLine();
    EXPECT_EQ(part.LineCount(), 2);
    EXPECT_EQ(part.GetLine(0)->WideText(), "sung later");
}

TEST_F(SongEditor, ALookedAtStartBelowItsNeighbourMovesAfterIt) {
    tLyricsData& part = Part();
    part.PartRecord.setTimingsRecorded(1);
    tTimingsLineType* first = part.AddLine();
    first->LineRecord.setLineStart(1000);
    first->AddTiming(MakeTiming(1, 700));
    part.AddLine()->LineRecord.setLineStart(1500); // inside the line above, which ends at 1700
    TTimingsPage& timings = PageOf<TTimingsPage>(TSongEdit::kTimingsPage);
    EXPECT_FALSE(timings.NoTimingsPanel()->isVisibleTo(&timings));
    timings.LineList()->setCurrentRow(1);
    EXPECT_EQ(part.GetLine(1)->LineRecord.LineStart(), 1701);
    EXPECT_EQ(timings.StartField()->Minimum(), 1701);
    timings.StartField()->SetValue(5000);
    EXPECT_EQ(part.GetLine(1)->LineRecord.LineStart(), 5000);

    ui.scriptedAnswers = {mb::IdOk};
    timings.RemoveAll();
    EXPECT_EQ(part.GetLine(0)->TimingCount(), 0);
    EXPECT_EQ(part.PartRecord.TimingsRecorded(), 0);
    EXPECT_TRUE(timings.NoTimingsPanel()->isVisibleTo(&timings));
}

TEST_F(SongEditor, RecordingAskBeforeReplacingTimingsAndCanBeUndone) {
    tLyricsData& part = Part();
    part.PartRecord.setTimingsRecorded(1);
    part.AddLine()->AddTiming(MakeTiming(1, 100));
    int recorded = 0;
    editor->Dialogs().recordTimings = [&](tLyrimoData& song, int index) {
        ++recorded;
        song.GetPart(index)->GetLine(0)->ClearTimings();
        song.GetPart(index)->GetLine(0)->AddTiming(MakeTiming(2, 900));
        return true;
    };
    TTimingsPage& timings = PageOf<TTimingsPage>(TSongEdit::kTimingsPage);
    ui.scriptedAnswers = {mb::IdCancel};
    timings.RecordAll();
    EXPECT_EQ(recorded, 0);
    ui.scriptedAnswers = {mb::IdOk};
    timings.RecordAll();
    EXPECT_EQ(recorded, 1);
    EXPECT_EQ(part.GetLine(0)->Timings()[0].Delta(), 900);
    EXPECT_TRUE(editor->IsModified());

    editor->Undo();
    EXPECT_EQ(Part().GetLine(0)->Timings()[0].Delta(), 100);
    editor->Redo();
    EXPECT_EQ(Part().GetLine(0)->Timings()[0].Delta(), 900);
}

TEST_F(SongEditor, TheSoundStripNudgesAndShiftsTimingsOneUndoableStepEach) {
    tLyricsData& part = Part();
    part.PartRecord.setTimingsRecorded(1);
    for (int start : {1000, 3000}) {
        tTimingsLineType* line = part.AddLine();
        line->LineRecord.setText("la la");
        line->LineRecord.setLineStart(start);
        line->AddTiming(MakeTiming(3, 200));
        line->AddTiming(MakeTiming(5, 900));
    }
    TTimingsPage& timings = PageOf<TTimingsPage>(TSongEdit::kTimingsPage);
    timings.LineList()->setCurrentRow(0);
    ASSERT_EQ(timings.Sound()->View()->Handles().size(), 2u);
    EXPECT_EQ(timings.Sound()->View()->Handles()[1].ms, 1900);
    EXPECT_EQ(timings.Sound()->View()->Handles()[0].label, "la");

    timings.Sound()->View()->SetSelected(1);
    timings.NudgeSelectedTiming(100);
    timings.NudgeSelectedTiming(-10);
    EXPECT_EQ(part.GetLine(0)->GetTiming(1).Delta(), 990);
    EXPECT_EQ(timings.Sound()->View()->Handles()[1].ms, 1990);
    editor->Undo();
    EXPECT_EQ(Part().GetLine(0)->GetTiming(1).Delta(), 1000);

    promptAnswer = "-400";
    timings.ShiftPart();
    EXPECT_EQ(Part().GetLine(0)->LineRecord.LineStart(), 600);
    EXPECT_EQ(Part().GetLine(1)->LineRecord.LineStart(), 2600);
    promptAnswer = "5000";
    timings.LineList()->setCurrentRow(0);
    timings.ShiftLine(); // only as far as the next line lets it
    EXPECT_EQ(Part().GetLine(0)->LineRecord.LineStart(), 1599);
    editor->Undo();
    editor->Undo();
    EXPECT_EQ(Part().GetLine(0)->LineRecord.LineStart(), 1000);
    EXPECT_EQ(Part().GetLine(1)->LineRecord.LineStart(), 3000);
    promptAnswer = "not a number";
    timings.ShiftPart();
    EXPECT_EQ(Part().GetLine(1)->LineRecord.LineStart(), 3000);
}

TEST_F(SongEditor, LineTimingsEditsAreOneUndoableStepEach) {
    tLyricsData& part = Part();
    part.PartRecord.setTimingsRecorded(1);
    part.AddLine()->AddTiming(MakeTiming(1, 100));
    tTimingsLineType* second = part.AddLine();
    second->LineRecord.setLineStart(1000);
    second->AddTiming(MakeTiming(1, 200));
    bool change = true;
    editor->Dialogs().editLineTimings = [&](tLyrimoData& song, int p, int line) {
        if (change)
            song.GetPart(p)->GetLine(line)->SetTiming(0, MakeTiming(2, 150));
        return change;
    };
    editor->Dialogs().previewLine = [&](tLyrimoData&, int, int& line) {
        line = 0;
        return false;
    };
    TTimingsPage& timings = PageOf<TTimingsPage>(TSongEdit::kTimingsPage);
    timings.LineList()->setCurrentRow(1);
    change = false;
    timings.EditTimings();
    EXPECT_FALSE(editor->IsModified());
    EXPECT_FALSE(editor->History().CanUndo());
    change = true;
    timings.EditTimings();
    EXPECT_EQ(part.GetLine(1)->Timings()[0].Delta(), 150);
    EXPECT_TRUE(editor->IsModified());
    EXPECT_EQ(timings.LineList()->currentRow(), 1);
    timings.PreviewSelectedLine();
    EXPECT_EQ(timings.LineList()->currentRow(), 0); // where the preview ended
    editor->Undo();
    EXPECT_EQ(Part().GetLine(1)->Timings()[0].Delta(), 200);
}

TEST_F(SongEditor, SwitchingUnicodeOffAsksFirst) {
    editor->Song().SongSettings.setUnicodeText(1);
    TInfoPage& info = PageOf<TInfoPage>(TSongEdit::kInfoPage);
    ui.scriptedAnswers = {mb::IdCancel};
    info.UnicodeBox()->click();
    EXPECT_TRUE(info.UnicodeBox()->isChecked());
    EXPECT_EQ(editor->Song().SongSettings.UnicodeText(), 1);
    EXPECT_FALSE(editor->IsModified());
    ui.scriptedAnswers = {mb::IdOk};
    info.UnicodeBox()->click();
    EXPECT_EQ(editor->Song().SongSettings.UnicodeText(), 0);
    EXPECT_TRUE(editor->IsModified());
}

TEST_F(SongEditor, ColoursGoToEverySelectedLine) {
    Type("one\ntwo\nthree");
    TColoursPage& colours = PageOf<TColoursPage>(TSongEdit::kColoursPage);
    colours.LineList()->item(0)->setSelected(true);
    colours.LineList()->item(2)->setSelected(true);
    colours.ColourTabs()->setCurrentIndex(2); // the highlighted background
    colours.ApplyColour(PresetColours[4]);
    EXPECT_EQ(Part().GetLine(0)->LineRecord.HighlightBackground(), PresetColours[4]);
    EXPECT_EQ(Part().GetLine(1)->LineRecord.HighlightBackground(), 0);
    EXPECT_EQ(Part().GetLine(2)->LineRecord.HighlightBackground(), PresetColours[4]);
    editor->Undo();
    EXPECT_EQ(Part().GetLine(0)->LineRecord.HighlightBackground(), 0);
}

TEST_F(SongEditor, UndoTakesBackTypingAsOneStepAndPartEdits) {
    TLyricsPage& lyrics = PageOf<TLyricsPage>(TSongEdit::kLyricsPage);
    for (const char* text : {"h", "he", "hey"})
        lyrics.TextBlock()->setPlainText(text);
    promptAnswer = "Second";
    lyrics.AddPart();
    ASSERT_EQ(editor->Song().PartCount(), 2);
    editor->Undo();
    EXPECT_EQ(editor->Song().PartCount(), 1);
    EXPECT_EQ(PartTextLines(editor->Song(), Part()), QStringList({"hey"}));
    editor->Undo();
    EXPECT_EQ(Part().LineCount(), 0);
    EXPECT_FALSE(editor->History().CanUndo());
    editor->Redo();
    editor->Redo();
    EXPECT_EQ(editor->Song().PartCount(), 2);
    EXPECT_EQ(static_cast<TLyricsPage*>(editor->PageWidget(TSongEdit::kLyricsPage))->Tabs()->count(), 2);
}

} // namespace
