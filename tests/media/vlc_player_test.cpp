// The VLC player on files made by the tests, playing on its silent sink at real speed. Its clock is
// checked against the steady clock, its seeks and its pictures against what the files hold.
#include "media/backends/vlc_player.h"
#include "media/video_window.h"
#include "media_fixtures.h"
#include "test_support.h"

#include <QDir>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <thread>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

using tClock = std::chrono::steady_clock;
constexpr int kRate = 48000;
constexpr int kFramesPerMs = kRate / 1000;
constexpr int kMsPerPicture = 1000 / kVideoPicturesPerSecond;
// How far the position may stray from the steady clock over a second of playing: VLC takes a
// few tens of milliseconds to get its sound going after a start, and its clock, announced in
// quarter-second steps, is only known to within about a demuxed block.
constexpr int kClockToleranceMs = 60;

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

int DueNumber(int64_t ms) { return int(ms / kMsPerPicture) % kVideoNumberCycle; }

int ShownNumber(const tVideoWindow& window) {
    const Bitmap& frame = window.Frame();
    return VideoPictureNumber(frame.Pixel(frame.Width() / 2, frame.Height() / 2) & 0xFF);
}

// The sound the silent sink took since VLC last threw its sound away, as stereo floats.
class tHeardSound {
public:
    explicit tHeardSound(tVlcPlayer& player) : player_(player) {
        player.SetHeardObserver([this](const tVlcPlayer::tHeardBlock& block) {
            std::lock_guard lock(mutex_);
            if (!block.samples) {
                frames_.clear();
                return;
            }
            for (int i = 0; i < block.frames; ++i) {
                const int16_t* frame = block.samples + size_t(i) * size_t(block.channels);
                frames_.push_back(frame[0] / 32768.f);
                frames_.push_back((block.channels > 1 ? frame[1] : frame[0]) / 32768.f);
            }
        });
    }
    ~tHeardSound() { player_.SetHeardObserver({}); }
    void Clear() {
        std::lock_guard lock(mutex_);
        frames_.clear();
    }
    // The first `ms` heard, waiting for them up to two seconds.
    std::vector<float> First(int ms) {
        const size_t wanted = size_t(ms) * kFramesPerMs * 2;
        const auto deadline = tClock::now() + std::chrono::seconds(2);
        while (tClock::now() < deadline) {
            {
                std::lock_guard lock(mutex_);
                if (frames_.size() >= wanted)
                    return std::vector<float>(frames_.begin(), frames_.begin() + long(wanted));
            }
            Sleep(5);
        }
        return {};
    }

private:
    tVlcPlayer& player_;
    std::mutex mutex_;
    std::vector<float> frames_;
};

class VlcPlayerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        signal_ = TestSignal(kRate, 3.0);
        QDir().mkpath(Folder());
    }

    void SetUp() override {
        if (tVlcPlayer::EngineWorks())
            return;
        const char* skip = std::getenv("LYRIMO_SKIP_MISSING_ENGINES");
        if (skip && std::string(skip) == "1")
            GTEST_SKIP() << "VLC is missing: libVLC could not start with its plugins";
        FAIL() << "VLC is missing: libVLC could not start with its plugins";
    }

    static QString Folder() { return ScratchFolder() + "/vlc"; }

    static QString Media(const QString& name) {
        const QString path = Folder() + "/" + name;
        EXPECT_TRUE(WriteSignalMedia(path, signal_)) << name.toStdString();
        return path;
    }

    static QString Video(const QString& name = "numbered.mp4") {
        const QString path = Folder() + "/" + name;
        EXPECT_TRUE(WriteNumberedVideo(path)) << name.toStdString();
        return path;
    }

    tVlcPlayer& Open(const QString& path, tVideoWindow* window = nullptr) {
        EXPECT_TRUE(player.OpenFile(path, window, 0)) << player.LastError().toStdString();
        return player;
    }

    // Where the first sound heard after Play lies in the test signal, in ms from where it should.
    double LandedOffMs(tHeardSound& heard, int targetMs) {
        const std::vector<float> played = heard.First(40);
        if (played.empty())
            return 1e9;
        const int64_t lag = BestLag(played, signal_, int64_t(targetMs) * kFramesPerMs, 40 * kFramesPerMs);
        return double(lag) / kFramesPerMs;
    }

    static tSignal signal_;
    tVideoWindow window; // outlives the player, which clears it when it closes
    tVlcPlayer player;
};

tSignal VlcPlayerTest::signal_;

