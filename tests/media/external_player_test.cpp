// The external player against the fake MPRIS player (fake_mpris_player.cpp), on a session bus
// of the test's own. The fake publishes its exact clock, which the positions are checked against.
#include "app/app_services.h"
#include "media/backends/external_player.h"
#include "media_fixtures.h"
#include "test_support.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

using namespace lyrimo;
using namespace lyrimo::test;
using namespace std::chrono_literals;

namespace {

using tClock = std::chrono::steady_clock;

const QString kFakeProgram = LYRIMO_FAKE_MPRIS_PLAYER;
const QString kPrefix = "org.mpris.MediaPlayer2.";

// Events processed while waiting, as the program's own event loop would.
void Pump(std::chrono::milliseconds time) {
    const auto end = tClock::now() + time;
    while (tClock::now() < end) {
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto end = tClock::now() + timeout;
    while (!done()) {
        if (tClock::now() > end)
            return false;
        Pump(5ms);
    }
    return true;
}

double MsSince(tClock::time_point start) {
    return std::chrono::duration<double, std::milli>(tClock::now() - start).count();
}

QStringList MprisNames() {
    QStringList names;
    for (const QString& name : QDBusConnection::sessionBus().interface()->registeredServiceNames().value())
        if (name.startsWith(kPrefix))
            names << name;
    return names;
}

// A fake player started by the test.
class tFake {
public:
    tFake(const QString& name, const QStringList& options = {}) : name_(name) {
        process_.start(kFakeProgram, QStringList{"--name", name} + options);
        started_ = process_.waitForStarted(5000) &&
                   WaitUntil([&] { return MprisNames().contains(kPrefix + name); }, 5000ms);
    }
    ~tFake() { Kill(); }

    bool Started() const { return started_; }
    void Kill() {
        process_.kill();
        process_.waitForFinished(3000);
        // The next fake of the name can only take it once the bus has let it go.
        WaitUntil([&] { return !MprisNames().contains(kPrefix + name_); }, 3000ms);
    }

    QVariantList Control(const QString& method, const QVariantList& arguments = {}) const {
        return Call(name_, "org.lyrimo.FakePlayer", method, arguments);
    }
    QVariant Property(const QString& property) const {
        const QVariantList reply = Call(name_, "org.freedesktop.DBus.Properties", "Get",
                                        {"org.mpris.MediaPlayer2.Player", property});
        return reply.isEmpty() ? QVariant() : reply.first().value<QDBusVariant>().variant();
    }

    // The fake's exact position now, in ms.
    double TrueMs() const {
        const QVariantList reply = Control("TrueClock");
        const QVariantList clock = reply.isEmpty() ? reply : qdbus_cast<QVariantList>(reply.first());
        if (clock.size() != 4)
            return -1;
        const double anchorMs = clock[1].toLongLong() / 1000.0;
        if (!clock[3].toBool())
            return anchorMs;
        const double nowNs =
            std::chrono::duration<double, std::nano>(tClock::now().time_since_epoch()).count();
        return anchorMs + (nowNs - clock[0].toLongLong()) / 1e6 * clock[2].toDouble();
    }

    static QVariantList Call(const QString& name, const QString& interface, const QString& method,
                             const QVariantList& arguments) {
        QDBusMessage message =
            QDBusMessage::createMethodCall(kPrefix + name, "/org/mpris/MediaPlayer2", interface, method);
        message.setArguments(arguments);
        return QDBusConnection::sessionBus().call(message, QDBus::Block, 2000).arguments();
    }

private:
    QString name_;
    QProcess process_;
    bool started_ = false;
};

// A WAV header over `seconds` of 1000 bytes a second (8 kHz 8-bit would be 8000): the fake
// reads the length from it, so long media cost little to write.
QByteArray SparseWav(int seconds) {
    const uint32_t dataBytes = static_cast<uint32_t>(seconds) * 1000;
    QByteArray bytes;
    auto le32 = [&](uint32_t v) { bytes.append(reinterpret_cast<const char*>(&v), 4); };
    auto le16 = [&](uint16_t v) { bytes.append(reinterpret_cast<const char*>(&v), 2); };
    bytes += "RIFF";
    le32(36 + dataBytes);
    bytes += "WAVEfmt ";
    le32(16);
    le16(1);
    le16(1);
    le32(1000);
    le32(1000);
    le16(1);
    le16(8);
    bytes += "data";
    le32(dataBytes);
    bytes += QByteArray(static_cast<qsizetype>(dataBytes), '\x80');
    return bytes;
}

// Another program's clock read now and then as the backend reads it: unevenly spaced requests,
// each answered 1 ms later with the value the clock showed halfway.
struct tSimulatedClock {
    double rate = 1.0;
    double stepMs = 250; // 0: a fine clock
    double startMs = 0;  // the position at time 0
    double jumpAt = -1, jumpBy = 0;

    double TrueAt(double t) const { return startMs + t * rate + (jumpAt >= 0 && t >= jumpAt ? jumpBy : 0); }
    double Shown(double t) const {
        const double position = TrueAt(t);
        return stepMs > 0 ? std::floor(position / stepMs) * stepMs : position;
    }
    // The worst error of the fit over readings in [from, until] ms.
    double WorstError(tSteppedClockFit& fit, double from, double until) const {
        fit.Reset(rate);
        double worst = 0;
        double t = 0;
        for (int k = 1; t < until; ++k) {
            fit.Observe(Shown(t + 0.5), t, t + 1);
            if (t >= from) {
                const std::optional<double> fitted = fit.PositionAt(t + 1);
                worst = std::max(worst, fitted ? std::abs(*fitted - TrueAt(t + 1)) : 1e9);
            }
            t += 100 + 80 * std::fmod(k * 0.6180339887, 1.0);
        }
        return worst;
    }
};

TEST(SteppedClockFit, FindsASteppingClockFromItsReadingsAlone) {
    tSteppedClockFit fit;
    fit.Reset(1.0);
    fit.Observe(1000, 0, 1);
    EXPECT_FALSE(fit.PositionAt(1)) << "one reading bounds the clock from below only";
    EXPECT_LT((tSimulatedClock{.startMs = 1234.5}.WorstError(fit, 2000, 6000)), 8.0);
    EXPECT_FALSE(fit.Fine());
    // The readings bracket moments of the steady clock; a faster track makes the same
    // uncertainty in time more media time.
    EXPECT_LT((tSimulatedClock{.rate = 2.0, .startMs = 777}.WorstError(fit, 2000, 6000)), 2 * 8.0);
    EXPECT_LT((tSimulatedClock{.rate = 0.5, .startMs = 50}.WorstError(fit, 4000, 9000)), 8.0);
}

TEST(SteppedClockFit, TakesAFineClockAtItsWord) {
    tSteppedClockFit fit;
    EXPECT_LT((tSimulatedClock{.stepMs = 0, .startMs = 5000}.WorstError(fit, 1500, 4000)), 1.0);
    EXPECT_TRUE(fit.Fine());
}

TEST(SteppedClockFit, FollowsAClockThatJumped) {
    tSteppedClockFit fit;
    const tSimulatedClock clock{.startMs = 0, .jumpAt = 3000, .jumpBy = 5000};
    EXPECT_LT(clock.WorstError(fit, 5000, 8000), 8.0);
    const tSimulatedClock back{.startMs = 20000, .jumpAt = 2500, .jumpBy = -15000};
    EXPECT_LT(back.WorstError(fit, 4500, 8000), 8.0);
}

TEST(SteppedClockFit, ASeedBoundsTheClockAtOnce) {
    tSteppedClockFit fit;
    fit.Reset(1.0);
    fit.Seed(2000, 100, 101);
    ASSERT_TRUE(fit.PositionAt(600));
    EXPECT_NEAR(*fit.PositionAt(600), 2499.5, 0.6);
    fit.Observe(2250, 400, 401); // the step to 2250 came 49.5 ms earlier
    EXPECT_NEAR(*fit.PositionAt(600), 2499.5, 0.6);
}

class ExternalPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariable("LYRIMO_PRIVATE_SESSION_BUS") != "1") {
            if (qEnvironmentVariable("LYRIMO_SKIP_MISSING_ENGINES") == "1")
                GTEST_SKIP() << "dbus-daemon is missing: no private session bus for the MPRIS player";
            FAIL() << "dbus-daemon is missing: no private session bus for the MPRIS player";
        }
        ASSERT_TRUE(QFile::exists(kFakeProgram)) << "the fake MPRIS player is missing";
        Settings().WinampEXE = "/usr/bin/lyrimo-fake";
        QDir().mkpath(Folder());
        correction.TweakWinampTimings = false;
    }

    static QString Folder() { return ScratchFolder() + "/mpris"; }

    static QString Wav(const QString& name, double seconds) {
        const QString path = Folder() + "/" + name;
        if (!QFile::exists(path)) {
            EXPECT_TRUE(WriteWav(path, TestSignal(8000, seconds)));
        }
        return path;
    }

    // The player driving a fake named "lyrimo-fake", with a file open.
    tFake& OpenOnFake(double seconds = 3.0, const QStringList& options = {}) {
        fake = std::make_unique<tFake>("lyrimo-fake", options);
        EXPECT_TRUE(fake->Started());
        player.SetTimingCorrection(correction);
        EXPECT_TRUE(player.OpenFile(Wav(QString("signal%1.wav").arg(seconds), seconds), nullptr, 0))
            << player.LastError().toStdString();
        return *fake;
    }

    // The largest difference between the reported and the true position while playing for
    // `time`, read at 60 Hz as the playback window does, after a settling time.
    double WorstError(std::chrono::milliseconds time, std::chrono::milliseconds settle = 400ms) {
        for (const auto settled = tClock::now() + settle; tClock::now() < settled; Pump(16ms))
            player.GetPosition();
        double worst = 0;
        const auto end = tClock::now() + time;
        while (tClock::now() < end) {
            const double truth = fake->TrueMs();
            worst = std::max(worst, std::abs(player.GetPosition() - truth));
            Pump(16ms);
        }
        return worst;
    }

    tTimingCorrection correction;
    std::unique_ptr<tFake> fake;
    tExternalPlayer player;
};

