// The sound server's part of the built-in player's latency: finding this process's stream among
// the server's, turning its figure into frames, and the engine's clock taking a latency that
// changes while it plays.
#include "media/backends/builtin/audio_engine.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace lyrimo;

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

} // namespace
