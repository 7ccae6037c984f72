// The GStreamer player on files made by the tests, played in real time on a fake sink that keeps
// to the clock: the position is compared with the steady clock, and the pictures of a numbered
// video tell which one is shown.
#include "media/backends/gstreamer_player.h"
#include "media/player_catalog.h"
#include "media/video_window.h"
#include "media_fixtures.h"
#include "test_support.h"
#include "tone_frequency.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

using namespace lyrimo;
using namespace lyrimo::test;
using namespace std::chrono;

namespace {

constexpr int kMsPerPicture = 1000 / kVideoPicturesPerSecond;
// How far a position read after sleeping may stray from the steady time slept: the sleep itself
// overshoots by a scheduling slice or two on a loaded machine, and starting or pausing the
// pipeline takes a moment of its own.
constexpr int kClockToleranceMs = 40;

int DueNumber(int64_t ms) { return static_cast<int>(ms / kMsPerPicture) % kVideoNumberCycle; }

int ShownNumber(const tVideoWindow& window) {
    const Bitmap& frame = window.Frame();
    return VideoPictureNumber(frame.Pixel(frame.Width() / 2, frame.Height() / 2) & 0xFF);
}

int ElapsedMs(steady_clock::time_point since) {
    return static_cast<int>(duration_cast<milliseconds>(steady_clock::now() - since).count());
}

class GstreamerPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (player.IsAvailable())
            return;
        const char* skip = std::getenv("LYRIMO_SKIP_MISSING_ENGINES");
        if (skip && std::string(skip) == "1")
            GTEST_SKIP() << "GStreamer is missing here: " << OpenError();
        FAIL() << "GStreamer is missing here: " << OpenError();
    }

    std::string OpenError() {
        player.OpenFile(QString(), nullptr, 0);
        return player.LastError().toStdString();
    }

    static QString Folder() {
        const QString folder = ScratchFolder() + "/gstreamer";
        QDir().mkpath(folder);
        return folder;
    }
    static QString Signal(const QString& name) {
        static const tSignal signal = TestSignal(48000, 3.0);
        const QString path = Folder() + "/" + name;
        EXPECT_TRUE(WriteSignalMedia(path, signal)) << name.toStdString();
        return path;
    }
    static QString Video() {
        const QString path = Folder() + "/numbered.mp4";
        EXPECT_TRUE(WriteNumberedVideo(path));
        return path;
    }

    void Open(const QString& path, tVideoWindow* window = nullptr) {
        ASSERT_TRUE(player.OpenFile(path, window, 0)) << player.LastError().toStdString();
    }

    // Plays for ms of the steady clock and gives how far the position moved meanwhile.
    int PlayedDuring(int ms) {
        const int from = player.GetPosition();
        std::this_thread::sleep_for(milliseconds(ms));
        return player.GetPosition() - from;
    }

    tVideoWindow window; // made before the player and gone after it
    tGstreamerPlayer player;
};

TEST_F(GstreamerPlayerTest, IsIdentifierFiveAndNeutralWhileNothingIsOpen) {
    EXPECT_EQ(player.PlayerID(), player::DirectShow);
    EXPECT_TRUE(player.HandlesExtension(".AVI"));
    EXPECT_FALSE(player.HandlesExtension(".mp3")) << "the default list of the setting";
    EXPECT_FALSE(player.CanPlayCDs());
    EXPECT_FALSE(player.OpenCDTrack(1, 'D', 0, nullptr));
    EXPECT_EQ(player.TrackCount(), 0);
    player.Play();
    player.SetPosition(500);
    player.Stop();
    player.RefreshDisplay();
    player.Close();
    player.Close();
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_EQ(player.GetPosition(), 0);
}

