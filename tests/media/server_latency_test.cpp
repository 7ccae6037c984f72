// The sound server's part of the built-in player's latency: finding this process's stream among
// the server's, turning its figure into frames, and the engine's clock taking a latency that
// changes while it plays.
#include "media/backends/builtin/audio_engine.h"
#include "media/backends/builtin/server_latency.h"
#include "test_support.h"

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

} // namespace
