#include "app/command_line.h"
#include "test_support.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>

static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace lyrimo {
namespace {

struct tExpected {
    tEntryMode mode;
    QString file;
};

void ExpectRequest(const QStringList& arguments, tExpected expected) {
    SCOPED_TRACE(arguments.join(" | ").toStdString());
    const tStartRequest request = ParseCommandLine(arguments);
    EXPECT_EQ(request.mode, expected.mode);
    EXPECT_EQ(request.file, expected.file);
}

TEST(CommandLine, SwitchesAreTrimmedAndComparedInUpperCase) {
    ExpectRequest({"song.lym", "/play"}, {tEntryMode::PlaySong, "song.lym"});
    ExpectRequest({"  /home/me/My Song.lym \t", " /View "}, {tEntryMode::PlaySong, "/home/me/My Song.lym"});
    ExpectRequest({"list.lpl", "/Show"}, {tEntryMode::PlayPlaylist, "list.lpl"});
    ExpectRequest({"list.lpl", "/batch"}, {tEntryMode::BatchPlaySetup, "list.lpl"});
    ExpectRequest({"tune.kar", "/import"}, {tEntryMode::EditSong, "tune.kar"});
    ExpectRequest({"song.lym", "/EDIT"}, {tEntryMode::EditSong, "song.lym"});
    ExpectRequest({"song.lym", "/PLAY", "extra", "/EDIT"}, {tEntryMode::PlaySong, "song.lym"});
}

TEST(CommandLine, FindOnlyInCapitalsAsTheFirstArgument) {
    ExpectRequest({"/FIND"}, {tEntryMode::FindSongs, ""});
    ExpectRequest({" /FIND "}, {tEntryMode::FindSongs, ""});
    ExpectRequest({"/find"}, {tEntryMode::MainMenu, ""});
    ExpectRequest({"song.lym", "/FIND"}, {tEntryMode::MainMenu, ""});
    // The playlist switches are tested before "/FIND", the song ones after it.
    ExpectRequest({"/FIND", "/SHOW"}, {tEntryMode::PlayPlaylist, "/FIND"});
    ExpectRequest({"/FIND", "/PLAY"}, {tEntryMode::FindSongs, ""});
}

TEST(CommandLine, AnythingElseOpensTheMainMenuAndIgnoresTheFile) {
    ExpectRequest({}, {tEntryMode::MainMenu, ""});
    ExpectRequest({"song.lym"}, {tEntryMode::MainMenu, ""});
    ExpectRequest({"song.lym", "/PLAYX"}, {tEntryMode::MainMenu, ""});
    ExpectRequest({"song.lym", "PLAY"}, {tEntryMode::MainMenu, ""});
    ExpectRequest({"", ""}, {tEntryMode::MainMenu, ""});
}

TEST(CommandLine, WhichModesReturnToTheMainMenu) {
    EXPECT_TRUE(ParseCommandLine({}).MainMenuFollows());
    EXPECT_TRUE(ParseCommandLine({"a.lpl", "/BATCH"}).MainMenuFollows());
    EXPECT_TRUE(ParseCommandLine({"a.lym", "/EDIT"}).MainMenuFollows());
    EXPECT_FALSE(ParseCommandLine({"a.lym", "/PLAY"}).MainMenuFollows());
    EXPECT_FALSE(ParseCommandLine({"a.lpl", "/SHOW"}).MainMenuFollows());
    EXPECT_FALSE(ParseCommandLine({"/FIND"}).MainMenuFollows());
}

TEST(CommandLine, LongOptions) {
    ExpectRequest({"--play", "song.lym"}, {tEntryMode::PlaySong, "song.lym"});
    ExpectRequest({"--play=  song.lym"}, {tEntryMode::PlaySong, "song.lym"});
    ExpectRequest({"--edit", "tune.kar"}, {tEntryMode::EditSong, "tune.kar"});
    ExpectRequest({"--show", "list.lpl"}, {tEntryMode::PlayPlaylist, "list.lpl"});
    ExpectRequest({"--batch", "list.lpl"}, {tEntryMode::BatchPlaySetup, "list.lpl"});
    ExpectRequest({"--find"}, {tEntryMode::FindSongs, ""});
    ExpectRequest({"--help", "song.lym"}, {tEntryMode::ShowHelp, ""});
    ExpectRequest({"--version"}, {tEntryMode::ShowVersion, ""});
}

TEST(CommandLine, LongOptionMistakesAreReported) {
    for (const QStringList& arguments :
         {QStringList{"--play"}, QStringList{"--play", "  "}, QStringList{"--play="},
          QStringList{"--plya", "a"}, QStringList{"--help=yes"}, QStringList{"--PLAY", "a.lym"}}) {
        SCOPED_TRACE(arguments.join(" ").toStdString());
        const tStartRequest request = ParseCommandLine(arguments);
        EXPECT_EQ(request.mode, tEntryMode::UsageError);
        EXPECT_FALSE(request.problem.isEmpty());
    }
}

TEST(CommandLine, FileNamesThatAreNotUtf8StillOpen) {
    // "café.lym" with its accent in Latin-1, as old karaoke collections name files.
    const QByteArray raw = QFile::encodeName(test::ScratchFolder()) + "/caf\xE9.lym";
    std::FILE* file = std::fopen(raw.constData(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("song bytes", file);
    std::fclose(file);

    char* argv[] = {const_cast<char*>("lyrimo"), const_cast<char*>(raw.constData()),
                    const_cast<char*>("/PLAY")};
    const QStringList arguments = ArgumentsFromSystem(3, argv);
    ASSERT_EQ(arguments.size(), 2);
    EXPECT_EQ(arguments[1], "/PLAY");
    const QString path = arguments[0];
    EXPECT_TRUE(path.endsWith(QString::fromUtf8("caf\u00E9.lym"))) << path.toStdString();
    QFile opened(path);
    ASSERT_TRUE(opened.open(QIODevice::ReadOnly)) << path.toStdString();
    EXPECT_EQ(opened.readAll(), "song bytes");
    EXPECT_EQ(ParseCommandLine(arguments).file, path);

    // Names in UTF-8 pass unchanged, whether or not they exist.
    EXPECT_EQ(ArgumentFromSystem("\xD0\xBE\xD0\xB4\xD0\xB0.lym"),
              QString::fromUtf8("\u043E\u0434\u0430.lym"));
    EXPECT_EQ(ArgumentFromSystem("/no/such/folder/caf\xE9.lym").left(16), "/no/such/folder/");
}

TEST(Version, MinorNumberHasTwoDigits) {
    EXPECT_EQ(VersionNumberText(3, 12), "3.12");
    EXPECT_EQ(VersionNumberText(0, 1), "0.01");
    EXPECT_EQ(VersionNumberText(2, 0), "2.00");
    EXPECT_EQ(VersionNumberText(1, 123), "1.123");
    EXPECT_EQ(VersionNumberText(-1, 5), "???");
    EXPECT_EQ(VersionNumberText(1, -1), "???");
}

TEST(Version, BannerAndPreReleaseFollowTheBuildVersion) {
    const tProgramVersion version = ProgramVersion();
    ASSERT_GE(version.major, 0) << "the build passes the project version";
    EXPECT_EQ(VersionBanner(), "Lyrimo " + VersionNumberText(version.major, version.minor));
    EXPECT_TRUE(IsPreRelease({0, 9, 0}));
    EXPECT_FALSE(IsPreRelease({1, 0, 0}));
}

} // namespace
} // namespace lyrimo
