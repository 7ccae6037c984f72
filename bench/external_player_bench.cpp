// The external player's clock and seeks against the tests' fake MPRIS player, on a private
// session bus (a dbus-daemon started here), never on the desktop's.
//
// True position: the fake's own exact clock. The fake keeps its position as an anchor on the
// system's steady clock (CLOCK_MONOTONIC, shared by both processes) and a rate; it publishes
// anchor, position and rate on org.lyrimo.FakePlayer.TrueClock, and the benchmark computes the
// true position at the very instant of each reading from them. The fake reports Position over
// MPRIS only in 250 ms steps, like a coarse real player; what is measured is how well the
// backend's fitted, interpolated clock recovers the exact one from those steps.
//
// Clock: 10 s of a 12 s WAV, GetPosition read at 60 Hz; errors over all readings and over those
// after the first second (once a few steps were seen). Argument 0: started by the backend (it
// knows the moment of the start); 1: paused and resumed in the player itself just before, so
// the clock is recovered from the 250 ms readings alone. Seeks: 20 seeks to spread positions while
// playing; the fake's position right after each (exact seeks: 0 expected) and the reported
// position's error 300 ms after playing on.
#include "app/app_services.h"
#include "bench_stats.h"
#include "media/backends/external_player.h"
#include "media_fixtures.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <signal.h>
#include <sys/types.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

using tClock = std::chrono::steady_clock;

const QString kFakeName = "lyrimo-bench";

void Pump(std::chrono::milliseconds time) {
    const auto end = tClock::now() + time;
    while (tClock::now() < end) {
        QCoreApplication::processEvents();
        QThread::msleep(2);
    }
}

// A session bus of the benchmark's own, started once and ended at exit: the session bus
// connection is made once per process.
bool PrivateBusStarted() {
    static const bool started = [] {
        QProcess daemon;
        daemon.start("dbus-daemon", {"--session", "--fork", "--print-address=1", "--print-pid=1"});
        if (!daemon.waitForFinished(5000) || daemon.exitCode() != 0)
            return false;
        const QList<QByteArray> lines = daemon.readAllStandardOutput().split('\n');
        if (lines.size() < 2 || lines[0].trimmed().isEmpty())
            return false;
        static pid_t pid = static_cast<pid_t>(lines[1].trimmed().toLongLong());
        std::atexit([] { ::kill(pid, SIGTERM); });
        ::setenv("DBUS_SESSION_BUS_ADDRESS", lines[0].trimmed().constData(), 1);
        return QDBusConnection::sessionBus().isConnected();
    }();
    return started;
}

// The fake player on the private bus, for the life of one benchmark.
class tBench {
public:
    tBench() {
        if (!PrivateBusStarted())
            return;
        fake_.start(LYRIMO_FAKE_MPRIS_PLAYER, {"--name", kFakeName});
        if (!fake_.waitForStarted(3000))
            return;
        for (int i = 0; i < 300 && !ready_; ++i) {
            QThread::msleep(10);
            ready_ = QDBusConnection::sessionBus().interface()->isServiceRegistered(
                "org.mpris.MediaPlayer2." + kFakeName);
        }
        Settings().WinampEXE = "/usr/bin/" + kFakeName;
    }
    ~tBench() {
        fake_.kill();
        fake_.waitForFinished(2000);
        // Until the bus has seen the name go, the next fake could not take it.
        for (int i = 0; i < 100; ++i) {
            if (!QDBusConnection::sessionBus().interface()->isServiceRegistered("org.mpris.MediaPlayer2." +
                                                                                kFakeName))
                break;
            QThread::msleep(10);
        }
    }
    bool Ready() const { return ready_; }

    QString Wav(double seconds) {
        const QString path = folder_.filePath(QString("signal%1.wav").arg(seconds));
        return WriteWav(path, TestSignal(8000, seconds)) ? path : QString();
    }

    // The fake's exact clock: true position at `at` (ms).
    struct tTrueClock {
        double anchorNs = 0, anchorMs = 0, rate = 1;
        bool running = false;
        double At(tClock::time_point at) const {
            if (!running)
                return anchorMs;
            const double ns = std::chrono::duration<double, std::nano>(at.time_since_epoch()).count();
            return anchorMs + (ns - anchorNs) / 1e6 * rate;
        }
    };
    tTrueClock TrueClock() const {
        QDBusMessage call =
            QDBusMessage::createMethodCall("org.mpris.MediaPlayer2." + kFakeName, "/org/mpris/MediaPlayer2",
                                           "org.lyrimo.FakePlayer", "TrueClock");
        const QVariantList arguments = QDBusConnection::sessionBus().call(call).arguments();
        const QVariantList reply =
            arguments.isEmpty() ? arguments : qdbus_cast<QVariantList>(arguments.first());
        if (reply.size() != 4)
            return {};
        return {reply[0].toDouble(), reply[1].toLongLong() / 1000.0, reply[2].toDouble(), reply[3].toBool()};
    }

private:
    QProcess fake_;
    QTemporaryDir folder_;
    bool ready_ = false;
};

