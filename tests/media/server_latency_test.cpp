// The sound server's part of the built-in player's latency: finding this process's stream among
// the server's, turning its figure into frames, and the engine's clock taking a latency that
// changes while it plays.
#include "media/backends/builtin/audio_engine.h"
#include "media/backends/builtin/server_latency.h"
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

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <thread>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

constexpr int kRate = 48000;
constexpr int kBuffer = 1024;

tSteadyTime At(double seconds) {
    return tSteadyTime{} +
           std::chrono::duration_cast<tSteadyTime::duration>(std::chrono::duration<double>(seconds));
}

// Frame n of the medium is media frame n.
class tCountingSource : public tPcmSource {
public:
    int64_t LengthFrames() const override { return 100 * kRate; }
    bool Seek(int64_t frame) override {
        next_ = frame;
        return true;
    }
    int Read(float* out, int frames) override {
        std::fill(out, out + frames * 2, 0.0f);
        next_ += frames;
        return frames;
    }
    bool Ended() const override { return false; }

private:
    int64_t next_ = 0;
};

class EngineLatencyTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine.Configure(kRate, kBuffer);
        engine.Load(std::make_unique<tCountingSource>());
    }
    // Pulls buffers one buffer period apart, as an output does.
    void Pull(int buffers) {
        std::vector<float> buffer(kBuffer * 2);
        for (int i = 0; i < buffers; ++i) {
            engine.Render(buffer.data(), kBuffer, At(now));
            now += static_cast<double>(kBuffer) / kRate;
        }
    }
    // Reads the position every millisecond over the next pulls and right before the one after,
    // checking that it never goes back.
    void PlayOnWatching(int buffers, double& last) {
        const auto read = [&](double t) {
            const double heard = engine.PositionFrames(At(t));
            EXPECT_GE(heard, last) << "at " << t;
            last = heard;
        };
        for (int i = 0; i < buffers; ++i) {
            const double pullAt = now;
            Pull(1);
            for (double t = pullAt; t < now; t += 0.001)
                read(t);
        }
        read(now - 1e-6);
    }

    double now = 50.0;
    tAudioEngine engine;
};

TEST_F(EngineLatencyTest, AnAddedLatencyIsTakenOffAndTheClockNeverGoesBack) {
    // Output frames 0..50 buffers play media 0.., a pause of 3 buffers holds it, and from
    // output frame 53 buffers on the media goes on from 50 buffers: 3 buffers behind.
    engine.Play();
    Pull(50);
    double last = engine.PositionFrames(At(now - 1e-6));
    EXPECT_NEAR(last, 49.0 * kBuffer, 1.0);
    engine.Pause();
    Pull(3);
    engine.Play();
    Pull(3);
    const auto mediaHeard = [](double pulledBuffers, int latency) {
        return (pulledBuffers - 3) * kBuffer - latency;
    };

    // Right after resuming the server starts holding 100 ms more: the clock stands until the
    // time has caught up with it, then runs that much behind what was handed over.
    const int grown = kBuffer + kRate / 10;
    engine.SetLatencyFrames(grown);
    EXPECT_EQ(engine.LatencyFrames(), grown);
    PlayOnWatching(2, last);
    EXPECT_NEAR(last, mediaHeard(55, kBuffer), 1.0) << "held where it was";
    PlayOnWatching(10, last);
    EXPECT_NEAR(last, mediaHeard(68, grown), 1.0);

    // Back to the device's buffer alone: the clock moves on at once.
    engine.SetLatencyFrames(kBuffer);
    EXPECT_NEAR(engine.PositionFrames(At(now - 1e-6)), mediaHeard(68, kBuffer), 1.0);
    PlayOnWatching(2, last);
    EXPECT_NEAR(last, mediaHeard(70, kBuffer), 1.0);
}

TEST(ServerLatency, OurStreamIsTheOneChosenBeforeElseOurNewest) {
    const std::vector<tSinkInput> inputs = {
        {3, "100", 1000, 2000}, {7, "100", 0, 0}, {9, "555", 0, 0}, {5, "100", 0, 0}, {11, "", 0, 0}};
    EXPECT_EQ(ChooseOwnSinkInput(inputs, "100", std::nullopt)->index, 7u);
    EXPECT_EQ(ChooseOwnSinkInput(inputs, "100", 3)->index, 3u);
    EXPECT_EQ(ChooseOwnSinkInput(inputs, "100", 9)->index, 7u) << "another process's stream is never ours";
    EXPECT_EQ(ChooseOwnSinkInput(inputs, "100", 4)->index, 7u) << "gone: the newest again";
    EXPECT_EQ(ChooseOwnSinkInput(inputs, "42", std::nullopt), nullptr);
    EXPECT_EQ(ChooseOwnSinkInput({}, "100", 3), nullptr);
}

