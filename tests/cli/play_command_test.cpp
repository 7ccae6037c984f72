// `lyrimo-cli play` over the built-in player and SDL's dummy sound output.
#include "app/app_services.h"
#include "cli/play_command.h"
#include "cli_test_support.h"
#include "media_fixtures.h"
#include "test_support.h"

#include <QDir>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace lyrimo;
using namespace lyrimo::test;
using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

namespace {

class PlayCommand : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_FALSE(Wav().isEmpty()); }
    static QString Wav() { return OneSecondWav(ScratchFolder() + "/play"); }
};

TEST_F(PlayCommand, PlayCommandPrintsAnAdvancingClock) {
    CaptureStdout();
    CaptureStderr();
    const int code = RunPlayCommand({Wav(), "--from", "200", "--for", "300"});
    const QString out = QString::fromStdString(GetCapturedStdout());
    const QString err = QString::fromStdString(GetCapturedStderr());
    ASSERT_EQ(code, 0) << err.toStdString();
    static const QRegularExpression line("^ *(\\d+) ms / 1000 ms  Built-in player$");
    QList<int> positions;
    for (const QString& text : out.split('\n', Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch match = line.match(text);
        ASSERT_TRUE(match.hasMatch()) << text.toStdString();
        positions << match.captured(1).toInt();
    }
    ASSERT_GE(positions.size(), 3);
    EXPECT_GE(positions.first(), 200);
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_GE(positions.last(), 500);
    EXPECT_LT(positions.last(), 1000);
}

TEST_F(PlayCommand, PlayCommandForcesAPlayerAndExplainsFailures) {
    const QString kar = ScratchFolder() + "/play/tune.kar";
    tMidiWriter midi;
    midi.Note(0, 240, 0, 60);
    ASSERT_TRUE(WriteFile(kar, midi.Bytes()));
    const tSettingsClass saved = Settings();
    Settings().UseFileExtensionsMCI = ".mid|.wav"; // a built-in player not listed for .kar
    CaptureStdout();
    CaptureStderr();
    const int unlisted = RunPlayCommand({kar});
    Settings() = saved;
    const QString unlistedError = QString::fromStdString(GetCapturedStderr());
    GetCapturedStdout();
    EXPECT_EQ(unlisted, 1);
    EXPECT_TRUE(unlistedError.contains("Unable to find a suitable player for files of type .kar"))
        << unlistedError.toStdString();

    CaptureStdout();
    Settings().UseFileExtensionsMCI = ".mid|.wav";
    const int forced = RunPlayCommand({kar, "--player", "4"});
    const QString out = QString::fromStdString(GetCapturedStdout());
    Settings() = saved;
    EXPECT_EQ(forced, 0);
    EXPECT_TRUE(out.trimmed().endsWith("250 ms / 250 ms  Built-in player")) << out.toStdString();

    CaptureStderr();
    EXPECT_EQ(RunPlayCommand({ScratchFolder() + "/play/none.wav"}), 1);
    EXPECT_TRUE(
        QString::fromStdString(GetCapturedStderr()).contains("Error opening file: the file does not exist"));
    CaptureStderr();
    EXPECT_EQ(RunPlayCommand({Wav(), "--player", "7"}), 2);
    GetCapturedStderr();
}

} // namespace

// Each engine plays the sound when forced, switched on or not, and says so on every line.
TEST_F(PlayCommand, EveryEngineCanBeForced) {
    const tSettingsClass saved = Settings();
    for (const auto& [id, name] :
         {std::pair{"2", "VLC"}, std::pair{"3", "mpv"}, std::pair{"5", "GStreamer"}}) {
        Settings().UseQuicktimePlayer = Settings().UseWindowsMediaPlayer = Settings().DirectShow = false;
        int rc = -1;
        const QString out = CapturedOutput(rc, [&] {
            return RunPlayCommand({Wav(), "--player", id, "--for", "300"});
        });
        EXPECT_EQ(rc, 0) << name;
        const QStringList lines = out.split('\n', Qt::SkipEmptyParts);
        ASSERT_GE(lines.size(), 3) << name;
        for (const QString& line : lines)
            EXPECT_TRUE(line.endsWith(QString(" ms  ") + name)) << line.toStdString();
        EXPECT_GE(lines.last().trimmed().section(' ', 0, 0).toInt(), 300) << name;
        Settings() = saved;
    }
}

TEST(PlayersCommand, ListsEveryPlayerWithItsEngineAndFileTypes) {
    int rc = -1;
    const QString out = CapturedOutput(rc, [] { return RunPlayersCommand({}); });
    ASSERT_EQ(rc, 0);
    const QStringList lines = out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 6) << out.toStdString();
    const QStringList names = {"External player (MPRIS)", "VLC", "mpv", "Built-in player", "GStreamer"};
    for (int id = 1; id <= 5; ++id) {
        EXPECT_TRUE(lines[id].startsWith(QString::number(id) + "  " + names[id - 1]))
            << lines[id].toStdString();
        EXPECT_TRUE(lines[id].contains(" .")) << "no file types in " << lines[id].toStdString();
    }
    // The built-in player's engine is always here; the tests' sound output is SDL's silent one.
    EXPECT_TRUE(lines[4].contains(" here ")) << lines[4].toStdString();
    EXPECT_EQ(RunPlayersCommand({"extra"}), 2);
}
