// The mpv player on files made by the tests. The sound goes to mpv's null output, which plays at
// real speed, so positions are checked against the steady clock.
#include "app/app_services.h"
#include "app/settings.h"
#include "media/backends/mpv_player.h"
#include "media/video_window.h"
#include "media_fixtures.h"
#include "test_support.h"
#include "tone_frequency.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

using Clock = std::chrono::steady_clock;

// mpv's null output drains at the steady clock, and each reading of the position is bracketed by
// two of the steady clock, so beyond the rounding to whole ms little may differ.
constexpr int kClockToleranceMs = 4;
constexpr int kMsPerPicture = 1000 / kVideoPicturesPerSecond;
// Putting the key's filter into the sound of a playing medium moves mpv's clock on by up to about
// 7 ms, once.
constexpr int kKeyChangeToleranceMs = 12;

int DueNumber(int64_t ms) { return int(ms / kMsPerPicture) % kVideoNumberCycle; }

int ShownNumber(const tVideoWindow& window) {
    const Bitmap& frame = window.Frame();
    return VideoPictureNumber(frame.Pixel(frame.Width() / 2, frame.Height() / 2) & 0xFF);
}

// Pictures the shown one is off the due one, either way, across the numbers' cycle.
int PicturesOff(int shown, int due) {
    const int off = std::abs(shown - due) % kVideoNumberCycle;
    return std::min(off, kVideoNumberCycle - off);
}

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

class MpvPlayerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        signal_ = TestSignal(48000, 3.0);
        QDir().mkpath(ScratchFolder() + "/mpv");
    }

    void SetUp() override {
        if (player.IsAvailable())
            return;
        player.OpenFile(OneSecondWav(ScratchFolder() + "/mpv"), nullptr, 0);
        const char* skip = std::getenv("LYRIMO_SKIP_MISSING_ENGINES");
        if (skip && std::strcmp(skip, "1") == 0)
            GTEST_SKIP() << "mpv is missing here, its tests are skipped: "
                         << player.LastError().toStdString();
        FAIL() << "mpv is not available: " << player.LastError().toStdString();
    }

    static QString Fixture(const QString& name) {
        const QString path = ScratchFolder() + "/mpv/" + name;
        if (name.startsWith("numbered"))
            EXPECT_TRUE(WriteNumberedVideo(path)) << name.toStdString();
        else
            EXPECT_TRUE(WriteSignalMedia(path, signal_)) << name.toStdString();
        return path;
    }

    void Open(const QString& name, tVideoWindow* window = nullptr) {
        ASSERT_TRUE(player.OpenFile(Fixture(name), window, 0)) << player.LastError().toStdString();
    }

    // A position with the steady clock just before and just after it was read.
    struct tReading {
        Clock::time_point before;
        int ms;
        Clock::time_point after;
    };
    tReading Read() {
        const Clock::time_point before = Clock::now();
        const int ms = player.GetPosition();
        return {before, ms, Clock::now()};
    }
    // Expects the position to have moved on from `from` by rate × the steady time between.
    static void ExpectRan(const tReading& from, const tReading& to, double rate, double fromMs = NAN,
                          double toleranceMs = kClockToleranceMs) {
        const double moved = to.ms - (std::isnan(fromMs) ? from.ms : fromMs);
        const auto ms = [](Clock::duration d) {
            return std::chrono::duration<double, std::milli>(d).count();
        };
        EXPECT_GE(moved, rate * ms(to.before - from.after) - toleranceMs);
        EXPECT_LE(moved, rate * ms(to.after - from.before) + toleranceMs);
    }

    static tSignal signal_;
    tVideoWindow window; // before the player, which lets go of it when it closes
    tMpvPlayer player;
};

tSignal MpvPlayerTest::signal_;