TEST_F(VlcPlayerTest, IsTheVlcBackendAndAvailable) {
    EXPECT_EQ(player.PlayerID(), 2);
    EXPECT_TRUE(player.IsAvailable());
    EXPECT_TRUE(player.HandlesExtension(".MP3"));
    EXPECT_FALSE(player.CanPlayCDs());
    EXPECT_EQ(player.TrackCount(), 0);
    EXPECT_EQ(player.GetPosition(), 0);
    EXPECT_EQ(player.GetLength(), 0);
}

TEST_F(VlcPlayerTest, OpensAtZeroNotPlayingAndPlaysOnTheSteadyClock) {
    tVlcPlayer& p = Open(Media("signal.wav"));
    EXPECT_EQ(p.GetLength(), 3000);
    EXPECT_EQ(p.TrackCount(), 1);
    EXPECT_FALSE(p.IsPlaying());
    EXPECT_FALSE(p.IsPaused());
    EXPECT_EQ(p.VideoWidth(), 0);
    Sleep(200);
    EXPECT_EQ(p.GetPosition(), 0) << "nothing plays before Play";

    p.Play();
    EXPECT_TRUE(p.IsPlaying());
    const auto start = tClock::now();
    int last = 0;
    for (int i = 0; i < 60; ++i) {
        Sleep(16);
        const int position = p.GetPosition();
        EXPECT_GE(position, last) << "the position never goes back while playing";
        last = position;
        const double elapsed = std::chrono::duration<double, std::milli>(tClock::now() - start).count();
        EXPECT_NEAR(position, elapsed, kClockToleranceMs) << "reading " << i;
    }
}

TEST_F(VlcPlayerTest, PauseHoldsThePositionAndResumingGoesOnFromThere) {
    tVlcPlayer& p = Open(Media("signal.mp3"));
    p.Play();
    Sleep(400);
    p.PauseResume();
    EXPECT_TRUE(p.IsPaused());
    EXPECT_TRUE(p.IsPlaying());
    const int held = p.GetPosition();
    EXPECT_NEAR(held, 400, kClockToleranceMs);
    Sleep(400);
    EXPECT_EQ(p.GetPosition(), held);
    p.PauseResume();
    EXPECT_FALSE(p.IsPaused());
    const auto resumed = tClock::now();
    Sleep(500);
    const double elapsed = std::chrono::duration<double, std::milli>(tClock::now() - resumed).count();
    EXPECT_NEAR(p.GetPosition(), held + elapsed, kClockToleranceMs);
}

TEST_F(VlcPlayerTest, SeeksLandOnTheSoundAskedForAndLeaveAPlayingMediumPaused) {
    tVlcPlayer& p = Open(Media("signal.wav"));
    tHeardSound heard(p);
    p.SetPosition(1500);
    EXPECT_FALSE(p.IsPlaying()) << "a medium not started stays so";
    EXPECT_EQ(p.GetPosition(), 1500);
    for (int target : {1234, 17, 2345}) {
        heard.Clear();
        p.Play();
        Sleep(150);
        p.SetPosition(target);
        EXPECT_TRUE(p.IsPlaying() && p.IsPaused()) << target;
        EXPECT_EQ(p.GetPosition(), target);
        Sleep(100);
        EXPECT_EQ(p.GetPosition(), target) << "it stands at the target until played";
        heard.Clear();
        p.Play();
        const auto played = tClock::now();
        EXPECT_LE(std::abs(LandedOffMs(heard, target)), 1.0) << "seeking to " << target;
        Sleep(250);
        const double elapsed = std::chrono::duration<double, std::milli>(tClock::now() - played).count();
        EXPECT_NEAR(p.GetPosition(), target + elapsed, kClockToleranceMs) << "playing on from " << target;
    }
    p.SetPosition(-50);
    EXPECT_EQ(p.GetPosition(), 0);
    p.SetPosition(99999);
    EXPECT_EQ(p.GetPosition(), 3000);
}

// In compressed sound VLC starts from a whole decoded block near the target, so a seek lands
// within about one coded frame of it (24 ms for MP3, 21 for AAC, up to 42 for Vorbis), either way.
TEST_F(VlcPlayerTest, SeeksInCompressedSoundLandWithinAFrame) {
    for (const char* name : {"signal.mp3", "signal.ogg", "signal.m4a"}) {
        SCOPED_TRACE(name);
        tVlcPlayer& p = Open(Media(name));
        tHeardSound heard(p);
        EXPECT_NEAR(p.GetLength(), 3000, 60);
        for (int target : {777, 1500, 2100}) {
            p.SetPosition(target);
            EXPECT_EQ(p.GetPosition(), target);
            heard.Clear();
            p.Play();
            EXPECT_LE(std::abs(LandedOffMs(heard, target)), 30.0) << "seeking to " << target;
        }
    }
}