TEST_F(ExternalPlayerTest, TheProgramIsTheSettingOrAudaciousInsteadOfAForeignPath) {
    Settings().WinampEXE = "";
    EXPECT_EQ(tExternalPlayer::Program(), "audacious");
    Settings().WinampEXE = "C:\\Program Files\\Winamp\\winamp.exe";
    EXPECT_EQ(tExternalPlayer::Program(), "audacious");
    Settings().WinampEXE = "/usr/bin/vlc";
    EXPECT_EQ(tExternalPlayer::Program(), "/usr/bin/vlc");
    EXPECT_EQ(player.PlayerID(), player::External);
    EXPECT_TRUE(player.HandlesExtension(".WAV"));
}

TEST_F(ExternalPlayerTest, StartsTheProgramWhenNoPlayerIsOnTheBusAndFindsItAfterwards) {
    ASSERT_TRUE(MprisNames().isEmpty());
    Settings().WinampEXE = kFakeProgram;
    const auto start = tClock::now();
    ASSERT_TRUE(player.IsAvailable());
    EXPECT_LT(MsSince(start), 5000);
    EXPECT_EQ(player.Service(), kPrefix + "fake_mpris_player");
    const auto again = tClock::now();
    EXPECT_TRUE(player.IsAvailable());
    EXPECT_LT(MsSince(again), 100) << "a player on the bus is taken at once";
    EXPECT_EQ(MprisNames().size(), 1) << "no second player was started";
    EXPECT_TRUE(player.OpenFile(Wav("started.wav", 1.0), nullptr, 0)) << player.LastError().toStdString();
    player.Close();
    tFake::Call("fake_mpris_player", "org.mpris.MediaPlayer2", "Quit", {});
    EXPECT_TRUE(WaitUntil([] { return MprisNames().isEmpty(); }, 3000ms));
}