TEST_F(GstreamerPlayerTest, OpensAtZeroNotPlayingWithTheLengthOfTheFile) {
    for (const char* name : {"signal.wav", "signal.mp3", "signal44.mp3"}) {
        SCOPED_TRACE(name);
        Open(Signal(name));
        // The MP3's length without the sound its encoder put before the music.
        EXPECT_NEAR(player.GetLength(), 3000, name == std::string("signal.wav") ? 0 : 2);
        EXPECT_EQ(player.TrackCount(), 1);
        EXPECT_TRUE(player.LastError().isEmpty());
        EXPECT_FALSE(player.IsPlaying());
        EXPECT_FALSE(player.IsPaused());
        EXPECT_EQ(PlayedDuring(150), 0) << "nothing plays before Play";
        EXPECT_EQ(player.GetPosition(), 0);
        EXPECT_EQ(player.VideoWidth(), 0);
    }
    player.Close();
    player.Close();
    EXPECT_EQ(player.TrackCount(), 0);
    EXPECT_EQ(player.GetLength(), 0);
}

TEST_F(GstreamerPlayerTest, PlaysWithTheSteadyClockPausesStandingStillAndResumes) {
    Open(Signal("signal.wav"));
    const auto start = steady_clock::now();
    player.Play();
    EXPECT_TRUE(player.IsPlaying());
    EXPECT_FALSE(player.IsPaused());
    std::this_thread::sleep_for(milliseconds(400));
    EXPECT_NEAR(player.GetPosition(), ElapsedMs(start), kClockToleranceMs);

    player.PauseResume();
    EXPECT_TRUE(player.IsPaused());
    EXPECT_TRUE(player.IsPlaying()) << "paused is still started";
    const int held = player.GetPosition();
    std::this_thread::sleep_for(milliseconds(200));
    EXPECT_EQ(player.GetPosition(), held);

    player.PauseResume();
    EXPECT_FALSE(player.IsPaused());
    const auto resumed = steady_clock::now();
    std::this_thread::sleep_for(milliseconds(300));
    EXPECT_NEAR(player.GetPosition(), held + ElapsedMs(resumed), kClockToleranceMs);
}

TEST_F(GstreamerPlayerTest, SeeksLandExactlyAndLeaveAPlayingMediumPaused) {
    for (const char* name : {"signal.wav", "signal.mp3"}) {
        SCOPED_TRACE(name);
        Open(Signal(name));
        player.SetPosition(500);
        EXPECT_FALSE(player.IsPlaying()) << "a medium not started stays so";
        EXPECT_EQ(player.GetPosition(), 500);
        player.Play();
        std::this_thread::sleep_for(milliseconds(100));
        for (int target : {2345, 17, 1234}) {
            player.SetPosition(target);
            EXPECT_TRUE(player.IsPlaying() && player.IsPaused()) << target;
            EXPECT_EQ(player.GetPosition(), target);
            EXPECT_EQ(PlayedDuring(100), 0) << "paused at " << target;
            const auto resumed = steady_clock::now();
            player.Play();
            std::this_thread::sleep_for(milliseconds(150));
            EXPECT_NEAR(player.GetPosition(), target + ElapsedMs(resumed), kClockToleranceMs) << target;
        }
        player.SetPosition(-50);
        EXPECT_EQ(player.GetPosition(), 0);
        player.SetPosition(99999);
        EXPECT_NEAR(player.GetPosition(), player.GetLength(), 30);
    }
}

TEST_F(GstreamerPlayerTest, TheRateChangesTheSpeedWithinItsRange) {
    Open(Signal("signal.wav"));
    player.Play();
    player.SetRate(2.0);
    EXPECT_EQ(player.GetRate(), 2.0);
    EXPECT_TRUE(player.IsPlaying());
    const int fast = PlayedDuring(400);
    EXPECT_NEAR(fast, 800, 2 * kClockToleranceMs);
    player.SetRate(0.5);
    EXPECT_NEAR(PlayedDuring(400), 200, kClockToleranceMs);
    player.SetRate(10);
    EXPECT_EQ(player.GetRate(), tGstreamerPlayer::kMaxRate);
    player.SetRate(0);
    player.SetRate(std::nan(""));
    EXPECT_EQ(player.GetRate(), tGstreamerPlayer::kMaxRate);
    player.SetRate(0.1);
    EXPECT_EQ(player.GetRate(), tGstreamerPlayer::kMinRate);

    player.SetPosition(1000);
    EXPECT_EQ(player.GetPosition(), 1000) << "a seek keeps the rate";
    player.Play();
    EXPECT_NEAR(PlayedDuring(300), 120, kClockToleranceMs);
    Open(Signal("signal.mp3"));
    EXPECT_EQ(player.GetRate(), 1.0) << "a new medium plays at normal speed";
}

