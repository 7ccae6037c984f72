// The batch converter's step loop: unique output names, templates, and failures that are
// reported without stopping the run.
#include "importexport/batch_convert.h"

#include "document/import_template.h"
#include "import_test_support.h"
#include "importexport/import_dispatch.h"
#include "smf_builder.h"

#include <QDir>
#include <QSettings>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

class BatchConvert : public ImportTest {
protected:
    void SetUp() override {
        ImportTest::SetUp();
        folder_ = ScratchFolder() + "/batch-" + QString::number(++runs_) + "/";
        ASSERT_TRUE(QDir().mkpath(folder_ + "out"));
    }

    QString In(const QString& name, const QByteArray& bytes) {
        const QString path = folder_ + name;
        EXPECT_TRUE(WriteFile(path, bytes));
        return path;
    }
    QString Out() const { return folder_ + "out/"; }

    static QByteArray Karaoke() {
        tSmfTrack words;
        words.Text(0, "@TTitle").Lyric(10, "one").Lyric(10, "/two").End();
        return Smf({words});
    }

    QString folder_;
    static inline int runs_ = 0;
};

TEST_F(BatchConvert, TakesTheImportableExtensionsInAnyCase) {
    for (const char* name : {"a.kar", "b.MID", "c.Midi", "d.rmi", "e.LRC", "f.kok", "g.lym"})
        EXPECT_TRUE(IsConvertibleFile(name)) << name;
    for (const char* name : {"notes.txt", "kar", "song.kar.bak", "song.mp3"})
        EXPECT_FALSE(IsConvertibleFile(name)) << name;
}

TEST_F(BatchConvert, OutputNamesNeverMeetAnExistingFile) {
    EXPECT_EQ(OutputFolderWithSeparator("/music"), "/music/");
    EXPECT_EQ(OutputFolderWithSeparator("/music/"), "/music/");
    EXPECT_EQ(UniqueOutputName(Out(), "/anywhere/Song.v2.kar"), Out() + "Song.v2.lym");
    ASSERT_TRUE(WriteFile(Out() + "Song.lym", "mine"));
    EXPECT_EQ(UniqueOutputName(Out(), "/anywhere/Song.kar"), Out() + "Song1.lym");
    ASSERT_TRUE(WriteFile(Out() + "Song1.lym", "mine too"));
    EXPECT_EQ(UniqueOutputName(Out(), "Song.lrc"), Out() + "Song2.lym");
}

TEST_F(BatchConvert, AFailingFileInTheMiddleIsReportedAndTheRunGoesOn) {
    const QStringList files = {In("first.kar", Karaoke()), In("broken.kar", "just some words"),
                               In("last.lrc", "[00:01.00]hello\n[00:02.00]world\n")};
    ASSERT_TRUE(WriteFile(Out() + "first.lym", "already here"));
    Status().Quiet = false;
    tBatchConverter converter(files, {}, folder_ + "out");
    int steps = 0;
    bool quietWhileImporting = true;
    auto progress = [&](QObject*, tLyrimoData&, int, int, int, int) {
        quietWhileImporting &= Status().Quiet;
    };
    while (converter.Step(progress))
        ++steps;
    EXPECT_EQ(steps, 3);
    EXPECT_TRUE(converter.Finished());
    EXPECT_FALSE(converter.Step());
    EXPECT_TRUE(quietWhileImporting);
    EXPECT_FALSE(Status().Quiet);

    ASSERT_EQ(converter.Results().size(), 3u);
    const tConversionResult& first = converter.Results()[0];
    EXPECT_TRUE(first.converted);
    EXPECT_EQ(first.output, Out() + "first1.lym");
    EXPECT_EQ(first.templateName, kDefaultTemplateName);
    EXPECT_EQ(ReadFile(Out() + "first.lym"), "already here");

    const tConversionResult& broken = converter.Results()[1];
    EXPECT_FALSE(broken.converted);
    EXPECT_TRUE(broken.output.isEmpty());
    EXPECT_EQ(broken.reason, "This file is NOT a MIDI file...");
    EXPECT_FALSE(QFile::exists(Out() + "broken.lym"));

    EXPECT_TRUE(converter.Results()[2].converted);
    tLyrimoData song;
    ASSERT_EQ(song.LoadFromFile(Out() + "last.lym", false), 0);
    EXPECT_EQ(LineTexts(*song.GetPart(0)), QStringList({"hello", "world"}));

    EXPECT_EQ(converter.ConvertedCount(), 2);
    EXPECT_EQ(converter.FailedCount(), 1);
    EXPECT_EQ(converter.Summary(), "2 converted, 1 failed: broken.kar (This file is NOT a MIDI file...)");
    // Nothing popped up while the run was on: no error boxes and no import result windows.
    EXPECT_TRUE(ui.shownMessages.isEmpty()) << ui.shownMessages.join('\n').toStdString();
    EXPECT_TRUE(ui.shownImportResults.isEmpty());
}

