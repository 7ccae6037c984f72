// The sound server's part of the built-in player's latency: finding this process's stream and
// its figure, the clock taking a latency that changes while it plays, and the whole road
// through a PulseAudio server of the test's own.
#include "media/backends/builtin/audio_engine.h"
#include "media/backends/builtin/server_latency.h"
#include "media/backends/builtin/silence_source.h"
#include "media/backends/builtin_player.h"
#include "media_fixtures.h"
#include "test_support.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <functional>
#include <thread>

using namespace lyrimo;
using namespace lyrimo::test;
using namespace std::chrono;

namespace {

constexpr int kRate = 48000;
constexpr int kBuffer = 1024;

TEST(ServerLatency, OurStreamIsTheOneChosenBeforeElseOurNewest) {
    const std::vector<tSinkInput> inputs = {
        {3, "100", 1000, 2000}, {7, "100", 0, 0}, {9, "555", 0, 0}, {5, "100", 0, 0}, {11, "", 0, 0}};
    EXPECT_EQ(ChooseOwnSinkInput(inputs, "100", std::nullopt)->index, 7u);
    EXPECT_EQ(ChooseOwnSinkInput(inputs, "100", 3)->index, 3u);
    EXPECT_EQ(ChooseOwnSinkInput(inputs, "100", 9)->index, 7u) << "another process's stream is never ours";
    EXPECT_EQ(ChooseOwnSinkInput(inputs, "100", 4)->index, 7u) << "gone: the newest again";
    EXPECT_EQ(ChooseOwnSinkInput(inputs, "42", std::nullopt), nullptr);
}

TEST(ServerLatency, TheStreamsBufferAndItsSinksLatencyMakeTheFrames) {
    EXPECT_EQ(SinkInputLatencyFrames({1, "1", 20'000, 25'000}, 48000), 2160);
    EXPECT_EQ(SinkInputLatencyFrames({1, "1", 10, 0}, 44100), 0);
    EXPECT_EQ(SinkInputLatencyFrames({1, "1", 12, 0}, 44100), 1) << "to the nearest frame";
    EXPECT_EQ(SinkInputLatencyFrames({1, "1", UINT64_MAX, 25'000}, 48000), 0) << "unknown";
    EXPECT_EQ(SinkInputLatencyFrames({1, "1", 25'000, 3'600'000'000}, 48000), 0) << "past belief";
}

tSteadyTime At(double seconds) {
    return tSteadyTime{} + duration_cast<tSteadyTime::duration>(duration<double>(seconds));
}

TEST(ServerLatency, AnAddedLatencyIsTakenOffAndTheClockNeverGoesBack) {
    tAudioEngine engine;
    engine.Configure(kRate, kBuffer);
    engine.Load(std::make_unique<tSilenceSource>(100 * kRate));
    const double period = static_cast<double>(kBuffer) / kRate;
    double now = 50, last = -1;
    const auto read = [&](double t) {
        const double heard = engine.PositionFrames(At(t));
        EXPECT_GE(heard, last) << "at " << t;
        last = heard;
    };
    // Pulls buffers one period apart as an output does; watching, it reads the position every
    // millisecond meanwhile and right before the next pull.
    const auto pull = [&](int buffers, bool watching) {
        std::vector<float> buffer(kBuffer * 2);
        for (int i = 0; i < buffers; ++i, now += period) {
            engine.Render(buffer.data(), kBuffer, At(now));
            for (double t = now; watching && t < now + period; t += 0.001)
                read(t);
        }
        if (watching)
            read(now - 1e-6);
    };
    // The output plays the media from 0 for 50 buffers, holds it for a pause of 3, and from then
    // on the media is 3 buffers behind the output.
    const auto heardAfter = [](int pulledBuffers, int latency) {
        return (pulledBuffers - 3) * kBuffer - latency;
    };
    engine.Play();
    pull(50, true);
    engine.Pause();
    pull(3, false);
    engine.Play();
    pull(3, false);

    // Right after resuming the server starts holding 100 ms more: the clock stands until the
    // time has caught up with it, then runs that much further behind what was handed over.
    const int grown = kBuffer + kRate / 10;
    engine.SetLatencyFrames(grown);
    EXPECT_EQ(engine.LatencyFrames(), grown);
    pull(2, true);
    EXPECT_NEAR(last, heardAfter(55, kBuffer), 1.0) << "held where it was";
    pull(10, true);
    EXPECT_NEAR(last, heardAfter(68, grown), 1.0);

    engine.SetLatencyFrames(kBuffer);
    read(now - 1e-6);
    EXPECT_NEAR(last, heardAfter(68, kBuffer), 1.0) << "moved on at once";
}

// An environment variable of the test process, set for as long as the object lives.
struct tScopedVariable {
    tScopedVariable(const char* name, const QByteArray& value)
        : name(name), old(qgetenv(name)), had(qEnvironmentVariableIsSet(name)) {
        qputenv(name, value);
    }
    ~tScopedVariable() { had ? qputenv(name, old) : qunsetenv(name); }
    const char* name;
    QByteArray old;
    bool had;
};

bool WaitFor(const std::function<bool()>& condition, milliseconds timeout) {
    for (const auto end = steady_clock::now() + timeout; !condition(); std::this_thread::sleep_for(5ms))
        if (steady_clock::now() > end)
            return false;
    return true;
}

TEST(ServerLatency, AServerThatNeverAnswersAddsNothingAndHoldsNobodyUp) {
    const QByteArray path = (ScratchFolder() + "/silent-server").toLocal8Bit();
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.constData());
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 4), 0); // takes the connection and never says a word
    const tScopedVariable server("PULSE_SERVER", "unix:" + path);

    const auto start = steady_clock::now();
    auto latency = std::make_unique<tServerLatency>(kRate);
    EXPECT_LT(steady_clock::now() - start, 50ms);
    std::this_thread::sleep_for(60ms); // well inside its wait for the server's answer
    EXPECT_EQ(latency->Frames(), 0);
    const auto stopping = steady_clock::now();
    latency.reset();
    EXPECT_LT(steady_clock::now() - stopping, 100ms) << "the wait is cut short";
    ::close(listener);
}

// A PulseAudio server of the test's own playing into a null sink, its socket, cookie and state
// in a folder of its own; ended when the object goes.
class tPrivatePulseServer {
public:
    tPrivatePulseServer() : folder_(ScratchFolder() + "/pulse") {
        QDir().mkpath(folder_);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_STATE_HOME"})
            environment.insert(name, folder_);
        server_.setProcessEnvironment(environment);
        server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server_.start("pulseaudio", {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                                     "--log-level=error", "-L", "module-null-sink", "-L",
                                     "module-native-protocol-unix auth-anonymous=1 socket=" + Socket()});
        started_ =
            server_.waitForStarted(3000) && WaitFor([this] { return QFileInfo::exists(Socket()); }, 3s);
    }
    ~tPrivatePulseServer() {
        server_.terminate();
        if (!server_.waitForFinished(2000))
            server_.kill();
        server_.waitForFinished(1000);
    }
    bool Started() const { return started_; }
    QByteArray Address() const { return ("unix:" + Socket()).toLocal8Bit(); }

private:
    QString Socket() const { return folder_ + "/native"; }