TEST_F(ExternalPlayerTest, AProgramThatCannotStartIsUnavailableAtOnce) {
    Settings().WinampEXE = "/nonexistent/player";
    const auto start = tClock::now();
    EXPECT_FALSE(player.IsAvailable());
    EXPECT_FALSE(player.IsAvailable());
    EXPECT_FALSE(player.OpenFile(Wav("none.wav", 1.0), nullptr, 0));
    EXPECT_LT(MsSince(start), 1000);
    EXPECT_TRUE(player.LastError().startsWith("Error opening file: External player (MPRIS): "))
        << player.LastError().toStdString();
}

TEST_F(ExternalPlayerTest, PrefersThePlayerNamedLikeTheProgramElseTakesAnother) {
    tFake alpha("alpha"), beta("beta");
    ASSERT_TRUE(alpha.Started() && beta.Started());
    Settings().WinampEXE = "/opt/beta/bin/beta";
    ASSERT_TRUE(player.IsAvailable());
    EXPECT_EQ(player.Service(), kPrefix + "beta");
    Settings().WinampEXE = "/usr/bin/alpha";
    ASSERT_TRUE(player.IsAvailable());
    EXPECT_EQ(player.Service(), kPrefix + "alpha");
    Settings().WinampEXE = "/usr/bin/gamma";
    ASSERT_TRUE(player.IsAvailable());
    EXPECT_TRUE(player.Service() == kPrefix + "alpha" || player.Service() == kPrefix + "beta");
    EXPECT_EQ(MprisNames().size(), 2);
}