TEST_F(MpvPlayerTest, IsPlayerThreeWithItsOwnExtensionsAndNothingOpen) {
    EXPECT_EQ(player.PlayerID(), player::WindowsMediaPlayer);
    EXPECT_TRUE(player.HandlesExtension(".MP3"));
    EXPECT_TRUE(player.HandlesExtension(".wmv"));
    EXPECT_FALSE(player.HandlesExtension(".flac"));
    EXPECT_TRUE(player.CanChangeRate());
    EXPECT_EQ(player.TrackCount(), 0);
    EXPECT_EQ(player.GetPosition(), 0);
    EXPECT_EQ(player.GetLength(), 0);
    EXPECT_FALSE(player.IsPlaying());
    player.Play();
    player.SetPosition(500);
    EXPECT_FALSE(player.IsPlaying()) << "nothing to play";
    EXPECT_EQ(player.OverlaySurface(), nullptr);
    EXPECT_EQ(player.OverlayColorKey(), 0);
}

TEST_F(MpvPlayerTest, OpensAtZeroNotPlayingAndStandsThereUntilPlayed) {
    for (const char* name : {"signal.wav", "signal.mp3", "signal.mp4"}) {
        SCOPED_TRACE(name);
        Open(name);
        EXPECT_NEAR(player.GetLength(), 3000, std::strcmp(name, "signal.wav") == 0 ? 0 : 30);
        EXPECT_EQ(player.GetPosition(), 0);
        EXPECT_FALSE(player.IsPlaying());
        EXPECT_FALSE(player.IsPaused());
        EXPECT_EQ(player.TrackCount(), 1);
        EXPECT_EQ(player.VideoWidth(), 0);
        EXPECT_TRUE(player.LastError().isEmpty());
        Sleep(150);
        EXPECT_EQ(player.GetPosition(), 0) << "nothing plays before Play";
    }
}

TEST_F(MpvPlayerTest, ThePositionRunsWithTheSteadyClockThroughPauseAndResume) {
    Open("signal.mp3");
    player.Play();
    EXPECT_TRUE(player.IsPlaying());
    EXPECT_FALSE(player.IsPaused());
    const tReading start = Read();
    Sleep(400);
    ExpectRan(start, Read(), 1.0);

    player.PauseResume();
    EXPECT_TRUE(player.IsPlaying());
    EXPECT_TRUE(player.IsPaused());
    const int held = player.GetPosition();
    EXPECT_NEAR(held, 400, 60);
    Sleep(200);
    EXPECT_EQ(player.GetPosition(), held) << "a paused medium stands still";

    const Clock::time_point beforeResuming = Clock::now();
    player.PauseResume();
    const tReading resumed{beforeResuming, held, Clock::now()};
    EXPECT_FALSE(player.IsPaused());
    Sleep(200);
    SCOPED_TRACE("resuming goes on from where it stood");
    ExpectRan(resumed, Read(), 1.0);
}

TEST_F(MpvPlayerTest, SeeksLandExactlyAndLeaveAPlayingMediumPaused) {
    for (const char* name : {"signal.wav", "signal.mp3"}) {
        SCOPED_TRACE(name);
        Open(name);
        player.SetPosition(500);
        EXPECT_FALSE(player.IsPlaying()) << "a medium not started stays so";
        EXPECT_EQ(player.GetPosition(), 500);
        player.Play();
        for (int target : {2345, 17, 1234}) {
            Sleep(50);
            player.SetPosition(target);
            EXPECT_TRUE(player.IsPlaying() && player.IsPaused()) << target;
            EXPECT_EQ(player.GetPosition(), target);
            Sleep(50);
            EXPECT_EQ(player.GetPosition(), target) << "still paused";
            const Clock::time_point beforePlaying = Clock::now();
            player.Play();
            const tReading played{beforePlaying, target, Clock::now()};
            Sleep(150);
            SCOPED_TRACE("playing goes on from the target");
            ExpectRan(played, Read(), 1.0);
        }
        player.SetPosition(-50);
        EXPECT_EQ(player.GetPosition(), 0);
        player.SetPosition(99999);
        EXPECT_NEAR(player.GetPosition(), player.GetLength(), 30);
    }
}

