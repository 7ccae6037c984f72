// `lyrimo-cli voice-suppress` and `lyrimo-cli sort-files`: options, what they print and what
// they leave on disk.
#include "cli/tool_commands.h"

#include "cli_test_support.h"
#include "document/song.h"
#include "media_fixtures.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

class ToolCommands : public tFolderTest {
protected:
    ToolCommands() : tFolderTest("cli-tools") {}
};

TEST_F(ToolCommands, VoiceSuppressWritesTheMonoFileAndRefusesBadOptions) {
    const QString input = OneSecondWav(folder_);
    const QString output = folder_ + "/karaoke.wav";
    int rc = -1;
    EXPECT_EQ(CapturedOutput(rc,
                             [&] {
                                 return RunVoiceSuppressCommand({input, output, "--reverb", "0"});
                             }),
              output + ": 48000 frames\n");
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(QFileInfo(output).size(), 44 + 2 * 48000);

    CapturedOutput(rc, [&] {
        return RunVoiceSuppressCommand({input, folder_ + "/x.wav", "--reduction", "40"});
    });
    EXPECT_EQ(rc, 2);
    CapturedOutput(rc, [&] { return RunVoiceSuppressCommand({input}); });
    EXPECT_EQ(rc, 2);
    CapturedOutput(rc, [&] { return RunVoiceSuppressCommand({folder_ + "/none.wav", folder_ + "/x.wav"}); });
    EXPECT_EQ(rc, 1);
    EXPECT_FALSE(QFileInfo::exists(folder_ + "/x.wav"));
}

TEST_F(ToolCommands, SortFilesPreviewsThenRenamesAndLists) {
    for (const char* name : {"b.lym", "a.lym"}) {
        tLyrimoData song;
        song.SetSongName(name);
        ASSERT_EQ(song.SaveToFile(folder_ + "/" + name), 0);
    }
    int rc = -1;
    const QString preview = CapturedOutput(rc, [&] {
        return RunSortFilesCommand({folder_, "--dry-run", "--prefix", "P"});
    });
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(preview, folder_ + "/a.lym -> " + folder_ + "/P01LYM.lym\n" + folder_ + "/b.lym -> " + folder_ +
                           "/P02LYM.lym\n");
    EXPECT_TRUE(QFileInfo::exists(folder_ + "/a.lym"));

    const QString list = folder_ + "/list.csv";
    CapturedOutput(rc, [&] { return RunSortFilesCommand({folder_, "--list", list, "--suffix", ""}); });
    EXPECT_EQ(rc, 0);
    EXPECT_TRUE(QFileInfo::exists(folder_ + "/01.lym"));
    EXPECT_TRUE(QFileInfo::exists(folder_ + "/02.lym"));
    EXPECT_EQ(ReadFile(list), "\"01\",\"a.lym\",\"\",\"CD:  1\"\r\n\"02\",\"b.lym\",\"\",\"CD:  1\"\r\n");

    CapturedOutput(rc, [&] { return RunSortFilesCommand({folder_ + "/missing"}); });
    EXPECT_EQ(rc, 2);
}

} // namespace