TEST_F(ExternalPlayerTest, OpensAtZeroNotPlayingWithTheLengthAndTheSoundMutedMeanwhile) {
    tFake& f = OpenOnFake(3.0);
    EXPECT_EQ(player.GetLength(), 3000);
    EXPECT_EQ(player.GetPosition(), 0);
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_FALSE(player.IsPaused());
    EXPECT_EQ(player.TrackCount(), 99);
    EXPECT_TRUE(player.LastError().isEmpty());
    EXPECT_EQ(f.Property("PlaybackStatus").toString(), "Paused");
    EXPECT_EQ(f.TrueMs(), 0);
    EXPECT_EQ(f.Control("VolumeAtOpen").value(0).toDouble(), 0.0) << "the file started muted";
    EXPECT_EQ(f.Property("Volume").toDouble(), 1.0) << "and the volume came back";
    Pump(300ms);
    EXPECT_EQ(player.GetPosition(), 0);
}

TEST_F(ExternalPlayerTest, PlayFollowsThePlayersTrueClock) {
    tFake& f = OpenOnFake(3.0);
    player.Play();
    EXPECT_TRUE(player.IsPlaying());
    EXPECT_FALSE(player.IsPaused());
    EXPECT_EQ(f.Property("PlaybackStatus").toString(), "Playing");
    // The player reports in 250 ms steps; the fitted clock is within a few ms of the truth once
    // a few steps were seen. 40 ms leaves room for a loaded machine's scheduling.
    EXPECT_LT(WorstError(1500ms), 40.0);
    EXPECT_TRUE(player.IsPlaying());
}