TEST_F(BatchConvert, FilesThatCannotBeReadOrSavedSayWhy) {
    tBatchConverter converter({folder_ + "missing.kok", In("notes.txt", "words"), In("fine.kar", Karaoke())},
                              {}, folder_ + "no/such/folder");
    while (converter.Step()) {
    }
    ASSERT_EQ(converter.FailedCount(), 3);
    EXPECT_EQ(converter.Results()[0].reason, "File was not found or could not be opened.");
    EXPECT_EQ(converter.Results()[1].reason, "This type of file can not be imported");
    EXPECT_TRUE(
        converter.Results()[2].reason.startsWith("could not save " + folder_ + "no/such/folder/fine.lym: "))
        << converter.Results()[2].reason.toStdString();
}

TEST_F(BatchConvert, EachFileGetsOneOfTheChosenTemplates) {
    QSettings store(folder_ + "store.ini", QSettings::IniFormat);
    tLyrimoData look;
    look.SongSettings.setBackgroundColour(0x0000AA);
    ASSERT_TRUE(SaveTemplate(store, "Blue", look));
    look.SongSettings.setBackgroundColour(0x00AA00);
    ASSERT_TRUE(SaveTemplate(store, "Green", look));

    QStringList files;
    for (int i = 0; i < 12; ++i)
        files << In(QString("song%1.kar").arg(i), Karaoke());
    tBatchConverter converter(files, ReadChosenTemplates(store, {"Blue", "Green"}), Out(), 12345);
    EXPECT_TRUE(converter.NextTemplate() == "Blue" || converter.NextTemplate() == "Green");
    const QString announced = converter.NextTemplate();
    ASSERT_TRUE(converter.Step());
    EXPECT_EQ(converter.Results()[0].templateName, announced);
    while (converter.Step()) {
    }
    QSet<QString> used;
    for (const tConversionResult& r : converter.Results()) {
        ASSERT_TRUE(r.converted) << r.reason.toStdString();
        used << r.templateName;
        tLyrimoData song;
        ASSERT_EQ(song.LoadFromFile(r.output, false), 0);
        EXPECT_EQ(song.SongSettings.BackgroundColour(), r.templateName == "Blue" ? 0x0000AA : 0x00AA00);
    }
    EXPECT_EQ(used, QSet<QString>({"Blue", "Green"}));
}

TEST_F(BatchConvert, TheDefaultTemplateKeepsTheImportersSettings) {
    const QString file = In("plain.kar", Karaoke());
    tLyrimoData imported;
    ASSERT_TRUE(ImportByExtension(file, imported));
    QSettings store(folder_ + "store.ini", QSettings::IniFormat);
    tBatchConverter converter({file}, ReadChosenTemplates(store, {kDefaultTemplateName}), Out());
    ASSERT_TRUE(converter.Step());
    ASSERT_TRUE(converter.Results()[0].converted);
    tLyrimoData song;
    ASSERT_EQ(song.LoadFromFile(converter.Results()[0].output, false), 0);
    EXPECT_EQ(song.SongSettings.TitleFont(), imported.SongSettings.TitleFont());
    EXPECT_EQ(song.GetPart(0)->PartRecord.LyricsFont(), imported.GetPart(0)->PartRecord.LyricsFont());
    EXPECT_EQ(song.GetPart(0)->GetLine(0)->LineRecord.NormalColour(), kImportNormalColour);
}

} // namespace