void PlayerCommand(const char* method) {
    QDBusMessage call =
        QDBusMessage::createMethodCall("org.mpris.MediaPlayer2." + kFakeName, "/org/mpris/MediaPlayer2",
                                       "org.mpris.MediaPlayer2.Player", method);
    QDBusConnection::sessionBus().call(call);
}

// state.range(0): 1 when the track is paused and resumed in the player itself right after the
// start, so that the backend knows no moment of the start and has the player's readings alone.
void BM_ExternalPlayerClock(benchmark::State& state) {
    const bool fromReadingsAlone = state.range(0) == 1;
    std::vector<double> all, settled;
    double signedSum = 0;
    for (auto _ : state) {
        tBench bench;
        if (!bench.Ready()) {
            state.SkipWithError("no private bus or fake player (dbus-daemon missing?)");
            return;
        }
        tExternalPlayer player;
        tTimingCorrection correction;
        correction.TweakWinampTimings = false;
        player.SetTimingCorrection(correction);
        if (!player.OpenFile(bench.Wav(12.0), nullptr, 0)) {
            state.SkipWithError(qUtf8Printable(player.LastError()));
            return;
        }
        player.Play();
        if (fromReadingsAlone) {
            // Read at 60 Hz meanwhile, as the playback window does.
            auto readFor = [&](int ms) {
                for (const auto end = tClock::now() + std::chrono::milliseconds(ms); tClock::now() < end;) {
                    player.GetPosition();
                    Pump(std::chrono::milliseconds(16));
                }
            };
            readFor(200);
            PlayerCommand("Pause");
            readFor(300);
            PlayerCommand("Play");
        }
        const auto truth = bench.TrueClock();
        const auto start = tClock::now();
        for (int i = 1; i <= 600; ++i) {
            std::this_thread::sleep_until(start + std::chrono::microseconds(i * 16667));
            QCoreApplication::processEvents();
            const int reported = player.GetPosition();
            const double error = reported - truth.At(tClock::now());
            all.push_back(std::abs(error));
            signedSum += error;
            if (i > 60)
                settled.push_back(std::abs(error));
        }
        player.Close();
    }
    state.counters["median_ms"] = Percentile(all, 0.5);
    state.counters["p99_ms"] = Percentile(all, 0.99);
    state.counters["max_ms"] = *std::max_element(all.begin(), all.end());
    state.counters["settled_p99_ms"] = Percentile(settled, 0.99);
    state.counters["settled_max_ms"] = *std::max_element(settled.begin(), settled.end());
    state.counters["mean_signed_ms"] = signedSum / static_cast<double>(all.size());
}
BENCHMARK(BM_ExternalPlayerClock)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_ExternalPlayerSeek(benchmark::State& state) {
    std::vector<double> landing, after;
    for (auto _ : state) {
        tBench bench;
        if (!bench.Ready()) {
            state.SkipWithError("no private bus or fake player (dbus-daemon missing?)");
            return;
        }
        tExternalPlayer player;
        tTimingCorrection correction;
        correction.TweakWinampTimings = false;
        player.SetTimingCorrection(correction);
        if (!player.OpenFile(bench.Wav(12.0), nullptr, 0)) {
            state.SkipWithError(qUtf8Printable(player.LastError()));
            return;
        }
        player.Play();
        for (int i = 0; i < 20; ++i) {
            const int target = 500 + (i * 4937) % 10000;
            player.SetPosition(target);
            landing.push_back(std::abs(bench.TrueClock().At(tClock::now()) - target));
            player.Play();
            Pump(std::chrono::milliseconds(300));
            const auto truth = bench.TrueClock();
            after.push_back(std::abs(player.GetPosition() - truth.At(tClock::now())));
        }
        player.Close();
    }
    state.counters["landing_max_ms"] = *std::max_element(landing.begin(), landing.end());
    state.counters["after_median_ms"] = Percentile(after, 0.5);
    state.counters["after_max_ms"] = *std::max_element(after.begin(), after.end());
}
BENCHMARK(BM_ExternalPlayerSeek)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