TEST_F(ExternalPlayerTest, PauseStandsStillAndResumingGoesOnFromThere) {
    tFake& f = OpenOnFake(3.0);
    player.Play();
    Pump(600ms);
    player.PauseResume();
    EXPECT_TRUE(player.IsPaused());
    EXPECT_TRUE(player.IsPlaying());
    const int held = player.GetPosition();
    EXPECT_NEAR(held, f.TrueMs(), 40);
    Pump(300ms);
    EXPECT_EQ(player.GetPosition(), held);
    EXPECT_EQ(f.Property("PlaybackStatus").toString(), "Paused");
    player.PauseResume();
    EXPECT_FALSE(player.IsPaused());
    const auto resumed = tClock::now();
    Pump(400ms);
    EXPECT_NEAR(player.GetPosition(), held + MsSince(resumed), 40);
    EXPECT_NEAR(player.GetPosition(), f.TrueMs(), 40);
}

TEST_F(ExternalPlayerTest, SeekGoesExactlyThereAndLeavesAPlayingTrackPaused) {
    tFake& f = OpenOnFake(3.0);
    player.SetPosition(1234);
    EXPECT_EQ(player.GetPosition(), 1234);
    EXPECT_FALSE(player.IsPlaying()) << "a track not started stays so";
    EXPECT_EQ(f.TrueMs(), 1234);
    Pump(100ms);
    EXPECT_EQ(player.GetPosition(), 1234) << "the player's signals of this and earlier seeks change nothing";
    player.Play();
    Pump(300ms);
    EXPECT_NEAR(player.GetPosition(), f.TrueMs(), 40);
    player.SetPosition(2000);
    EXPECT_TRUE(player.IsPaused());
    EXPECT_EQ(f.TrueMs(), 2000);
    Pump(200ms);
    EXPECT_EQ(player.GetPosition(), 2000);
    player.Play();
    EXPECT_LT(WorstError(500ms, 200ms), 40.0);
    player.SetPosition(-50);
    EXPECT_EQ(f.TrueMs(), 0);
    EXPECT_EQ(player.GetPosition(), 0);
}

TEST_F(ExternalPlayerTest, TheTweakSeeksScaledAndReportsTheRequestedPosition) {
    fake = std::make_unique<tFake>("lyrimo-fake");
    const QString path = Folder() + "/long.wav";
    ASSERT_TRUE(WriteFile(path, SparseWav(70)));
    correction.TweakWinampTimings = true;
    // The other players' correction for songs timed with this one: never applied here.
    correction.AdjustWinampTimingsForWmp = true;
    player.SetTimingCorrection(correction);
    ASSERT_TRUE(player.OpenFile(path, nullptr, 0)) << player.LastError().toStdString();
    EXPECT_EQ(player.GetLength(), 70000);
    player.SetPosition(60000);
    EXPECT_EQ(fake->TrueMs(), 60224);
    EXPECT_EQ(player.GetPosition(), 60000);
    correction.TweakWinampTimings = false;
    player.SetTimingCorrection(correction);
    player.SetPosition(1000);
    EXPECT_EQ(fake->TrueMs(), 1000);
    EXPECT_EQ(player.GetPosition(), 1000);
}

TEST_F(ExternalPlayerTest, RateRunsTheTrackFasterWithinWhatThePlayerAllows) {
    tFake& f = OpenOnFake(4.0);
    ASSERT_TRUE(player.CanChangeRate());
    player.SetRate(2.0);
    EXPECT_EQ(player.GetRate(), 2.0);
    EXPECT_EQ(f.Property("Rate").toDouble(), 2.0);
    player.Play();
    Pump(300ms);
    const int from = player.GetPosition();
    const auto start = tClock::now();
    Pump(500ms);
    EXPECT_NEAR(player.GetPosition() - from, 2.0 * MsSince(start), 50);
    EXPECT_NEAR(player.GetPosition(), f.TrueMs(), 40);
    player.SetRate(10.0);
    EXPECT_EQ(player.GetRate(), 4.0) << "the player's maximum";
    EXPECT_EQ(f.Property("Rate").toDouble(), 4.0);
}