TEST_F(GstreamerPlayerTest, TheEndOfTheMediumEndsPlayingByItself) {
    Open(OneSecondWav(Folder()));
    player.SetPosition(600);
    const auto start = steady_clock::now();
    player.Play();
    while (player.IsPlaying() && ElapsedMs(start) < 3000)
        std::this_thread::sleep_for(milliseconds(5));
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_FALSE(player.IsPaused());
    EXPECT_NEAR(ElapsedMs(start), 400, kClockToleranceMs) << "it ends when the last sound was played";
    EXPECT_EQ(player.GetPosition(), player.GetLength());
    EXPECT_EQ(player.GetLength(), 1000);

    player.Play();
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_FALSE(player.IsPlaying()) << "playing from the end ends at once";
    player.Stop();
    EXPECT_EQ(player.GetPosition(), 0);
    EXPECT_FALSE(player.IsPlaying());
    player.Play();
    EXPECT_GT(PlayedDuring(150), 100) << "it plays again after the stop";
    EXPECT_TRUE(player.IsPlaying());
}

TEST_F(GstreamerPlayerTest, TheAdjustmentForExternalPlayerTimingsAppliesOnce) {
    Open(Signal("signal.wav"));
    player.SetTimingCorrection({.AdjustWinampTimingsForWmp = true});
    EXPECT_EQ(player.GetLength(), 2588); // 3000 / 1.0037265208 - 400, truncated
    player.SetPosition(1000);            // lands on 1003 ms
    EXPECT_EQ(player.GetPosition(), 599);
    player.SetTimingCorrection({});
    EXPECT_EQ(player.GetPosition(), 1003);
}

// Random bytes under a sound file's name, a video cut short in its headers, and a file that is
// not there: each fails soon with the engine's reason, and a good file opens afterwards.
TEST_F(GstreamerPlayerTest, AFileItCannotPlayFailsSoonWithTheEnginesReason) {
    QByteArray noise(64 * 1024, Qt::Uninitialized);
    QRandomGenerator generator(7);
    for (char& byte : noise)
        byte = static_cast<char>(generator.bounded(256));
    ASSERT_TRUE(WriteFile(Folder() + "/noise.mp3", noise));
    ASSERT_TRUE(WriteFile(Folder() + "/cut.mp4", ReadFile(Video()).left(600)));
    for (const char* name : {"noise.mp3", "cut.mp4", "missing.wav"}) {
        SCOPED_TRACE(name);
        const auto start = steady_clock::now();
        EXPECT_FALSE(player.OpenFile(Folder() + "/" + name, &window, 0));
        EXPECT_LT(ElapsedMs(start), 5500);
        EXPECT_TRUE(player.LastError().startsWith("Error opening file: GStreamer: "))
            << player.LastError().toStdString();
        EXPECT_GT(player.LastError().size(), QString("Error opening file: GStreamer: ").size());
        EXPECT_EQ(player.TrackCount(), 0);
        EXPECT_EQ(player.GetPosition(), 0);
        EXPECT_FALSE(window.HasFrame());
        player.Play();
        EXPECT_FALSE(player.IsPlaying());
        player.Close();
    }
    Open(Signal("signal.wav"));
    EXPECT_TRUE(player.LastError().isEmpty());
    EXPECT_EQ(player.GetLength(), 3000);
}

// Bytes overwritten in the middle of the pictures and sound: it plays what it can or fails
// clearly, and never hangs or crashes on what it meets while playing.
TEST_F(GstreamerPlayerTest, ADamagedVideoPlaysWhatItCanOrFailsClearly) {
    QByteArray scrambled = ReadFile(Video());
    for (qsizetype i = scrambled.size() / 3; i < scrambled.size() * 2 / 3; i += 7)
        scrambled[i] = static_cast<char>(scrambled[i] ^ 0x5A);
    ASSERT_TRUE(WriteFile(Folder() + "/scrambled.mp4", scrambled));
    const auto start = steady_clock::now();
    if (!player.OpenFile(Folder() + "/scrambled.mp4", &window, 0)) {
        EXPECT_TRUE(player.LastError().startsWith("Error opening file: GStreamer: "))
            << player.LastError().toStdString();
        return;
    }
    player.SetPosition(1000);
    player.Play();
    for (int i = 0; i < 30 && player.IsPlaying(); ++i) {
        std::this_thread::sleep_for(milliseconds(20));
        player.RefreshDisplay();
    }
    player.SetPosition(2500);
    player.SetPosition(100);
    player.Close();
    EXPECT_LT(ElapsedMs(start), 8000);
}