TEST_F(VlcPlayerTest, RateChangesTheSpeedOfTheClock) {
    tVlcPlayer& p = Open(Media("signal.wav"));
    EXPECT_TRUE(p.CanChangeRate());
    p.SetRate(2.0);
    EXPECT_EQ(p.GetRate(), 2.0);
    p.Play();
    Sleep(300);
    const int from = p.GetPosition();
    const auto start = tClock::now();
    Sleep(600);
    const double elapsed = std::chrono::duration<double, std::milli>(tClock::now() - start).count();
    EXPECT_NEAR(p.GetPosition() - from, 2.0 * elapsed, 2 * kClockToleranceMs);

    p.SetRate(10);
    EXPECT_EQ(p.GetRate(), tVlcPlayer::kMaxRate);
    p.SetRate(0);
    p.SetRate(std::nan(""));
    EXPECT_EQ(p.GetRate(), tVlcPlayer::kMaxRate);
    p.SetRate(0.1);
    EXPECT_EQ(p.GetRate(), tVlcPlayer::kMinRate);
    Open(Media("signal.mp3"));
    EXPECT_EQ(p.GetRate(), 1.0) << "a new medium plays at normal speed";
}

TEST_F(VlcPlayerTest, TheEndOfTheMediumEndsPlayingAndStopGoesBackToTheStart) {
    tVlcPlayer& p = Open(OneSecondWav(Folder()));
    EXPECT_EQ(p.GetLength(), 1000);
    p.Play();
    const auto start = tClock::now();
    while (p.IsPlaying() && tClock::now() - start < std::chrono::seconds(3))
        Sleep(10);
    const double took = std::chrono::duration<double, std::milli>(tClock::now() - start).count();
    EXPECT_FALSE(p.IsPlaying());
    EXPECT_FALSE(p.IsPaused());
    EXPECT_NEAR(took, 1000, 150) << "it ends at its own time";
    EXPECT_EQ(p.GetPosition(), 1000);
    p.Play();
    EXPECT_FALSE(p.IsPlaying()) << "playing from the end ends at once";

    p.Stop();
    EXPECT_EQ(p.GetPosition(), 0);
    EXPECT_FALSE(p.IsPlaying());
    p.Play();
    Sleep(300);
    EXPECT_TRUE(p.IsPlaying()) << "after a stop it plays again from the start";
    EXPECT_NEAR(p.GetPosition(), 300, kClockToleranceMs);
    p.SetPosition(900);
    p.Play();
    Sleep(400);
    EXPECT_FALSE(p.IsPlaying());
    p.SetPosition(200);
    EXPECT_EQ(p.GetPosition(), 200) << "a seek after the end brings the medium back";
    p.Play();
    Sleep(200);
    EXPECT_TRUE(p.IsPlaying());
}

TEST_F(VlcPlayerTest, TheAdjustmentForExternalPlayerTimingsAppliesOnce) {
    tVlcPlayer& p = Open(Media("signal.wav"));
    tHeardSound heard(p);
    p.SetTimingCorrection({.AdjustWinampTimingsForWmp = true});
    EXPECT_EQ(p.GetLength(), 2588); // 3000 / 1.0037265208 - 400, truncated
    p.SetPosition(1000);            // lands on 1003 ms
    EXPECT_EQ(p.GetPosition(), 599);
    heard.Clear();
    p.Play();
    EXPECT_LE(std::abs(LandedOffMs(heard, 1003)), 1.0);
}

TEST_F(VlcPlayerTest, DamagedAndForeignFilesAreRefusedQuicklyWithAReason) {
    QByteArray noise(20000, 0);
    uint32_t state = 12345;
    for (char& byte : noise) {
        state = state * 1103515245 + 12345;
        byte = char(state >> 24);
    }
    WriteFile(Folder() + "/noise.mp3", noise);
    WriteFile(Folder() + "/empty.wav", {});
    WriteFile(Folder() + "/cut.mp4", ReadFile(Video()).left(600));
    for (const QString& name : {Folder() + "/noise.mp3", Folder() + "/empty.wav", Folder() + "/cut.mp4",
                                Folder() + "/missing.ogg", Folder()}) {
        SCOPED_TRACE(name.toStdString());
        Open(Media("signal.wav"));
        const auto start = tClock::now();
        EXPECT_FALSE(player.OpenFile(name, nullptr, 0));
        EXPECT_LT(tClock::now() - start, std::chrono::seconds(6));
        EXPECT_TRUE(player.LastError().startsWith("Error opening file: VLC: "))
            << player.LastError().toStdString();
        EXPECT_GT(player.LastError().size(), QString("Error opening file: VLC: ").size());
        EXPECT_EQ(player.GetPosition(), 0);
        EXPECT_EQ(player.TrackCount(), 0);
        EXPECT_FALSE(player.IsPlaying());
    }
    Open(Media("signal.wav"));
    EXPECT_TRUE(player.LastError().isEmpty());
    EXPECT_EQ(player.GetLength(), 3000) << "a good file opens after the bad ones";
}