// The sound already handed to the output plays at the speed it was made for, so a new rate is
// heard once that is played out; until then the position goes on at the old rate, never back.
TEST_F(MpvPlayerTest, RateChangesTheSpeedWithinItsLimits) {
    const QString longer = ScratchFolder() + "/mpv/six-seconds.wav";
    ASSERT_TRUE(WriteWav(longer, TestSignal(48000, 6.0)));
    ASSERT_TRUE(player.OpenFile(longer, nullptr, 0));
    player.Play();
    Sleep(100);
    for (double rate : {2.0, 0.5, 1.0}) {
        SCOPED_TRACE(rate);
        const double oldRate = player.GetRate();
        player.SetRate(rate);
        EXPECT_EQ(player.GetRate(), rate);
        const tReading changed = Read();
        for (int last = changed.ms; MsSince(changed.after) < 300; Sleep(10)) {
            const tReading now = Read();
            EXPECT_GE(now.ms, last) << "the position never goes back";
            const double slowest =
                std::min(rate, oldRate) *
                std::chrono::duration<double, std::milli>(now.before - changed.after).count();
            const double fastest =
                std::max(rate, oldRate) *
                std::chrono::duration<double, std::milli>(now.after - changed.before).count();
            EXPECT_GE(now.ms - changed.ms, slowest - kClockToleranceMs);
            EXPECT_LE(now.ms - changed.ms, fastest + kClockToleranceMs);
            last = now.ms;
        }
        Sleep(200); // what the output held is played out by now
        const tReading settled = Read();
        Sleep(300);
        ExpectRan(settled, Read(), rate);
    }

    player.SetRate(10);
    EXPECT_EQ(player.GetRate(), tMpvPlayer::kMaxRate);
    player.SetRate(0.1);
    EXPECT_EQ(player.GetRate(), tMpvPlayer::kMinRate);
    player.SetRate(0);
    player.SetRate(std::nan(""));
    EXPECT_EQ(player.GetRate(), tMpvPlayer::kMinRate);
    Open("signal.mp3");
    EXPECT_EQ(player.GetRate(), 1.0) << "a new medium plays at normal speed";
}

TEST_F(MpvPlayerTest, TheEndOfTheMediumEndsPlaying) {
    ASSERT_TRUE(player.OpenFile(OneSecondWav(ScratchFolder() + "/mpv"), nullptr, 0));
    EXPECT_EQ(player.GetLength(), 1000);
    player.SetPosition(700);
    player.Play();
    const Clock::time_point start = Clock::now();
    Sleep(100);
    EXPECT_TRUE(player.IsPlaying());
    while (player.IsPlaying() && MsSince(start) < 2000)
        Sleep(5);
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_FALSE(player.IsPaused());
    EXPECT_NEAR(MsSince(start), 300, 100) << "it ends when the last sound has been heard";
    EXPECT_NEAR(player.GetPosition(), 1000, 10);

    player.Play();
    Sleep(50);
    EXPECT_FALSE(player.IsPlaying()) << "playing from the end ends at once";
    player.Stop();
    EXPECT_EQ(player.GetPosition(), 0);
    EXPECT_FALSE(player.IsPlaying());
    player.Play();
    Sleep(100);
    EXPECT_TRUE(player.IsPlaying()) << "after a stop it plays from the start again";
    EXPECT_NEAR(player.GetPosition(), 100, 30);
}

TEST_F(MpvPlayerTest, TheAdjustmentForExternalPlayerTimingsIsAppliedOnce) {
    Open("signal.wav");
    player.SetTimingCorrection({.AdjustWinampTimingsForWmp = true});
    EXPECT_EQ(player.GetLength(), 2588); // 3000 / 1.0037265208 - 400, truncated
    player.SetPosition(1000);            // lands on 1003 ms
    EXPECT_EQ(player.GetPosition(), 599);
    EXPECT_NEAR(player.EngineSeconds("audio-pts"), 1.003, 0.0005);
}