TEST_F(ExternalPlayerTest, APlayerAtNormalSpeedOnlyCannotChangeRate) {
    tFake& f = OpenOnFake(3.0, {"--fixed-rate"});
    EXPECT_FALSE(player.CanChangeRate());
    player.SetRate(2.0);
    EXPECT_EQ(player.GetRate(), 1.0);
    EXPECT_EQ(f.Property("Rate").toDouble(), 1.0);
}

TEST_F(ExternalPlayerTest, TheEndOfTheTrackEndsPlayingByItself) {
    tFake& f = OpenOnFake(1.0);
    player.Play();
    const auto start = tClock::now();
    ASSERT_TRUE(WaitUntil([&] { return !player.IsPlaying(); }, 2500ms));
    EXPECT_GT(MsSince(start), 950);
    EXPECT_LT(MsSince(start), 1400);
    EXPECT_GE(player.GetPosition(), 900);
    EXPECT_LE(player.GetPosition(), 1000);
    EXPECT_EQ(f.Property("PlaybackStatus").toString(), "Stopped");
    player.Play();
    EXPECT_TRUE(player.IsPlaying()) << "an ended track plays again from its start";
    Pump(200ms);
    EXPECT_NEAR(player.GetPosition(), f.TrueMs(), 40);
    EXPECT_LT(player.GetPosition(), 400);
}

TEST_F(ExternalPlayerTest, StopGoesBackToTheStart) {
    tFake& f = OpenOnFake(3.0);
    player.Play();
    Pump(400ms);
    player.Stop();
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_EQ(player.GetPosition(), 0);
    EXPECT_EQ(f.TrueMs(), 0);
    player.Play();
    Pump(300ms);
    EXPECT_NEAR(player.GetPosition(), f.TrueMs(), 40);
}

TEST_F(ExternalPlayerTest, FilesThePlayerRefusesFailNamingTheEngineAndAGoodOneOpensAfter) {
    fake = std::make_unique<tFake>("lyrimo-fake");
    ASSERT_TRUE(fake->Started());
    QByteArray noise(4096, '\0');
    for (char& byte : noise)
        byte = static_cast<char>(QRandomGenerator::global()->bounded(256));
    const QString random = Folder() + "/random.mp3";
    ASSERT_TRUE(WriteFile(random, noise));
    const QString truncated = Folder() + "/truncated.wav";
    ASSERT_TRUE(WriteFile(truncated, ReadFile(Wav("whole.wav", 1.0)).left(30)));
    for (const QString& bad : {random, truncated, Folder() + "/missing.wav"}) {
        const auto start = tClock::now();
        EXPECT_FALSE(player.OpenFile(bad, nullptr, 0));
        EXPECT_LT(MsSince(start), 1000);
        EXPECT_TRUE(player.LastError().startsWith("Error opening file: External player (MPRIS): "))
            << player.LastError().toStdString();
        EXPECT_EQ(player.GetLength(), 0);
        EXPECT_FALSE(player.IsPlaying());
    }
    EXPECT_TRUE(player.LastError().contains("does not exist"));
    EXPECT_FALSE(player.OpenCDTrack(2, 'D', 0, nullptr)) << "the fake plays no CDs";
    EXPECT_TRUE(
        player.LastError().startsWith("Error opening CD audio: External player (MPRIS): the player refused"))
        << player.LastError().toStdString();
    EXPECT_TRUE(player.OpenFile(Wav("whole.wav", 1.0), nullptr, 0)) << player.LastError().toStdString();
    EXPECT_EQ(player.GetLength(), 1000);
}

TEST_F(ExternalPlayerTest, APlayerThatNeverTakesTheFileTimesOut) {
    fake = std::make_unique<tFake>("lyrimo-fake", QStringList{"--ignore-files"});
    ASSERT_TRUE(fake->Started());
    const auto start = tClock::now();
    EXPECT_FALSE(player.OpenFile(Wav("ignored.wav", 1.0), nullptr, 0));
    EXPECT_GE(MsSince(start), tExternalPlayer::kLoadTimeoutMs);
    EXPECT_LT(MsSince(start), tExternalPlayer::kLoadTimeoutMs + 1500);
    EXPECT_TRUE(player.LastError().contains("did not take the file")) << player.LastError().toStdString();
    EXPECT_EQ(fake->Property("Volume").toDouble(), 1.0) << "the volume is given back";
}

