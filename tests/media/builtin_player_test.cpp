// The built-in player on files made by the tests, pulled frame by frame.
#include "app/app_services.h"
#include "document/song.h"
#include "media/backends/builtin_player.h"
#include "media/media_player.h"
#include "media_fixtures.h"
#include "pull_output.h"
#include "test_support.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

constexpr int kFramesPerMs = kPullRate / 1000;
constexpr double kSignalSeconds = 3.0;

class BuiltinPlayerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        signal_ = TestSignal(kPullRate, kSignalSeconds);
        QDir().mkpath(ScratchFolder() + "/media");
    }

    // The test signal as WAV or encoded to another format, made when first asked for.
    static QString Fixture(const QString& name) {
        const QString path = ScratchFolder() + "/media/" + name;
        EXPECT_TRUE(WriteSignalMedia(path, signal_)) << name.toStdString();
        return path;
    }

    tBuiltinPlayer& Open(const QString& name) {
        EXPECT_TRUE(player.OpenFile(Fixture(name), nullptr, 0)) << player.LastError().toStdString();
        return player;
    }

    static bool SameFrames(const std::vector<float>& played, int64_t firstSignalFrame, int frames) {
        for (int i = 0; i < frames; ++i)
            for (int c = 0; c < 2; ++c)
                if (played[static_cast<size_t>(i * 2 + c)] != signal_.At(firstSignalFrame + i, c))
                    return false;
        return true;
    }

    static tSignal signal_;
    tPuller puller;
    tBuiltinPlayer player{PullOutputFactory(&puller)};
};

tSignal BuiltinPlayerTest::signal_;

TEST_F(BuiltinPlayerTest, OpensAtZeroNotPlayingAndPlaysTheFileAsItIs) {
    tBuiltinPlayer& p = Open("signal.wav");
    EXPECT_EQ(p.GetLength(), 3000);
    EXPECT_EQ(p.GetPosition(), 0);
    EXPECT_FALSE(p.IsPlaying());
    EXPECT_FALSE(p.IsPaused());
    EXPECT_EQ(p.TrackCount(), 1);
    EXPECT_TRUE(puller.running);
    EXPECT_EQ(FirstSound(puller.Pull(2048)), -1) << "nothing plays before Play";
    p.Play();
    EXPECT_TRUE(p.IsPlaying());
    EXPECT_TRUE(SameFrames(puller.Pull(4096), 0, 4096));
    EXPECT_EQ(p.GetPosition(), 4096 / kFramesPerMs);
}

TEST_F(BuiltinPlayerTest, PauseHoldsThePositionAndResumingGoesOnWithTheNextFrame) {
    tBuiltinPlayer& p = Open("signal.wav");
    p.Play();
    puller.PullMs(100);
    EXPECT_EQ(p.GetPosition(), 100);
    p.PauseResume();
    EXPECT_TRUE(p.IsPaused());
    EXPECT_TRUE(p.IsPlaying());
    EXPECT_EQ(FirstSound(puller.PullMs(200)), -1);
    EXPECT_EQ(p.GetPosition(), 100);
    p.PauseResume();
    EXPECT_FALSE(p.IsPaused());
    EXPECT_TRUE(SameFrames(puller.Pull(2048), 100 * kFramesPerMs, 2048));
}

TEST_F(BuiltinPlayerTest, SeekingLandsOnTheFrameAskedForAndLeavesAPlayingMediumPaused) {
    tBuiltinPlayer& p = Open("signal.wav");
    p.SetPosition(500);
    EXPECT_FALSE(p.IsPlaying()) << "a medium not started stays so";
    EXPECT_EQ(p.GetPosition(), 500);
    p.Play();
    EXPECT_TRUE(SameFrames(puller.Pull(1024), 500 * kFramesPerMs, 1024));

    for (int target : {2345, 17, 1234}) {
        p.SetPosition(target);
        EXPECT_TRUE(p.IsPlaying() && p.IsPaused()) << target;
        EXPECT_EQ(p.GetPosition(), target);
        EXPECT_EQ(FirstSound(puller.Pull(1024)), -1);
        p.Play();
        EXPECT_TRUE(SameFrames(puller.Pull(1024), target * kFramesPerMs, 1024)) << target;
    }
    p.SetPosition(-50);
    EXPECT_EQ(p.GetPosition(), 0);
    p.SetPosition(99999);
    EXPECT_EQ(p.GetPosition(), 3000);
}