TEST_F(MpvPlayerTest, DamagedAndForeignFilesAreRefusedNamingTheEngine) {
    const QString folder = ScratchFolder() + "/mpv/bad";
    QDir().mkpath(folder);
    std::mt19937 random(7);
    QByteArray noise(20000, 0);
    for (char& byte : noise)
        byte = static_cast<char>(random());
    WriteFile(folder + "/noise.mp3", noise);
    const QByteArray video = ReadFile(Fixture("signal.mp4"));
    WriteFile(folder + "/cut.mp4", video.left(video.size() / 2));
    WriteFile(folder + "/empty.wav", {});
    WriteFile(folder + "/playlist.mp3", "#EXTM3U\n#EXTINF:1,\n" + Fixture("signal.wav").toUtf8() + "\n");
    for (const QString& name : {folder + "/noise.mp3", folder + "/cut.mp4", folder + "/empty.wav",
                                folder + "/playlist.mp3", folder + "/missing.ogg", folder}) {
        SCOPED_TRACE(name.toStdString());
        // From a medium open, so that the refusal must close it and set its own reason.
        ASSERT_TRUE(player.OpenFile(Fixture("signal.wav"), nullptr, 0));
        player.Play();
        const Clock::time_point start = Clock::now();
        EXPECT_FALSE(player.OpenFile(name, nullptr, 0));
        EXPECT_LT(MsSince(start), 5500);
        EXPECT_TRUE(player.LastError().startsWith("Error opening file: mpv: "))
            << player.LastError().toStdString();
        EXPECT_GT(player.LastError().size(), QString("Error opening file: mpv: ").size());
        EXPECT_EQ(player.GetPosition(), 0);
        EXPECT_EQ(player.TrackCount(), 0);
        EXPECT_FALSE(player.IsPlaying());
    }
    Open("signal.mp3");
    player.Play();
    Sleep(100);
    EXPECT_GT(player.GetPosition(), 50) << "a good file plays after the refusals";
}

TEST_F(MpvPlayerTest, ClosingIsSafeAtAnyTime) {
    player.Close();
    Open("signal.mp3");
    player.Play();
    Sleep(50);
    player.Close();
    player.Close();
    EXPECT_EQ(player.GetPosition(), 0);
    EXPECT_EQ(player.GetLength(), 0);
    EXPECT_FALSE(player.IsPlaying());
    Open("numbered.mp4", &window);
    player.Play();
    Sleep(50);
    player.Close();
    EXPECT_FALSE(window.HasFrame()) << "closing takes the picture away";
    EXPECT_FALSE(player.OpenFile(ScratchFolder() + "/mpv/none.mp3", nullptr, 0));
    player.Close();
}

TEST_F(MpvPlayerTest, ACdTrackWithoutADriveIsRefused) {
    const tSettingsHooks saved = SettingsHooks();
    SettingsHooks().cdDevices = [] { return QStringList(); };
    EXPECT_FALSE(player.OpenCDTrack(1, 'A', 0, nullptr));
    EXPECT_TRUE(player.LastError().startsWith("Error opening CD audio: mpv: "))
        << player.LastError().toStdString();
    EXPECT_FALSE(player.IsPlaying());
    SettingsHooks() = saved;
}

// The left channel of the 16-bit WAV file a player wrote the sound into, and its sample rate.
std::vector<float> ReadWavLeft(const QString& path, int& rate) {
    const QByteArray file = ReadFile(path);
    const auto number = [&file](qsizetype at) { return qFromLittleEndian<quint32>(file.constData() + at); };
    std::vector<float> left;
    int channels = 0;
    for (qsizetype at = 12; at + 8 <= file.size(); at += 8 + number(at + 4)) {
        if (file.mid(at, 4) == "fmt ") {
            channels = qFromLittleEndian<quint16>(file.constData() + at + 10);
            rate = int(number(at + 12));
        } else if (file.mid(at, 4) == "data" && channels > 0) {
            for (qsizetype i = at + 8; i + 2 * channels <= file.size(); i += 2 * channels)
                left.push_back(qFromLittleEndian<qint16>(file.constData() + i) / 32768.f);
            break;
        }
    }
    return left;
}

