// `lyrimo-cli info` and `lyrimo-cli thumbnail`: a song's details and its title screen as a
// file manager asks for them.
#include "cli/info_command.h"

#include "cli_test_support.h"
#include "document/song.h"
#include "picture/bitmap.h"
#include "picture/bitmap_png.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

class InfoCommands : public tFolderTest {
protected:
    InfoCommands() : tFolderTest("cli-info") {}

    QString Song() {
        tLyrimoData song;
        song.SetWideSongName(QString::fromUtf8("Fl\xC3\xBCgel"));
        song.SetWideArtistName("The Band");
        song.GetPart(0)->AddLine()->SetWideText("la la");
        song.SongSettings.setBackgroundColour(0x0000FF); // red, in the stored colour order
        const QString path = folder_ + "/song.lym";
        EXPECT_EQ(song.SaveToFile(path), 0);
        return path;
    }
};

TEST_F(InfoCommands, InfoListsTheSongsDetails) {
    int rc = -1;
    const QString info = CapturedOutput(rc, [&] { return RunInfoCommand({Song()}); });
    EXPECT_EQ(rc, 0);
    EXPECT_TRUE(info.startsWith(QString::fromUtf8("Song: Fl\xC3\xBCgel\nArtist: The Band\n")));
    EXPECT_TRUE(info.contains("Contents: 1 line, 1 part, 0 timings"));
    EXPECT_TRUE(info.contains("File format: version 3.20\n"));

    ASSERT_TRUE(WriteFile(folder_ + "/text.lym", "only some words, not a song"));
    CapturedOutput(rc, [&] { return RunInfoCommand({folder_ + "/text.lym"}); });
    EXPECT_EQ(rc, 1);
    CapturedOutput(rc, [&] { return RunInfoCommand({}); });
    EXPECT_EQ(rc, 2);
}

TEST_F(InfoCommands, ThumbnailIsTheTitleScreenAtTheAskedWidth) {
    const QString song = Song();
    int rc = -1;
    CapturedOutput(rc, [&] { return RunThumbnailCommand({song, folder_ + "/t.png", "--size", "128"}); });
    ASSERT_EQ(rc, 0);
    Bitmap picture;
    ASSERT_TRUE(LoadPng(folder_ + "/t.png", picture));
    EXPECT_EQ(picture.Width(), 128);
    EXPECT_EQ(picture.Height(), 96);
    // The corner shows the title's background colour.
    EXPECT_EQ(picture.Pixel(1, 1) & 0xFFFFFF, 0x0000FFu);

    CapturedOutput(rc, [&] { return RunThumbnailCommand({song, folder_ + "/t.png", "--size", "8"}); });
    EXPECT_EQ(rc, 2);
    CapturedOutput(rc, [&] { return RunThumbnailCommand({song, folder_ + "/no/such/t.png"}); });
    EXPECT_EQ(rc, 1);
}

} // namespace
