#include "app/app_services.h"
#include "playback/external_controls.h"
#include "playback/playback_rules.h"
#include "playback_fakes.h"
#include "test_support.h"

#include <QFile>

#include <gtest/gtest.h>

namespace lyrimo {
namespace {

TEST(PlaybackRules, TimeTextShowsMinutesAndSecondsOfPositionAndLength) {
    EXPECT_EQ(PlaybackTimeText(5000, 200000), "00:05/03:20");
    EXPECT_EQ(PlaybackTimeText(59999, 600000), "00:59/10:00");
    EXPECT_EQ(MinutesSecondsText(99 * 60000 + 59000), "99:59");
    EXPECT_EQ(MinutesSecondsText(100 * 60000 + 1000), "00:01"); // minutes wrap at 100
    EXPECT_EQ(MinutesSecondsText(-400), "00:00");
}

TEST(PlaybackRules, TheMediaErrorNamesWhatFailedAndTheEnginesReason) {
    auto song = test::MakeSong({1}, "/music/My Song.mp3");
    const QString start = "There was an error starting the media for this karaoke\r\n";
    EXPECT_EQ(MediaStartErrorText(*song, "Invalid data found when processing input"),
              start + "/music/My Song.mp3\r\nInvalid data found when processing input");
    // Without a reason the message ends with what failed, not with an empty line.
    EXPECT_EQ(MediaStartErrorText(*song, "  "), start + "/music/My Song.mp3");

    song->SongSettings.setUseMediaFile(0);
    song->SongSettings.setCdTrack(7);
    EXPECT_EQ(MediaStartErrorText(*song, "no disc"), start + "Audio CD track 7\r\nno disc");

    song->SongSettings.setUseMediaFile(1);
    song->SongSettings.setEmbedMedia(1);
    song->SongSettings.setMediaFileName("/tmp/lyrimo-x81f.KAR");
    EXPECT_EQ(MediaDescription(*song), "The media embedded in the song (kar)");
    song->SongSettings.setMediaFileName({});
    EXPECT_EQ(MediaDescription(*song), "No media file is set");
}

TEST(PlaybackRules, AChosenMediaFileIsPlayedFromThatFileWithVideoOnlyForVideos) {
    auto song = test::MakeSong({1}, {});
    song->SongSettings.setUseMediaFile(0);
    UseChosenMediaFile(*song, "/clips/Song.MKV");
    EXPECT_EQ(song->SongSettings.UseMediaFile(), 1);
    EXPECT_EQ(song->SongSettings.MediaFileName(), QByteArray("/clips/Song.MKV"));
    EXPECT_EQ(song->SongSettings.HasVideo(), 1);
    UseChosenMediaFile(*song, "/clips.mp4/song.ogg"); // a point in a folder name is no extension
    EXPECT_EQ(song->SongSettings.HasVideo(), 0);
    EXPECT_FALSE(IsVideoFileName("/music/song"));
    EXPECT_TRUE(IsVideoFileName("a.webm"));
}

TEST(PlaybackRules, RatesStepByATenthWithinTheLimitsAndShowAsWholePercent) {
    EXPECT_DOUBLE_EQ(NextRate(4.5, true), 4.5);
    EXPECT_DOUBLE_EQ(NextRate(1.0, true), 1.1);
    EXPECT_EQ(SpeedText(NextRate(1.0, false)), "-10%");
    EXPECT_EQ(SpeedText(NextRate(1.0, true)), "10%");
    EXPECT_EQ(SpeedText(NextRate(NextRate(1.0, false), false)), "-20%");
    EXPECT_EQ(SpeedText(1.0), "0%");
    EXPECT_EQ(SpeedText(1.255), "25%"); // truncated, not rounded
    EXPECT_EQ(SpeedText(0.745), "-25%");
}

TEST(PlaybackRules, EnterCommandsAndSoundEffectShortcuts) {
    EXPECT_EQ(EnterCommandFor(tPlaybackState::WaitAfterFade), tPlaybackCommand::Continue);
    EXPECT_EQ(EnterCommandFor(tPlaybackState::WaitAfterTitle), tPlaybackCommand::Continue);
    EXPECT_EQ(EnterCommandFor(tPlaybackState::Paused), tPlaybackCommand::Play);
    EXPECT_EQ(EnterCommandFor(tPlaybackState::Playing), tPlaybackCommand::Pause);

    EXPECT_EQ(ShortcutOfKey(Qt::Key_A, false, false, false), 0x41);
    EXPECT_EQ(ShortcutOfKey(Qt::Key_7, true, false, false), 0x2037);
    EXPECT_EQ(ShortcutOfKey(Qt::Key_F1, false, true, true), 0xC070);
    EXPECT_EQ(ShortcutOfKey(Qt::Key_Up, true, false, false), 0x2026);
    EXPECT_EQ(ShortcutOfKey(Qt::Key_Shift, true, false, false), 0);
}

TEST(ExternalControls, HexTextBecomesBytesTwoCharactersAtATime) {
    EXPECT_EQ(ExternalControlBytes("0F"), QByteArray("\x0F", 1));
    EXPECT_EQ(ExternalControlBytes("ff00a"), QByteArray("\xFF\x00", 2)); // trailing odd character ignored
    EXPECT_EQ(ExternalControlBytes("7E3c"), QByteArray("\x7E\x3C", 2));
    EXPECT_EQ(ExternalControlBytes("G1FF"), QByteArray("\xFF", 1)); // a pair that is not hex sends nothing
    EXPECT_TRUE(ExternalControlBytes("").isEmpty());
}

TEST(ExternalControls, PortNamesMapToDevices) {
    EXPECT_EQ(ExternalPortDevice("COM1"), "/dev/ttyS0");
    EXPECT_EQ(ExternalPortDevice("com4"), "/dev/ttyS3");
    EXPECT_EQ(ExternalPortDevice("LPT3"), "/dev/lp2");
    EXPECT_EQ(ExternalPortDevice("LPT4"), "");
    EXPECT_EQ(ExternalPortDevice("/dev/sda"), "");
}

TEST(ExternalControls, EventsAreSentOnlyWhenEnabledAndNeverToAMissingPort) {
    const QString port = test::ScratchFolder() + "/lpt1";
    ASSERT_TRUE(test::WriteFile(port, {}));
    tSettingsClass settings;
    settings.EnablePort = "LPT1";
    SetExternalPortMapping([&](const QString& name) { return name == "LPT1" ? port : QString(); });

    EXPECT_FALSE(SendExternalEvent(settings, 0)); // external control off
    settings.EnableControls = true;
    EXPECT_TRUE(SendExternalEvent(settings, 0));
    EXPECT_FALSE(SendExternalEvent(settings, 1)); // event 1 is off by default
    EXPECT_TRUE(SendExternalEvent(settings, 3));
    EXPECT_FALSE(SendExternalEvent(settings, 7));
    EXPECT_EQ(test::ReadFile(port), QByteArray("\x0F\x00", 2));

    settings.EnablePort = "COM2"; // maps to nothing here
    EXPECT_FALSE(SendExternalEvent(settings, 0));
    SetExternalPortMapping({});
    // The port is never created.
    EXPECT_FALSE(SendToPort(test::ScratchFolder() + "/no-such-port", "x"));
    EXPECT_FALSE(QFile::exists(test::ScratchFolder() + "/no-such-port"));
}

} // namespace
} // namespace lyrimo