class MpvKeyTest : public MpvPlayerTest, public ::testing::WithParamInterface<int> {
protected:
    static QString Tone() {
        const QString path = ScratchFolder() + "/mpv/tone440.wav";
        EXPECT_TRUE(WriteWav(path, ToneSignal(440, 3.0)));
        return path;
    }
    // The left channel of the sound that a player writing into `wav` makes of the medium that
    // `prepare` opens, played to its end as fast as mpv makes it.
    template <class tPrepare>
    static std::vector<float> Recorded(const QString& wav, int& rate, tPrepare prepare) {
        {
            tMpvPlayer recorder;
            recorder.WriteSoundTo(wav);
            prepare(recorder);
            recorder.Play();
            // The end counts once a position read has reached it.
            for (const Clock::time_point start = Clock::now(); recorder.IsPlaying() && MsSince(start) < 10000;
                 Sleep(5))
                recorder.GetPosition();
        } // the file is complete once the core has gone
        return ReadWavLeft(wav, rate);
    }
    // Half a second of the sound from `fromSeconds` on.
    static std::vector<float> Stretch(const std::vector<float>& sound, int rate, double fromSeconds) {
        const auto from = sound.begin() + ptrdiff_t(fromSeconds * rate);
        return {from, from + rate / 2};
    }
};

// A 440 Hz tone. Written into a file: in a key and slower it sounds in that key from its first
// sound to its last, and a medium opened after a key change sounds in its own. Played in real
// time: the key changed while playing, and changed again, leaves the position to the steady clock,
// and the medium still ends at its length.
TEST_P(MpvKeyTest, TheToneSoundsInTheKeyWhileThePositionKeepsToTheClock) {
    const int key = GetParam();
    ASSERT_TRUE(player.CanChangeKey()) << "mpv has no rubberband filter here";
    int rate = 0;
    const std::vector<float> keyed =
        Recorded(ScratchFolder() + "/mpv/keyed.wav", rate, [&](tMpvPlayer& recorder) {
            ASSERT_TRUE(recorder.OpenFile(Tone(), nullptr, 0)) << recorder.LastError().toStdString();
            recorder.SetRate(0.8);
            recorder.SetKey(key);
            EXPECT_EQ(recorder.GetKey(), key);
            EXPECT_EQ(recorder.GetPosition(), 0) << "a change of key does not move the position";
        });
    ASSERT_GT(rate, 0);
    // 3.75 s at 0.8, less the few hundredths that Rubber Band keeps at the end.
    ASSERT_GT(keyed.size(), size_t(rate) * 36 / 10) << "slower";
    const double wanted = KeyedFrequency(440, key);
    EXPECT_NEAR(ToneFrequency(Stretch(keyed, rate, 0.02), rate), wanted, wanted / 100)
        << "from the first sound";
    EXPECT_NEAR(ToneFrequency(Stretch(keyed, rate, 3.0), rate), wanted, wanted / 100) << "to the last";

    const std::vector<float> own =
        Recorded(ScratchFolder() + "/mpv/own.wav", rate, [&](tMpvPlayer& recorder) {
            ASSERT_TRUE(recorder.OpenFile(Tone(), nullptr, 0));
            recorder.SetKey(key);
            ASSERT_TRUE(recorder.OpenFile(Tone(), nullptr, 0));
            EXPECT_EQ(recorder.GetKey(), 0);
        });
    ASSERT_GT(own.size(), size_t(rate) * 2);
    EXPECT_NEAR(ToneFrequency(Stretch(own, rate, 1.0), rate), 440, 4.4) << "a new medium in its own key";

    ASSERT_TRUE(player.OpenFile(Tone(), nullptr, 0));
    player.Play();
    Sleep(200);
    const tReading start = Read();
    for (int change : {key, -key}) {
        SCOPED_TRACE(change);
        player.SetKey(change);
        EXPECT_EQ(player.GetKey(), change);
        for (int i = 0; i < 6; ++i) {
            Sleep(50);
            ExpectRan(start, Read(), 1.0, NAN, kKeyChangeToleranceMs);
        }
    }
    player.SetPosition(2800);
    const Clock::time_point resumed = Clock::now();
    player.Play();
    while (player.IsPlaying() && MsSince(resumed) < 5000)
        Sleep(5);
    // 200 ms of sound are left; a loaded machine may take longer to say so, but it must end.
    EXPECT_FALSE(player.IsPlaying()) << "in a key it ends when the last sound is heard";
    EXPECT_LT(MsSince(resumed), 1500);
    EXPECT_EQ(player.GetPosition(), player.GetLength()) << "and at its length";
    player.SetKey(tPlayer::kLowestKey - 5);
    EXPECT_EQ(player.GetKey(), tPlayer::kLowestKey);
}