TEST_F(ExternalPlayerTest, AHungPlayerCostsAtMostAboutASecondNowAndThen) {
    tFake& f = OpenOnFake(4.0);
    player.Play();
    Pump(300ms);
    f.Control("SetReplyDelay", {3000});
    const auto start = tClock::now();
    double slowest = 0;
    int slowCalls = 0;
    int previous = player.GetPosition();
    bool advancing = true;
    while (MsSince(start) < 1500) {
        const auto call = tClock::now();
        const int position = player.GetPosition();
        player.IsPlaying();
        const double took = MsSince(call);
        slowest = std::max(slowest, took);
        slowCalls += took > 100;
        advancing = advancing && position >= previous;
        previous = position;
        Pump(16ms);
    }
    EXPECT_LT(slowest, 1100);
    EXPECT_LE(slowCalls, 1);
    EXPECT_TRUE(advancing) << "the position runs on between readings";
}

TEST_F(ExternalPlayerTest, APlayerThatLeftStopsPlayingWhereItWas) {
    tFake& f = OpenOnFake(3.0);
    player.Play();
    Pump(500ms);
    f.Kill();
    ASSERT_TRUE(WaitUntil([&] { return !player.IsPlaying(); }, 1000ms));
    const int held = player.GetPosition();
    EXPECT_GT(held, 400);
    EXPECT_LT(held, 1300);
    Pump(300ms);
    EXPECT_EQ(player.GetPosition(), held);
    const auto start = tClock::now();
    player.Play();
    player.PauseResume();
    player.SetPosition(100);
    player.Stop();
    player.Close();
    EXPECT_LT(MsSince(start), 500);
    EXPECT_EQ(player.GetPosition(), 0);
}

TEST_F(ExternalPlayerTest, ASeekMadeInThePlayerMovesTheClock) {
    tFake& f = OpenOnFake(4.0);
    player.Play();
    Pump(300ms);
    QDBusMessage seek = QDBusMessage::createMethodCall(kPrefix + "lyrimo-fake", "/org/mpris/MediaPlayer2",
                                                       "org.mpris.MediaPlayer2.Player", "Seek");
    seek << qlonglong(2000000);
    QDBusConnection::sessionBus().call(seek);
    Pump(100ms);
    EXPECT_NEAR(player.GetPosition(), f.TrueMs(), 40);
    EXPECT_GT(player.GetPosition(), 2000);
}

TEST_F(ExternalPlayerTest, PausingAndResumingInThePlayerItselfIsFollowed) {
    OpenOnFake(4.0);
    player.Play();
    Pump(300ms);
    auto command = [&](const char* method) {
        tFake::Call("lyrimo-fake", "org.mpris.MediaPlayer2.Player", method, {});
    };
    command("Pause");
    EXPECT_TRUE(WaitUntil([&] { return player.IsPaused(); }, 500ms));
    EXPECT_TRUE(player.IsPlaying());
    command("Play");
    EXPECT_TRUE(WaitUntil([&] { return !player.IsPaused(); }, 500ms));
    // From the player's readings alone, with no start of our own to go by.
    EXPECT_LT(WorstError(1500ms, 1500ms), 40.0);
}

TEST_F(ExternalPlayerTest, ClosingIsSafeAlwaysAndLeavesNothingOpen) {
    player.Close();
    EXPECT_EQ(player.GetPosition(), 0);
    OpenOnFake(1.0);
    player.Play();
    player.Close();
    player.Close();
    EXPECT_EQ(player.GetPosition(), 0);
    EXPECT_EQ(player.GetLength(), 0);
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_EQ(fake->Property("PlaybackStatus").toString(), "Stopped");
    player.Play();
    EXPECT_FALSE(player.IsPlaying());
}

} // namespace

