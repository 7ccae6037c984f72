// `lyrimo-cli convert` and `lyrimo-cli export-lrc`.
#include "cli/import_commands.h"
#include "import_test_support.h"
#include "smf_builder.h"

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

class ImportCommands : public ImportTest {};

QByteArray SmallKaraoke() {
    tSmfTrack words;
    words.Text(0, "@TTitle").Lyric(10, "one").Lyric(10, "/two").End();
    return Smf({words});
}

TEST_F(ImportCommands, ConvertAndExportLrc) {
    const QString lym = ScratchFolder() + "/cli.lym", lrc = ScratchFolder() + "/cli.lrc";
    testing::internal::CaptureStdout();
    EXPECT_EQ(RunConvertCommand({Write("cli.kar", SmallKaraoke()), lym, "--display", "800x600"}), 0);
    const QString made = QString::fromStdString(testing::internal::GetCapturedStdout());
    EXPECT_EQ(made, lym + ": 2 lines, 1 part, 2 timings, media: embedded MIDI (" +
                        QString::number(SmallKaraoke().size()) + " bytes)\n");
    tLyrimoData song;
    ASSERT_EQ(song.LoadFromFile(lym, false), 0);
    EXPECT_EQ(song.SongSettings.PlayWidth(), 800);
    EXPECT_EQ(song.SongSettings.EmbedMedia(), 1);
    EXPECT_TRUE(ui.shownImportResults.isEmpty() || ui.shownImportResults.size() == 1);

    EXPECT_EQ(RunExportLrcCommand({lym, lrc}), 0);
    EXPECT_TRUE(ReadFile(lrc).endsWith("[00:00]one \r\n[00:00]two \r\n"));
    EXPECT_EQ(RunExportLrcCommand({lym, lrc, "--part", "1"}), 1);
    EXPECT_EQ(RunExportLrcCommand({lym}), 2);

    EXPECT_EQ(RunConvertCommand({Write("bad.kar", "MThd"), lym}), 1);
    EXPECT_EQ(ui.shownMessages.value(0), "Lyrimo - Error Importing File...: This file is NOT a MIDI file...");
    EXPECT_EQ(RunConvertCommand({Write("notes.txt", "x"), lym}), 1);
    EXPECT_EQ(RunConvertCommand({ScratchFolder() + "/missing.lrc", lym}), 1);
    EXPECT_EQ(RunConvertCommand({lym}), 2);
}

TEST_F(ImportCommands, ADamagedSongIsConvertedWithAWord) {
    const QString whole = ScratchFolder() + "/whole.lym", out = ScratchFolder() + "/out.lym";
    ASSERT_EQ(RunConvertCommand({Write("w.kar", SmallKaraoke()), whole}), 0);
    const QByteArray bytes = ReadFile(whole);
    const QString cut = Write("cut.lym", bytes.left(bytes.size() - 5));
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunConvertCommand({cut, out}), 0);
    const QString said = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_TRUE(said.startsWith("lyrimo-cli: " + cut + ": The file is damaged: ")) << said.toStdString();
}

} // namespace