// A process of its own (the test program run again for this test alone), so that GStreamer
// starts there with no plugins to find.
TEST(GstreamerEngineTest, WithoutItsPluginsItIsUnavailableAndSaysWhy) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const QString empty = ScratchFolder() + "/no-gstreamer-plugins";
    QDir().mkpath(empty);
    EXPECT_EXIT(
        {
            ::setenv("GST_PLUGIN_SYSTEM_PATH_1_0", qPrintable(empty), 1);
            ::setenv("GST_PLUGIN_PATH_1_0", qPrintable(empty), 1);
            ::setenv("GST_REGISTRY_1_0", qPrintable(empty + "/registry.bin"), 1);
            tGstreamerPlayer bare;
            const bool failedToOpen = !bare.OpenFile(OneSecondWav(empty), nullptr, 0);
            std::fprintf(stderr, "%s\n", qPrintable(bare.LastError()));
            std::_Exit(!bare.IsAvailable() && failedToOpen ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "Error opening file: GStreamer: .*playbin");
}

// The left channel of the sound the fake sink plays, as it plays it: the pitch element's 32-bit
// floats, which the fake sink takes as they come.
class tPlayedSound {
public:
    explicit tPlayedSound(GstElement* pipeline) {
        g_object_get(pipeline, "audio-sink", &sink_, nullptr);
        g_object_set(sink_, "signal-handoffs", TRUE, nullptr);
        g_signal_connect(sink_, "handoff", G_CALLBACK(&tPlayedSound::OnPlayed), this);
    }
    ~tPlayedSound() {
        g_signal_handlers_disconnect_by_data(sink_, this);
        gst_object_unref(sink_);
    }
    // Where the sound played so far ends.
    size_t Mark() {
        std::lock_guard lock(mutex_);
        return left_.size();
    }
    // The sound between two marks, less its first 30 ms, made before the change it follows.
    std::vector<float> Between(size_t from, size_t to) {
        std::lock_guard lock(mutex_);
        to = std::min(to, left_.size());
        from = std::min(from + static_cast<size_t>(rate_) * 30 / 1000, to);
        return {left_.begin() + static_cast<ptrdiff_t>(from), left_.begin() + static_cast<ptrdiff_t>(to)};
    }
    int Rate() {
        std::lock_guard lock(mutex_);
        return rate_;
    }

private:
    static void OnPlayed(GstElement*, GstBuffer* buffer, GstPad* pad, gpointer self) {
        auto& sound = *static_cast<tPlayedSound*>(self);
        GstCaps* caps = gst_pad_get_current_caps(pad);
        const GstStructure* format = gst_caps_get_structure(caps, 0);
        int channels = 1, rate = 0;
        gst_structure_get_int(format, "channels", &channels);
        gst_structure_get_int(format, "rate", &rate);
        EXPECT_STREQ(gst_structure_get_string(format, "format"), "F32LE");
        gst_caps_unref(caps);
        GstMapInfo map;
        if (!gst_buffer_map(buffer, &map, GST_MAP_READ))
            return;
        std::lock_guard lock(sound.mutex_);
        sound.rate_ = rate;
        for (size_t at = 0; at + sizeof(float) <= map.size;
             at += sizeof(float) * static_cast<size_t>(channels)) {
            float sample = 0;
            std::memcpy(&sample, map.data + at, sizeof sample);
            sound.left_.push_back(sample);
        }
        gst_buffer_unmap(buffer, &map);
    }

    GstElement* sink_ = nullptr;
    std::mutex mutex_;
    std::vector<float> left_;
    int rate_ = 0;
};

class GstreamerKeyTest : public GstreamerPlayerTest, public ::testing::WithParamInterface<int> {};

// A 440 Hz tone: the key set before playing is heard from the first sound, the opposite key set
// while playing at once, and slower it stays in that key. The position keeps to the steady clock.
TEST_P(GstreamerKeyTest, TheToneIsHeardInTheKeyWhileThePositionKeepsToTheClock) {
    const int key = GetParam();
    ASSERT_TRUE(player.CanChangeKey()) << "the pitch element of the soundtouch plugin is missing";
    player.SetKey(key);
    EXPECT_EQ(player.GetKey(), 0) << "nothing open";
    const QString tone = Folder() + "/tone440.wav";
    ASSERT_TRUE(WriteWav(tone, ToneSignal(440, 3.0)));
    Open(tone);
    tPlayedSound played(player.Pipeline());

    player.SetKey(key);
    EXPECT_EQ(player.GetKey(), key);
    EXPECT_EQ(player.GetPosition(), 0) << "a change of key does not move the position";
    const auto start = steady_clock::now();
    player.Play();
    std::this_thread::sleep_for(milliseconds(400));

    const size_t changed = played.Mark();
    player.SetKey(-key);
    for (int i = 0; i < 12; ++i) {
        std::this_thread::sleep_for(milliseconds(50));
        EXPECT_NEAR(player.GetPosition(), ElapsedMs(start), kClockToleranceMs) << "no jump, no drift";
    }

    const size_t slowed = played.Mark();
    player.SetRate(0.8);
    EXPECT_NEAR(PlayedDuring(500), 400, kClockToleranceMs);
    EXPECT_EQ(player.GetKey(), -key) << "the rate leaves the key";
    player.Close();

    const double up = KeyedFrequency(440, key), down = KeyedFrequency(440, -key);
    EXPECT_NEAR(ToneFrequency(played.Between(0, changed), played.Rate()), up, up / 100);
    EXPECT_NEAR(ToneFrequency(played.Between(changed, slowed), played.Rate()), down, down / 100);
    EXPECT_NEAR(ToneFrequency(played.Between(slowed, played.Mark()), played.Rate()), down, down / 100);

    Open(tone);
    EXPECT_EQ(player.GetKey(), 0) << "a medium opens in its own key";
    player.SetKey(tPlayer::kHighestKey + 5);
    EXPECT_EQ(player.GetKey(), tPlayer::kHighestKey);
}

INSTANTIATE_TEST_SUITE_P(UpAndDown, GstreamerKeyTest, ::testing::Values(3, -3));

class GstreamerVideoTest : public GstreamerPlayerTest {};

TEST_F(GstreamerVideoTest, OpensWithItsSizeAndTheFirstPictureShown) {
    Open(Video(), &window);
    EXPECT_EQ(player.VideoWidth(), 64);
    EXPECT_EQ(player.VideoHeight(), 48);
    EXPECT_NEAR(player.GetLength(), 4000, 30);
    ASSERT_TRUE(window.HasFrame());
    EXPECT_EQ(window.Frame().Format(), tPixelFormat::Bits32);
    EXPECT_EQ(window.Frame().Width(), 64);
    EXPECT_EQ(ShownNumber(window), 0);
    EXPECT_EQ(window.Frame().Row32(0)[0] >> 24, 0u) << "0x00RRGGBB";
    player.Close();
    EXPECT_FALSE(window.HasFrame()) << "closing clears the window";
}

TEST_F(GstreamerVideoTest, ASeekShowsThePictureAtTheTargetAtOnceEvenWhilePaused) {
    Open(Video(), &window);
    player.Play();
    std::this_thread::sleep_for(milliseconds(100));
    player.PauseResume();
    for (int target : {1500, 200, 2979, 40, 39, 3100}) {
        player.SetPosition(target);
        ASSERT_TRUE(window.HasFrame());
        EXPECT_EQ(ShownNumber(window), DueNumber(target)) << target;
        EXPECT_EQ(window.FrameTime() / kMsPerPicture, target / kMsPerPicture) << target;
        player.RefreshDisplay();
        EXPECT_EQ(ShownNumber(window), DueNumber(target)) << "no later picture before playing on";
    }
    player.Play();
    std::this_thread::sleep_for(milliseconds(200));
    player.Stop();
    EXPECT_EQ(ShownNumber(window), 0) << "stopping goes back to the first picture";
}

// Refreshed as the playback window does, the picture shown is always one already due and never
// more than a picture's time (and the tolerance) behind the position.
TEST_F(GstreamerVideoTest, ThePictureShownFollowsThePositionAtAnyRate) {
    Open(Video(), &window);
    player.Play();
    const auto check = [&](int ms, int picturesTime) {
        const auto start = steady_clock::now();
        while (ElapsedMs(start) < ms) {
            std::this_thread::sleep_for(milliseconds(16));
            player.RefreshDisplay();
            const int position = player.GetPosition();
            ASSERT_TRUE(window.HasFrame());
            EXPECT_EQ(ShownNumber(window), DueNumber(window.FrameTime()))
                << "the picture is the one of its time";
            EXPECT_LE(window.FrameTime(), position + 5) << "not shown before its time";
            EXPECT_LT(position - window.FrameTime(), picturesTime + kClockToleranceMs);
        }
    };
    check(600, kMsPerPicture);
    player.PauseResume();
    for (int i = 0; i < 5; ++i) {
        std::this_thread::sleep_for(milliseconds(20));
        player.RefreshDisplay();
    }
    EXPECT_EQ(ShownNumber(window), DueNumber(player.GetPosition())) << "a paused video holds the picture due";
    player.PauseResume();
    player.SetRate(2.0);
    check(500, kMsPerPicture * 2);
    EXPECT_GT(window.Counts().shown, 20);
    EXPECT_LE(window.Counts().shown + window.Counts().dropped, window.Counts().decoded);
}

TEST_F(GstreamerVideoTest, PicturesAreMadeAtTheDisplaySizeKeepingTheirProportions) {
    Open(Video(), &window);
    player.SetDisplayRect({10, 10, 330, 130});
    player.SetPosition(1000);
    EXPECT_EQ(window.Frame().Width(), 160);
    EXPECT_EQ(window.Frame().Height(), 120);
    EXPECT_EQ(ShownNumber(window), DueNumber(1000));
    player.SetDisplayRect({-10, -10, -5, -5});
    player.SetPosition(1200);
    EXPECT_EQ(window.Frame().Width(), 160) << "a display moved out of sight keeps the size";
    EXPECT_EQ(player.VideoWidth(), 64) << "the natural size stays";
}

TEST_F(GstreamerVideoTest, SoundFilesAndFilesOpenedWithoutAWindowShowNothing) {
    Open(Signal("signal.mp3"), &window);
    EXPECT_EQ(player.VideoWidth(), 0);
    player.Play();
    std::this_thread::sleep_for(milliseconds(100));
    player.RefreshDisplay();
    EXPECT_FALSE(window.HasFrame());

    Open(Video());
    EXPECT_NEAR(player.GetLength(), 4000, 30) << "the sound of a video plays alone";
    player.SetPosition(2000);
    player.Play();
    EXPECT_GT(PlayedDuring(100), 50);
    player.RefreshDisplay();
    EXPECT_FALSE(window.HasFrame());
}

TEST_F(GstreamerVideoTest, AVideoWithoutSoundPlaysOnTheClockOfItsPicturesWithOrWithoutAWindow) {
    tVideoFixture silent;
    silent.seconds = 1.2;
    silent.sound = false;
    silent.codecs = {"-c:v", "mpeg4", "-q:v", "1"};
    const QString path = Folder() + "/silent.mkv";
    ASSERT_TRUE(WriteNumberedVideo(path, silent));
    for (tVideoWindow* shownIn : {&window, static_cast<tVideoWindow*>(nullptr)}) {
        SCOPED_TRACE(shownIn ? "with a window" : "without a window");
        Open(path, shownIn);
        EXPECT_NEAR(player.GetLength(), 1200, 50);
        player.SetPosition(700);
        const auto start = steady_clock::now();
        player.Play();
        EXPECT_NEAR(PlayedDuring(200), 200, kClockToleranceMs);
        while (player.IsPlaying() && ElapsedMs(start) < 3000)
            std::this_thread::sleep_for(milliseconds(5));
        EXPECT_NEAR(ElapsedMs(start), 500, 2 * kClockToleranceMs) << "it ends with its pictures";
    }
}

} // namespace