TEST_F(VlcPlayerTest, ClosingIsAlwaysSafe) {
    player.Close();
    Open(Media("signal.wav")).Play();
    Sleep(100);
    player.Close();
    player.Close();
    EXPECT_EQ(player.GetPosition(), 0);
    EXPECT_FALSE(player.IsPlaying());
    player.Play();
    player.SetPosition(100);
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_FALSE(player.OpenFile(Folder() + "/missing.wav", nullptr, 0));
    player.Close();
    tVlcPlayer another;
    EXPECT_TRUE(another.OpenFile(Media("signal.mp3"), nullptr, 0));
    another.Play(); // destroyed while playing
}

using VlcVideoTest = VlcPlayerTest;

TEST_F(VlcVideoTest, OpensWithItsSizeAndTheFirstPictureShown) {
    tVlcPlayer& p = Open(Video(), &window);
    EXPECT_EQ(p.VideoWidth(), 64);
    EXPECT_EQ(p.VideoHeight(), 48);
    EXPECT_NEAR(p.GetLength(), 4000, 50);
    ASSERT_TRUE(window.HasFrame());
    EXPECT_EQ(window.Frame().Format(), tPixelFormat::Bits32);
    EXPECT_EQ(window.Frame().Width(), 64);
    EXPECT_EQ(ShownNumber(window), 0);
    EXPECT_EQ(window.Frame().Pixel(0, 0) >> 24, 0u) << "no alpha in the top byte";
}

TEST_F(VlcVideoTest, WithoutAWindowAVideoIsSoundOnly) {
    tVlcPlayer& p = Open(Video(), nullptr);
    EXPECT_EQ(p.VideoWidth(), 0);
    p.Play();
    Sleep(200);
    EXPECT_NEAR(p.GetPosition(), 200, kClockToleranceMs);
}

TEST_F(VlcVideoTest, ThePictureShownFollowsThePositionAndASeekShowsItsTargetAtOnce) {
    tVlcPlayer& p = Open(Video(), &window);
    p.Play();
    int checked = 0;
    for (int i = 0; i < 50; ++i) {
        Sleep(16);
        p.RefreshDisplay();
        const int position = p.GetPosition();
        if (position < 2 * kMsPerPicture)
            continue;
        // VLC times its pictures by its own clock; ours may differ from it by a picture.
        const int shown = ShownNumber(window);
        EXPECT_LE(std::abs(shown - DueNumber(position)), 1) << "at " << position << " ms";
        ++checked;
    }
    EXPECT_GT(checked, 30);

    for (int target : {2500, 1000, 3020}) {
        p.SetPosition(target);
        EXPECT_TRUE(p.IsPaused());
        EXPECT_LE(std::abs(ShownNumber(window) - DueNumber(target)), 1) << "seeking to " << target;
    }
    p.Play();
    Sleep(200);
    p.RefreshDisplay();
    EXPECT_LE(std::abs(ShownNumber(window) - DueNumber(p.GetPosition())), 1);
}

TEST_F(VlcVideoTest, PicturesAreFittedToTheDisplayKeepingTheirProportions) {
    tVlcPlayer& p = Open(Video(), &window);
    p.SetDisplayRect({10, 10, 330, 130});
    p.SetPosition(1000);
    EXPECT_EQ(window.Frame().Width(), 160);
    EXPECT_EQ(window.Frame().Height(), 120);
    EXPECT_LE(std::abs(ShownNumber(window) - DueNumber(1000)), 1);
    p.SetDisplayRect({-10, -10, -5, -5});
    p.SetPosition(1200);
    EXPECT_EQ(window.Frame().Width(), 160) << "a display moved out of sight keeps the size";
    p.Close();
    EXPECT_FALSE(window.HasFrame()) << "closing clears the window";
}

} // namespace