// The real Audacious, headless, its sound going to SDL's dummy output.
class AudaciousTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString missing = qEnvironmentVariable("LYRIMO_PRIVATE_SESSION_BUS") != "1" ? "dbus-daemon"
                                : program_.isEmpty()                                      ? "audacious"
                                                                                          : "";
        if (!missing.isEmpty()) {
            if (qEnvironmentVariable("LYRIMO_SKIP_MISSING_ENGINES") == "1")
                GTEST_SKIP() << missing.toStdString() << " is missing: Audacious is not tested";
            FAIL() << missing.toStdString() << " is missing";
        }
        ASSERT_TRUE(ChooseSilentOutput());
        Settings().WinampEXE = program_;
    }
    void TearDown() override { Quit(); }

    static void Quit() {
        tFake::Call("audacious", "org.mpris.MediaPlayer2", "Quit", {});
        WaitUntil([] { return !MprisNames().contains(kPrefix + "audacious"); }, 5000ms);
    }

    // Audacious writes its plugin list on a first run; the outputs are then switched to SDL's,
    // which the tests point at its dummy driver.
    static bool ChooseSilentOutput() {
        const QString registry = qEnvironmentVariable("XDG_CONFIG_HOME") + "/audacious/plugin-registry";
        if (!QFile::exists(registry)) {
            QProcess::startDetached(program_, {"--headless"});
            if (!WaitUntil([] { return MprisNames().contains(kPrefix + "audacious"); }, 10000ms))
                return false;
            Quit();
        }
        QStringList lines = QString::fromUtf8(ReadFile(registry)).split('\n');
        QString plugin;
        for (QString& line : lines) {
            if (line.contains(QRegularExpression("^[a-z]+ /")))
                plugin = line.startsWith("output ") ? line.section('/', -1) : QString();
            if (line.startsWith("enabled ") && !plugin.isEmpty())
                line = plugin == "sdlout.so" ? "enabled 1" : "enabled 0";
        }
        return WriteFile(registry, lines.join('\n').toUtf8());
    }

    static inline const QString program_ = QStandardPaths::findExecutable("audacious");
    tExternalPlayer player;
};

TEST_F(AudaciousTest, PlaysSeeksAndEndsAFileItWasStartedFor) {
    ASSERT_TRUE(player.IsAvailable());
    EXPECT_EQ(player.Service(), kPrefix + "audacious");
    const QString path = ScratchFolder() + "/audacious.wav";
    ASSERT_TRUE(WriteWav(path, TestSignal(44100, 3.0)));
    ASSERT_TRUE(player.OpenFile(path, nullptr, 0)) << player.LastError().toStdString();
    EXPECT_EQ(player.GetLength(), 3000);
    EXPECT_EQ(player.GetPosition(), 0);
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_FALSE(player.CanChangeRate()) << "Audacious offers normal speed only";

    player.Play();
    const auto start = tClock::now();
    for (const auto until = start + 800ms; tClock::now() < until; Pump(16ms))
        player.GetPosition();
    // Audacious's own clock, read through its coarse Position, against the steady clock since
    // Play: its output starts with a little delay of its own.
    EXPECT_NEAR(player.GetPosition(), MsSince(start), 120);
    EXPECT_TRUE(player.IsPlaying());

    player.SetPosition(2000);
    EXPECT_TRUE(player.IsPaused());
    EXPECT_EQ(player.GetPosition(), 2000);
    player.Play();
    EXPECT_TRUE(WaitUntil([&] { return !player.IsPlaying(); }, 3000ms)) << "the end stops playing";
    // On the dummy output Audacious ends the track once it has decoded it all, its output
    // buffer (some 500 ms) not yet played.
    EXPECT_GE(player.GetPosition(), 2300);
    EXPECT_LE(player.GetPosition(), 3000);
}