INSTANTIATE_TEST_SUITE_P(UpAndDown, MpvKeyTest, ::testing::Values(3, -3));

// Video: pictures whose brightness tells their number.
class MpvVideoTest : public MpvPlayerTest {
protected:
    // Refreshes as the playback window does before each of its frames, for ms, checking that the
    // picture shown is the one due at the position then. One picture off is let pass: the one
    // before, for the moment between a picture falling due and the next refresh, and the one
    // after, which mpv shows a little early when playback starts, while its sound starts up.
    void PlayAndCheck(int ms, int picturesOff = 1) {
        int exact = 0, refreshes = 0;
        const Clock::time_point start = Clock::now();
        while (MsSince(start) < ms) {
            player.RefreshDisplay();
            const int position = player.GetPosition();
            const int due = DueNumber(position);
            const int shown = ShownNumber(window);
            ASSERT_LE(PicturesOff(shown, due), picturesOff)
                << "at " << position << " ms picture " << shown << " is shown, " << due << " is due";
            exact += shown == due;
            ++refreshes;
            Sleep(8);
        }
        EXPECT_GE(exact, refreshes * 3 / 4) << "the due picture comes when it is due";
    }

    // Refreshes without checking: mpv hands over its pictures only as they are taken.
    void RefreshFor(int ms) {
        for (const Clock::time_point start = Clock::now(); MsSince(start) < ms; Sleep(8))
            player.RefreshDisplay();
    }
};

TEST_F(MpvVideoTest, OpensWithItsSizeAndShowsTheFirstPictureAtOnce) {
    Open("numbered.mp4", &window);
    EXPECT_EQ(player.VideoWidth(), 64);
    EXPECT_EQ(player.VideoHeight(), 48);
    EXPECT_NEAR(player.GetLength(), 4000, 30);
    ASSERT_TRUE(window.HasFrame());
    EXPECT_EQ(ShownNumber(window), 0);
    EXPECT_EQ(window.Frame().Format(), tPixelFormat::Bits32);
    EXPECT_EQ(window.Frame().Width(), 64);
    EXPECT_EQ(window.Frame().Row32(10)[10] >> 24, 0u) << "the unused byte of a pixel is clear";

    tVideoWindow unused;
    tMpvPlayer soundOnly;
    ASSERT_TRUE(soundOnly.OpenFile(Fixture("numbered.mp4"), nullptr, 0));
    EXPECT_EQ(soundOnly.VideoWidth(), 64) << "the size is known without a window too";
    ASSERT_TRUE(soundOnly.OpenFile(Fixture("signal.mp3"), &unused, 0));
    EXPECT_EQ(soundOnly.VideoWidth(), 0);
    soundOnly.RefreshDisplay();
    EXPECT_FALSE(unused.HasFrame()) << "sound has no pictures";
}