TEST_F(BuiltinPlayerTest, SeeksAreExactInEveryFormat) {
    for (const char* name :
         {"signal.mp3", "signal44.mp3", "signal44.wav", "signal.ogg", "signal.opus", "signal.flac",
          "signal.m4a", "signal.aiff", "signal.au", "signal.mkv", "signal.webm", "signal.mp4"}) {
        SCOPED_TRACE(name);
        tBuiltinPlayer& p = Open(name);
        EXPECT_NEAR(p.GetLength(), 3000, 30);
        for (int target : {0, 777, 1500, 2400, 301}) {
            p.SetPosition(target);
            EXPECT_EQ(p.GetPosition(), target);
            p.Play();
            const std::vector<float> played = puller.PullMs(40);
            const int64_t lag = BestLag(played, signal_, target * kFramesPerMs, 2 * kFramesPerMs);
            EXPECT_LE(std::abs(lag), kFramesPerMs)
                << "landed " << lag << " frames off at " << target << " ms";
            EXPECT_EQ(p.GetPosition(), target + 40);
        }
    }
}

// Played straight through, the sound stays where seeking puts it: the frames' times are followed
// without taking the small unevenness of some formats' times for gaps. (Some formats delay their
// sound by the encoder's own delay; that delay stays the same all along.)
TEST_F(BuiltinPlayerTest, PlayingThroughKeepsToTheSoundsTimes) {
    for (const char* name : {"signal.mp3", "signal44.mp3", "signal.ogg", "signal.opus", "signal.m4a",
                             "signal.webm", "signal.wma", "signal.avi", "signal.mpg"}) {
        SCOPED_TRACE(name);
        tBuiltinPlayer& p = Open(name);
        p.Play();
        const std::vector<float> straight = puller.PullMs(2440);
        const auto window = [](const std::vector<float>& played, int at, int ms = 40) {
            return std::vector<float>(played.begin() + at * kFramesPerMs * 2,
                                      played.begin() + (at + ms) * kFramesPerMs * 2);
        };
        const int64_t delay =
            BestLag(window(straight, 500, 10), signal_, 500 * kFramesPerMs, 50 * kFramesPerMs);
        const auto offBy = [&](const std::vector<float>& played, int ms) {
            return std::abs(BestLag(played, signal_, ms * kFramesPerMs + delay, 2 * kFramesPerMs));
        };
        for (int target : {1000, 2400}) {
            EXPECT_LE(offBy(window(straight, target), target), kFramesPerMs) << target;
            p.SetPosition(target);
            p.Play();
            EXPECT_LE(offBy(puller.PullMs(40), target), kFramesPerMs) << "seeking to " << target;
        }
    }
}

TEST_F(BuiltinPlayerTest, AGapInTheTimesOfAFileIsPlayedAsSilence) {
    tBuiltinPlayer& p = Open("signal-gap.mkv");
    p.Play();
    const std::vector<float> straight = puller.PullMs(2100);
    const auto from = [&](int ms) {
        return std::vector<float>(straight.begin() + ms * kFramesPerMs * 2, straight.end());
    };
    EXPECT_GE(FirstSound(from(1100)), 400 * kFramesPerMs) << "the gap is silent";
    EXPECT_TRUE(SameFrames(from(1600), 1600 * kFramesPerMs, 500 * kFramesPerMs))
        << "the sound after the gap plays at its own time";
    for (int target : {2000, 1200}) {
        p.SetPosition(target);
        p.Play();
        const std::vector<float> sought = puller.PullMs(100);
        const std::vector<float> same(straight.begin() + target * kFramesPerMs * 2,
                                      straight.begin() + (target + 100) * kFramesPerMs * 2);
        EXPECT_EQ(sought, same) << "seeking to " << target << " ms lands where playing through does";
    }
}

// Where frames overlap the ones before them, what they repeat is dropped. Within the tolerance
// for uneven times the sound is not moved, so playing through and seeking may differ by that.
TEST_F(BuiltinPlayerTest, FramesOverlappingTheOnesBeforeThemAreCutShort) {
    tBuiltinPlayer& p = Open("signal-overlap.mkv");
    p.Play();
    const std::vector<float> straight = puller.PullMs(2605);
    const std::vector<float> window(straight.begin() + 2600 * kFramesPerMs * 2, straight.end());
    const int64_t skipped = BestLag(window, signal_, 2600 * kFramesPerMs, 320 * kFramesPerMs);
    EXPECT_NEAR(skipped, 300 * kFramesPerMs, 20 * kFramesPerMs);
    p.SetPosition(2600);
    p.Play();
    EXPECT_NEAR(BestLag(puller.PullMs(5), signal_, 2600 * kFramesPerMs, 320 * kFramesPerMs), skipped,
                20 * kFramesPerMs);
}

