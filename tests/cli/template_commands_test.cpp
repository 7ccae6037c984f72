// `lyrimo-cli template` and `lyrimo-cli batch-convert`.
#include "cli/import_commands.h"
#include "cli/template_commands.h"

#include "app/settings.h"
#include "import_test_support.h"
#include "smf_builder.h"

#include <QSettings>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

class TemplateCommands : public ImportTest {
protected:
    void SetUp() override {
        ImportTest::SetUp();
        OpenSettingsStore()->remove("Templates");
        folder_ = ScratchFolder() + "/cli-batch-" + QString::number(++runs_);
        ASSERT_TRUE(QDir().mkpath(folder_ + "/in"));
        ASSERT_TRUE(QDir().mkpath(folder_ + "/out"));
    }

    static QByteArray Karaoke() {
        tSmfTrack words;
        words.Text(0, "@TTitle").Lyric(10, "one").Lyric(10, "/two").End();
        return Smf({words});
    }

    // A song converted from a small karaoke file, with a look of its own.
    QString StyledSong(int32_t background) {
        const QString lym = folder_ + "/styled.lym";
        EXPECT_EQ(RunConvertCommand({Write("styled.kar", Karaoke()), lym}), 0);
        tLyrimoData song;
        EXPECT_EQ(song.LoadFromFile(lym, true), 0);
        song.SongSettings.setBackgroundColour(background);
        EXPECT_EQ(song.SaveToFile(lym), 0);
        return lym;
    }

    static QString Captured(int& rc, const std::function<int()>& run) {
        testing::internal::CaptureStdout();
        rc = run();
        return QString::fromStdString(testing::internal::GetCapturedStdout());
    }

    QString folder_;
    static inline int runs_ = 0;
};

TEST_F(TemplateCommands, SaveListApplyAndDelete) {
    testing::internal::CaptureStdout();
    const QString styled = StyledSong(0x00336699);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(RunTemplateCommand({"save", "Night/Club", styled}), 0);
    EXPECT_EQ(RunTemplateCommand({"save", "Lyrimo Default Template", styled}), 1);
    EXPECT_EQ(RunTemplateCommand({"save", "Broken", folder_ + "/missing.lym"}), 1);

    int rc = -1;
    EXPECT_EQ(Captured(rc, [] { return RunTemplateCommand({"list"}); }),
              "Lyrimo Default Template\nNight/Club\n");
    EXPECT_EQ(rc, 0);

    testing::internal::CaptureStdout();
    const QString target = folder_ + "/target.lym";
    ASSERT_EQ(RunConvertCommand({Write("target.kar", Karaoke()), target}), 0);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(RunTemplateCommand({"apply", "Night/Club", target}), 0);
    tLyrimoData song;
    ASSERT_EQ(song.LoadFromFile(target, true), 0);
    EXPECT_EQ(song.SongSettings.BackgroundColour(), 0x00336699);
    EXPECT_TRUE(song.HasTempMedia()); // the embedded music came through the resave
    EXPECT_EQ(RunTemplateCommand({"apply", "Lyrimo Default Template", target}), 1);
    EXPECT_EQ(RunTemplateCommand({"apply", "Nobody", target}), 1);

    EXPECT_EQ(RunTemplateCommand({"delete", "Night/Club"}), 0);
    EXPECT_EQ(RunTemplateCommand({"delete", "Night/Club"}), 1);
    EXPECT_EQ(Captured(rc, [] { return RunTemplateCommand({"list"}); }), "Lyrimo Default Template\n");

    EXPECT_EQ(RunTemplateCommand({}), 2);
    EXPECT_EQ(RunTemplateCommand({"save", "only a name"}), 2);
    EXPECT_EQ(RunTemplateCommand({"rename", "a", "b"}), 2);
}

TEST_F(TemplateCommands, BatchConvertsAFolderAndSaysWhatFailed) {
    for (const char* name : {"a.kar", "b.kar"})
        ASSERT_TRUE(WriteFile(folder_ + "/in/" + name, Karaoke()));
    ASSERT_TRUE(WriteFile(folder_ + "/in/c.lrc", "[00:01.00]la la\n"));
    ASSERT_TRUE(WriteFile(folder_ + "/in/d.kar", "not karaoke"));
    ASSERT_TRUE(WriteFile(folder_ + "/in/readme.txt", "skipped: a folder gives only importable files"));

    int rc = -1;
    const QString out = folder_ + "/out";
    const QString said = Captured(rc, [&] {
        return RunBatchConvertCommand({"--out", out, folder_ + "/in"});
    });
    EXPECT_EQ(rc, 1);
    const QStringList lines = said.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << said.toStdString();
    EXPECT_EQ(lines[0], "converted " + folder_ + "/in/a.kar -> " + out + "/a.lym (Lyrimo Default Template)");
    EXPECT_TRUE(lines[3].startsWith("FAILED " + folder_ + "/in/d.kar: ")) << lines[3].toStdString();
    for (const char* name : {"a.lym", "b.lym", "c.lym"})
        EXPECT_TRUE(QFileInfo::exists(out + "/" + name)) << name;

    // A second run writes beside the first songs, never over them.
    ASSERT_TRUE(QFile::remove(folder_ + "/in/d.kar"));
    Captured(rc, [&] { return RunBatchConvertCommand({"--out", out, folder_ + "/in/a.kar"}); });
    EXPECT_EQ(rc, 0);
    EXPECT_TRUE(QFileInfo::exists(out + "/a1.lym"));
}

TEST_F(TemplateCommands, BatchConvertRefusesWhatItCannotUse) {
    const QString file = Write("one.kar", Karaoke());
    EXPECT_EQ(RunBatchConvertCommand({}), 2);
    EXPECT_EQ(RunBatchConvertCommand({"--out"}), 2);
    EXPECT_EQ(RunBatchConvertCommand({"--fast", file}), 2);
    EXPECT_EQ(RunBatchConvertCommand({"--out", folder_ + "/nowhere", file}), 1);
    EXPECT_EQ(RunBatchConvertCommand({"--template", "Nobody", "--out", folder_ + "/out", file}), 1);
    EXPECT_FALSE(QFileInfo::exists(folder_ + "/out/one.lym"));
}

} // namespace