TEST_F(MpvVideoTest, ThePictureShownFollowsThePositionThroughPlayPauseAndRate) {
    Open("numbered.mp4", &window);
    player.Play();
    PlayAndCheck(800);

    player.PauseResume();
    Sleep(100);
    player.RefreshDisplay();
    const int held = ShownNumber(window);
    EXPECT_LE(PicturesOff(DueNumber(player.GetPosition()), held), 1);
    Sleep(200);
    player.RefreshDisplay();
    EXPECT_EQ(ShownNumber(window), held) << "a paused video holds its picture";
    player.PauseResume();
    PlayAndCheck(300);

    // The pictures follow the sound, which takes up a new rate once the output has played out what
    // it holds.
    // At double speed a picture lasts about two refreshes: one more may pass between them.
    player.SetRate(2.0);
    RefreshFor(600);
    PlayAndCheck(600, 2);
}

TEST_F(MpvVideoTest, ASeekShowsThePictureThereAtOnceEvenWhilePaused) {
    Open("numbered.mp4", &window);
    player.Play();
    Sleep(100);
    player.PauseResume();
    for (int target : {1500, 200, 2979, 40, 39, 3100}) {
        SCOPED_TRACE(target);
        player.SetPosition(target);
        // A seek in a video lands on the first picture that starts at or after the target.
        const int landed = player.GetPosition();
        EXPECT_GE(landed, target);
        EXPECT_LT(landed, target + kMsPerPicture);
        EXPECT_EQ(ShownNumber(window), DueNumber(landed));
        Sleep(60);
        player.RefreshDisplay();
        EXPECT_EQ(ShownNumber(window), DueNumber(landed)) << "no later picture before playing on";
    }
    player.Play();
    PlayAndCheck(300);
    player.Stop();
    EXPECT_EQ(ShownNumber(window), 0) << "stopping goes back to the first picture";
}

TEST_F(MpvVideoTest, AVideoWithoutSoundRunsOnItsPicturesSmoothly) {
    tVideoFixture silent;
    silent.seconds = 2.0;
    silent.sound = false;
    silent.codecs = {"-c:v", "mpeg4", "-q:v", "1"};
    const QString path = ScratchFolder() + "/mpv/silent.mkv";
    ASSERT_TRUE(WriteNumberedVideo(path, silent));
    ASSERT_TRUE(player.OpenFile(path, &window, 0)) << player.LastError().toStdString();
    EXPECT_NEAR(player.GetLength(), 2000, 50);
    player.Play();
    RefreshFor(200);
    // Between pictures the position runs on with the steady clock, not a picture at a time.
    int steps = 0, last = player.GetPosition();
    const Clock::time_point start = Clock::now();
    while (MsSince(start) < 400) {
        Sleep(5);
        player.RefreshDisplay();
        const int position = player.GetPosition();
        EXPECT_GE(position, last);
        EXPECT_LE(PicturesOff(ShownNumber(window), DueNumber(position)), 1) << position;
        steps += position != last;
        last = position;
    }
    EXPECT_GT(steps, 40) << "the position moves between pictures";
    EXPECT_NEAR(last, 600, 60);
    for (const Clock::time_point end = Clock::now(); player.IsPlaying() && MsSince(end) < 3000;)
        RefreshFor(20);
    EXPECT_FALSE(player.IsPlaying()) << "it ends with its pictures";
    EXPECT_NEAR(player.GetPosition(), 2000, 60);
}

TEST_F(MpvVideoTest, PicturesAreMadeAtTheDisplaySizeKeepingTheirProportions) {
    Open("numbered.mp4", &window);
    player.SetDisplayRect({10, 10, 330, 130});
    EXPECT_EQ(window.Frame().Width(), 160);
    EXPECT_EQ(window.Frame().Height(), 120);
    player.SetPosition(1000);
    EXPECT_EQ(window.Frame().Width(), 160);
    EXPECT_EQ(ShownNumber(window), DueNumber(1000));
    player.SetDisplayRect({-10, -10, -5, -5});
    player.SetPosition(1200);
    EXPECT_EQ(window.Frame().Width(), 160) << "a display moved out of sight keeps the size";
}

} // namespace