TEST_F(BuiltinPlayerTest, ClosingWhileTheOutputPullsIsSafe) {
    Open("signal.mp3");
    std::atomic<bool> done{false};
    std::atomic<int> soundingPulls{0};
    std::thread output([&] {
        while (!done)
            if (FirstSound(puller.Pull(512, 512)) >= 0)
                ++soundingPulls;
    });
    for (int i = 0; i < 12; ++i) {
        ASSERT_TRUE(player.OpenFile(Fixture(i % 2 ? "signal.flac" : "signal.mp3"), nullptr, 0));
        player.SetPosition(100 * i);
        player.Play();
        const int before = soundingPulls;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (soundingPulls < before + 2 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        player.Close();
        EXPECT_EQ(player.GetPosition(), 0);
        EXPECT_FALSE(player.IsPlaying());
    }
    done = true;
    output.join();
    EXPECT_GE(soundingPulls, 24) << "the output was playing each medium when it closed";
}

TEST_F(BuiltinPlayerTest, TheEndOfTheMediumEndsPlaying) {
    tBuiltinPlayer& p = Open("signal.ogg");
    p.SetPosition(2800);
    p.Play();
    puller.PullMs(150);
    EXPECT_TRUE(p.IsPlaying());
    puller.PullMs(100);
    EXPECT_FALSE(p.IsPlaying());
    EXPECT_FALSE(p.IsPaused());
    EXPECT_NEAR(p.GetPosition(), 3000, 10);
    EXPECT_EQ(p.GetPosition(), p.GetLength()) << "the length is known exactly once the end was read";
    p.Play();
    puller.PullMs(50);
    EXPECT_FALSE(p.IsPlaying()) << "playing from the end ends at once";
    p.Stop();
    EXPECT_EQ(p.GetPosition(), 0);
    EXPECT_FALSE(p.IsPlaying());
}

TEST_F(BuiltinPlayerTest, RateChangesTheSpeed) {
    tBuiltinPlayer& p = Open("signal.wav");
    EXPECT_TRUE(p.CanChangeRate());
    p.Play();
    p.SetRate(2.0);
    EXPECT_EQ(p.GetRate(), 2.0);
    puller.Pull(4800);
    EXPECT_EQ(p.GetPosition(), 200);
    p.SetRate(0.5);
    puller.Pull(4800);
    EXPECT_EQ(p.GetPosition(), 250);
    p.SetRate(10);
    EXPECT_EQ(p.GetRate(), tBuiltinPlayer::kMaxRate);
    p.SetRate(0);
    p.SetRate(std::nan(""));
    EXPECT_EQ(p.GetRate(), tBuiltinPlayer::kMaxRate);
    ASSERT_TRUE(p.OpenFile(Fixture("signal.flac"), nullptr, 0));
    EXPECT_EQ(p.GetRate(), 1.0) << "a new medium plays at normal speed";
}

TEST_F(BuiltinPlayerTest, TheAdjustmentForExternalPlayerTimingsApplies) {
    tBuiltinPlayer& p = Open("signal.wav");
    p.SetTimingCorrection({.AdjustWinampTimingsForWmp = true});
    EXPECT_EQ(p.GetLength(), 2588); // 3000 / 1.0037265208 - 400, truncated
    p.SetPosition(1000);            // lands on 1003 ms
    EXPECT_EQ(p.GetPosition(), 599);
    p.Play();
    EXPECT_TRUE(SameFrames(puller.Pull(512), 1003 * kFramesPerMs, 512));
}

// Each manager hands its own song's corrections to its own backend, so two performances at once
// (a playback window and the editor's preview, say) keep their own clocks.
TEST_F(BuiltinPlayerTest, TwoManagersKeepTheCorrectionsOfTheirOwnSongs) {
    const tSettingsHooks savedHooks = SettingsHooks();
    SettingsHooks().cdDevices = [] { return QStringList(); };
    auto makeManager = [](tPuller* puller) {
        return std::make_unique<tMyMediaPlayer>([puller](uint8_t id) -> std::unique_ptr<tPlayer> {
            if (id == player::Mci)
                return std::make_unique<tBuiltinPlayer>(PullOutputFactory(puller));
            return nullptr; // no other backend
        });
    };
    auto makeSong = [](bool adjust) {
        auto song = std::make_unique<tLyrimoData>();
        song->SongSettings.setUseMediaFile(1);
        song->SongSettings.setMediaFileName(QFile::encodeName(Fixture("signal.wav")));
        song->SongSettings.setAdjustWinampTimingsForWmp(adjust ? 1 : 0);
        song->SongSettings.setTweakWinampTimings(adjust ? 0 : 1);
        return song;
    };
    tPuller pullerA, pullerB, pullerC;
    auto adjusted = makeManager(&pullerA);
    auto plain = makeManager(&pullerB);
    ASSERT_TRUE(adjusted->OpenSongMedia(*makeSong(true), nullptr));
    ASSERT_TRUE(plain->OpenSongMedia(*makeSong(false), nullptr));
    EXPECT_EQ(adjusted->GetLength(), 2588);
    EXPECT_EQ(plain->GetLength(), 3000);
    adjusted->SetPosition(1000);
    plain->SetPosition(1000);
    EXPECT_EQ(adjusted->GetPosition(), 599);
    EXPECT_EQ(plain->GetPosition(), 1000);
    EXPECT_EQ(adjusted->TimingCorrection, (tTimingCorrection{true, false}));
    EXPECT_EQ(plain->TimingCorrection, (tTimingCorrection{false, true}));

    // A manager made after them starts from the defaults, and a file opened without a song
    // keeps the corrections of the manager's last song.
    auto fresh = makeManager(&pullerC);
    EXPECT_EQ(fresh->TimingCorrection, (tTimingCorrection{false, true}));
    ASSERT_TRUE(fresh->OpenFile(Fixture("signal.wav"), nullptr, 0));
    EXPECT_EQ(fresh->GetLength(), 3000);
    ASSERT_TRUE(adjusted->OpenFile(Fixture("signal.wav"), nullptr, 0));
    EXPECT_EQ(adjusted->GetLength(), 2588);
    EXPECT_EQ(plain->GetLength(), 3000);
    SettingsHooks() = savedHooks;
}

TEST_F(BuiltinPlayerTest, DamagedAndForeignFilesAreRefusedWithAReason) {
    const QString folder = ScratchFolder() + "/media/bad";
    QDir().mkpath(folder);
    QByteArray noise(20000, 0); // no byte with the high bit, so nothing in it looks like an MPEG frame
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>(((i * 7919) >> 3) & 0x7F);
    WriteFile(folder + "/noise.mp3", noise);
    WriteFile(folder + "/empty.wav", {});
    WriteFile(folder + "/text.mid", "these are not notes");
    WriteFile(folder + "/playlist.mp3", "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\nfile:///etc/passwd\n");
    WriteFile(folder + "/header.wav", WavBytes(signal_).left(44));
    for (const QString& name :
         {folder + "/noise.mp3", folder + "/empty.wav", folder + "/text.mid", folder + "/playlist.mp3",
          folder + "/header.wav", folder + "/missing.ogg", folder}) {
        // From a medium open, so that the refusal must close it and set its own reason.
        ASSERT_TRUE(player.OpenFile(Fixture("signal.wav"), nullptr, 0));
        EXPECT_TRUE(player.LastError().isEmpty());
        EXPECT_FALSE(player.OpenFile(name, nullptr, 0)) << name.toStdString();
        EXPECT_TRUE(player.LastError().startsWith("Error opening file: "))
            << player.LastError().toStdString();
        EXPECT_GT(player.LastError().size(), QString("Error opening file: ").size());
        EXPECT_EQ(player.GetPosition(), 0);
        EXPECT_FALSE(player.IsPlaying());
    }
}

TEST_F(BuiltinPlayerTest, ACutOffFilePlaysWhatItHolds) {
    const QString cut = ScratchFolder() + "/media/cut.wav";
    WriteFile(cut, WavBytes(signal_).left(44 + 4 * 48000)); // one second of three
    tBuiltinPlayer& p = player;
    ASSERT_TRUE(p.OpenFile(cut, nullptr, 0));
    p.SetPosition(900);
    p.Play();
    const std::vector<float> played = puller.PullMs(300);
    EXPECT_TRUE(SameFrames(played, 900 * kFramesPerMs, 100 * kFramesPerMs));
    EXPECT_FALSE(p.IsPlaying());
    EXPECT_EQ(p.GetPosition(), 1000);
}

TEST_F(BuiltinPlayerTest, DamagedCompressedFilesPlayOrAreRefused) {
    const QString damaged = ScratchFolder() + "/media/damaged";
    for (const char* name : {"signal.mp3", "signal.ogg", "signal.opus", "signal.m4a", "signal.flac"}) {
        const QByteArray valid = ReadFile(Fixture(name));
        ASSERT_FALSE(valid.isEmpty());
        for (int i = 0; i < 10; ++i) {
            QByteArray bytes = valid;
            const qsizetype at = (static_cast<qsizetype>(i) * 104729) % bytes.size();
            for (qsizetype k = at; k < std::min(bytes.size(), at + 48); ++k)
                bytes[k] = static_cast<char>(k * 31 + i);
            if (i % 2)
                bytes.truncate(bytes.size() * i / 10);
            const QString path = damaged + QString::number(i) + QString(name).mid(6);
            ASSERT_TRUE(WriteFile(path, bytes));
            if (!player.OpenFile(path, nullptr, 0)) {
                EXPECT_TRUE(player.LastError().startsWith("Error opening file: ")) << name << " " << i;
                continue;
            }
            for (int target : {1000, 2500}) {
                player.SetPosition(target);
                player.Play();
                puller.PullMs(100);
            }
        }
    }
}

} // namespace