    QString folder_;
    QProcess server_;
    bool started_ = false;
};

TEST(ServerLatency, ThroughAPulseAudioServerThePlayerTakesTheServersLatencyOff) {
    const tPrivatePulseServer server;
    ASSERT_TRUE(server.Started());
    const tScopedVariable driver("SDL_AUDIODRIVER", "pulseaudio");
    const tScopedVariable address("PULSE_SERVER", server.Address());

    tAudioOutput* output = nullptr;
    tBuiltinPlayer player([&output] {
        std::unique_ptr<tAudioOutput> made = MakeSdlOutput();
        output = made.get();
        return made;
    });
    ASSERT_TRUE(player.OpenFile(OneSecondWav(ScratchFolder() + "/pulse-media"), nullptr, 0))
        << player.LastError().toStdString();
    player.Play();
    ASSERT_TRUE(WaitFor([&] { return output->ServerLatencyFrames() > 0; }, 3s)) << "our stream not found";
    // The null sink starts some two seconds of sound ahead and comes down to the latency the
    // stream asked for as it plays that: the figure follows it.
    ASSERT_TRUE(WaitFor([&] { return output->ServerLatencyFrames() < kRate / 10; }, 5s))
        << output->ServerLatencyFrames();

    // The clock subtracts the whole of the output's latency, the server's part included (read
    // again when the figure was refreshed meanwhile).
    int expected = 0, subtracted = 0;
    for (int tries = 0; tries < 10 && (expected == 0 || expected != output->LatencyFrames()); ++tries) {
        expected = output->LatencyFrames();
        player.GetPosition();
        subtracted = player.Engine().LatencyFrames();
    }
    EXPECT_EQ(subtracted, expected);
    EXPECT_GT(subtracted, output->ServerLatencyFrames());
}

} // namespace