TEST(ServerLatency, TheStreamsBufferAndItsSinksLatencyMakeTheFrames) {
    EXPECT_EQ(SinkInputLatencyFrames({1, "1", 20'000, 25'000}, 48000), 2160);
    EXPECT_EQ(SinkInputLatencyFrames({1, "1", 10, 0}, 44100), 0);
    EXPECT_EQ(SinkInputLatencyFrames({1, "1", 12, 0}, 44100), 1) << "to the nearest frame";
    EXPECT_EQ(SinkInputLatencyFrames({1, "1", 1'000'000, 4'000'000}, 48000), 240000);
    EXPECT_EQ(SinkInputLatencyFrames({1, "1", UINT64_MAX, 25'000}, 48000), 0) << "unknown";
    EXPECT_EQ(SinkInputLatencyFrames({1, "1", 25'000, 3'600'000'000}, 48000), 0) << "past belief";
}

// An environment variable set for as long as the object lives.
class tScopedVariable {
public:
    tScopedVariable(const char* name, const QByteArray& value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        ::setenv(name, value.constData(), 1);
    }
    ~tScopedVariable() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// A PulseAudio server of the test's own, playing into a null sink, reached on a socket in a
// folder of its own; ended when the object goes.
class tPrivatePulseServer {
public:
    tPrivatePulseServer() : folder_(ScratchFolder() + "/pulse") {
        QDir().mkpath(folder_);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // Its cookie and state go to the folder rather than the user's home.
        for (const char* name : {"HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_STATE_HOME"})
            environment.insert(name, folder_);
        server_.setProcessEnvironment(environment);
        server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server_.start("pulseaudio", {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                                     "--log-level=error", "-L", "module-null-sink", "-L",
                                     "module-native-protocol-unix auth-anonymous=1 socket=" + Socket()});
        started_ = server_.waitForStarted(3000) &&
                   WaitFor([this] { return QFileInfo(Socket()).exists(); }, std::chrono::seconds(3));
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

TEST(ServerLatency, AServerThatNeverAnswersAddsNothingAndHoldsNobodyUp) {
    // A socket that takes connections and says nothing.
    const QByteArray path = (ScratchFolder() + "/silent-server").toLocal8Bit();
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.constData());
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    tScopedVariable server("PULSE_SERVER", "unix:" + path);

    using namespace std::chrono;
    const auto start = steady_clock::now();
    auto latency = std::make_unique<tServerLatency>(48000);
    const auto started = steady_clock::now();
    std::this_thread::sleep_for(milliseconds(60)); // well inside its wait for the server's answer
    EXPECT_EQ(latency->Frames(), 0);
    const auto stopping = steady_clock::now();
    latency.reset();
    const auto stopped = steady_clock::now();
    EXPECT_LT(duration_cast<milliseconds>(started - start).count(), 50);
    EXPECT_LT(duration_cast<milliseconds>(stopped - stopping).count(), 100) << "the wait is cut short";
    ::close(listener);
}

TEST(ServerLatency, ThroughAPulseAudioServerThePlayerTakesTheServersLatencyOff) {
    tPrivatePulseServer server;
    ASSERT_TRUE(server.Started());
    tScopedVariable driver("SDL_AUDIODRIVER", "pulseaudio");
    tScopedVariable address("PULSE_SERVER", server.Address());

    tAudioOutput* output = nullptr;
    tBuiltinPlayer player([&output] {
        std::unique_ptr<tAudioOutput> made = MakeSdlOutput();
        output = made.get();
        return made;
    });
    const QString wav = OneSecondWav(ScratchFolder() + "/pulse-media");
    ASSERT_TRUE(player.OpenFile(wav, nullptr, 0)) << player.LastError().toStdString();
    player.Play();
    ASSERT_TRUE(WaitFor([&] { return output->ServerLatencyFrames() > 0; }, std::chrono::seconds(3)))
        << "no latency found for our stream";
    // The null sink starts with up to two seconds of sound ahead and comes down to the latency
    // the stream asked for as it plays that: the figure follows it.
    const int first = output->ServerLatencyFrames();
    ASSERT_TRUE(WaitFor([&] { return output->ServerLatencyFrames() < 48000 / 10; }, std::chrono::seconds(5)))
        << output->ServerLatencyFrames();
    std::printf("server latency: first %d frames, then %d\n", first, output->ServerLatencyFrames());

    // What the clock subtracts is the whole of the output's latency, the server's part included;
    // read again while the figure stays the same, as it is refreshed meanwhile.
    int expected = 0, subtracted = 0;
    for (int tries = 0; tries < 10 && (expected == 0 || expected != output->LatencyFrames()); ++tries) {
        expected = output->LatencyFrames();
        player.GetPosition();
        subtracted = player.Engine().LatencyFrames();
    }
    EXPECT_EQ(subtracted, expected);
    EXPECT_GT(subtracted, output->ServerLatencyFrames());

    // Someone else asking the server about this process's newest stream finds the same one.
    tServerLatency independent(48000);
    ASSERT_TRUE(WaitFor([&] { return independent.Frames() > 0; }, std::chrono::seconds(2)));
    std::printf("server latency: the player's %d frames, asked again %d\n", output->ServerLatencyFrames(),
                independent.Frames());
    EXPECT_NEAR(independent.Frames(), output->ServerLatencyFrames(), 48000 * 0.02);
    player.Close();
}

} // namespace
