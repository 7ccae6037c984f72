// The engine's clock and playing states, on a source whose every frame tells which it is, so that
// what was heard and what the clock says can be compared frame by frame.
#include "media/backends/builtin/audio_engine.h"
#include "media/backends/builtin/output_clock.h"
#include "tone_frequency.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <future>
#include <mutex>
#include <random>
#include <thread>

using namespace lyrimo;

namespace {

constexpr int kRate = 48000;
constexpr int kBuffer = 1024;

tSteadyTime At(double seconds) {
    return tSteadyTime{} +
           std::chrono::duration_cast<tSteadyTime::duration>(std::chrono::duration<double>(seconds));
}

// Frame n holds the value n in the left channel and -n in the right. It can be told to have
// nothing ready for a while, as a slow CD drive would.
class tRampSource : public tPcmSource {
public:
    explicit tRampSource(int64_t length) : length_(length) {}
    int64_t LengthFrames() const override { return length_; }
    bool Seek(int64_t frame) override {
        next_ = frame;
        return true;
    }
    int Read(float* out, int frames) override {
        int made = 0;
        for (; made < frames && next_ < length_ && ready > 0; ++made, ++next_, --ready) {
            out[made * 2] = static_cast<float>(next_);
            out[made * 2 + 1] = -static_cast<float>(next_);
        }
        return made;
    }
    bool Ended() const override { return next_ >= length_; }

    int64_t ready = INT64_MAX;

protected:
    int64_t Next() const { return next_; }

private:
    int64_t length_;
    int64_t next_ = 0;
};

// A ramp read like a file: the engine reads it ahead on a thread, and its reading can be slowed
// down or held up at a frame as slow storage would.
class tSlowRamp : public tRampSource {
public:
    using tRampSource::tRampSource;
    bool WantsReadAhead() const override { return true; }
    int Read(float* out, int frames) override {
        std::this_thread::sleep_for(delay);
        std::unique_lock lock(mutex_);
        if (Next() >= holdAt_) {
            held_ = true;
            changed_.notify_all();
            changed_.wait(lock, [this] { return Next() < holdAt_; });
            held_ = false;
        }
        lock.unlock();
        return tRampSource::Read(out, frames);
    }

    void HoldAt(int64_t frame) {
        std::lock_guard lock(mutex_);
        holdAt_ = frame;
    }
    void Release() {
        HoldAt(INT64_MAX);
        changed_.notify_all();
    }
    bool WaitUntilHeld() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [this] { return held_; });
    }

    std::chrono::microseconds delay{0};

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int64_t holdAt_ = INT64_MAX;
    bool held_ = false;
};

class AudioEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine.Configure(kRate, latency);
        auto source = std::make_unique<tRampSource>(10 * kRate);
        ramp = source.get();
        engine.Load(std::move(source));
    }

    // Pulls buffers the way an output does, one buffer period apart; returns the left channel.
    std::vector<float> Pull(int buffers) {
        std::vector<float> left;
        std::vector<float> buffer(kBuffer * 2);
        for (int i = 0; i < buffers; ++i) {
            engine.Render(buffer.data(), kBuffer, At(now));
            now += static_cast<double>(kBuffer) / kRate;
            for (int f = 0; f < kBuffer; ++f)
                left.push_back(buffer[static_cast<size_t>(f * 2)]);
        }
        return left;
    }
    // Heard right before the next pull.
    double Position() { return engine.PositionFrames(At(now - 1e-6)); }

    int latency = kBuffer;
    double now = 100.0;
    tAudioEngine engine;
    tRampSource* ramp = nullptr;
};

TEST_F(AudioEngineTest, TheClockIsTheFrameHeardAfterTheLatency) {
    engine.Play();
    Pull(10);
    // Handed over: frames 0..10239; heard: up to the latency before that.
    const double halfway = engine.PositionFrames(At(now - 0.5 * kBuffer / kRate));
    EXPECT_NEAR(halfway, 9.5 * kBuffer - latency, 0.1);
    EXPECT_NEAR(Position(), 10 * kBuffer - latency, 0.1);
    EXPECT_NEAR(engine.PositionFrames(At(now + 10)), 10 * kBuffer - latency, 0.1)
        << "never beyond what was handed over";
}

TEST_F(AudioEngineTest, PausingHoldsTheClockAndResumingContinuesWithoutAGapOrARepeat) {
    engine.Play();
    Pull(5);
    engine.Pause();
    const std::vector<float> paused = Pull(4);
    EXPECT_TRUE(std::all_of(paused.begin(), paused.end(), [](float v) { return v == 0.f; }));
    EXPECT_NEAR(Position(), 5 * kBuffer, 0.1)
        << "what was handed over before the pause was heard, then nothing";
    const double held = Position();
    Pull(3);
    EXPECT_EQ(Position(), held);
    engine.Play();
    const std::vector<float> resumed = Pull(1);
    EXPECT_EQ(resumed[0], 5 * kBuffer);
    EXPECT_EQ(Position(), held) << "the silence handed over before resuming plays first";
    Pull(1);
    EXPECT_NEAR(Position(), 5 * kBuffer + kBuffer, 0.1);
}

TEST_F(AudioEngineTest, ASeekIsReadAtOnceAndThePlayedFramesFollowIt) {
    engine.Play();
    Pull(4);
    ASSERT_TRUE(engine.Seek(123456));
    EXPECT_TRUE(engine.IsPaused());
    EXPECT_EQ(Position(), 123456);
    Pull(2);
    EXPECT_EQ(Position(), 123456);
    engine.Play();
    const std::vector<float> played = Pull(3);
    EXPECT_EQ(played[0], 123456);
    EXPECT_NEAR(Position(), 123456 + 3 * kBuffer - latency, 0.1);
}

TEST_F(AudioEngineTest, AtAnotherRateTheFramesHeardMatchTheClock) {
    engine.Play();
    engine.SetRate(1.37);
    const std::vector<float> played = Pull(8);
    for (int i = 0; i < 8 * kBuffer; i += 101)
        ASSERT_NEAR(played[static_cast<size_t>(i)], 1.37 * i, 1e-2) << i;
    // The frame heard now came out `latency` frames before the end of what was pulled.
    EXPECT_NEAR(Position(), played[8 * kBuffer - latency], 0.1);
    engine.SetRate(0.5);
    Pull(4);
    EXPECT_NEAR(Position(), 1.37 * 8 * kBuffer + 0.5 * (4 * kBuffer - latency), 0.1);
}

TEST_F(AudioEngineTest, WhenTheSourceHasNothingReadyTheClockWaits) {
    engine.Play();
    ramp->ready = 2 * kBuffer + 100;
    Pull(5);
    const double stalled = Position();
    EXPECT_GT(stalled, 2 * kBuffer);
    EXPECT_LE(stalled, 2 * kBuffer + 100);
    Pull(2);
    EXPECT_EQ(Position(), stalled);
    EXPECT_TRUE(engine.IsPlaying(At(now)));
    ramp->ready = INT64_MAX;
    const std::vector<float> played = Pull(2);
    EXPECT_EQ(played[0], stalled) << "playing goes on where it stopped";
}

TEST_F(AudioEngineTest, PlayingEndsWhenTheLastFrameHasBeenHeard) {
    ASSERT_TRUE(engine.Seek(10 * kRate - 1500));
    engine.Play();
    Pull(2);
    EXPECT_TRUE(engine.IsPlaying(At(now))) << "the last frames are handed over but not yet heard";
    Pull(1);
    EXPECT_FALSE(engine.IsPlaying(At(now)));
    EXPECT_EQ(Position(), 10 * kRate);
    EXPECT_EQ(engine.LengthFrames(), 10 * kRate);
}

TEST_F(AudioEngineTest, ASlowSourceNeverKeepsTheOutputWaiting) {
    auto source = std::make_unique<tSlowRamp>(10 * kRate);
    tSlowRamp* slow = source.get();
    slow->HoldAt(4096);
    engine.Load(std::move(source));
    ASSERT_TRUE(slow->WaitUntilHeld());
    engine.Play();
    auto pulling = std::async(std::launch::async, [this] { return Pull(8); });
    const bool prompt = pulling.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    if (!prompt)
        slow->Release();
    ASSERT_TRUE(prompt) << "the output waited for the source";
    const std::vector<float> played = pulling.get();
    // The interpolation looks a couple of frames ahead, so it stops just short of the held frame.
    const double stalled = Position();
    EXPECT_GE(stalled, 4093);
    EXPECT_LE(stalled, 4096);
    const auto sounding = static_cast<size_t>(stalled);
    EXPECT_EQ(played[sounding - 1], stalled - 1);
    EXPECT_TRUE(std::all_of(played.begin() + sounding, played.end(), [](float v) { return v == 0.f; }));
    Pull(2);
    EXPECT_EQ(Position(), stalled) << "the clock holds while nothing is ready";
    EXPECT_TRUE(engine.IsPlaying(At(now)));

    slow->Release();
    std::vector<float> resumed;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (resumed.size() < 4 * kBuffer && std::chrono::steady_clock::now() < deadline) {
        for (float v : Pull(1))
            if (v != 0.f)
                resumed.push_back(v);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_GE(resumed.size(), 4 * kBuffer);
    for (size_t i = 0; i < resumed.size(); ++i)
        ASSERT_EQ(resumed[i], stalled + static_cast<double>(i)) << "sound goes on where it stopped, at " << i;
}

TEST_F(AudioEngineTest, SeeksLandExactlyWhileTheSourceIsReadAhead) {
    engine.Configure(kRate, latency, false); // an output that waits for the sound it asks for
    auto source = std::make_unique<tSlowRamp>(10 * kRate);
    source->delay = std::chrono::microseconds(200);
    engine.Load(std::move(source));
    std::mt19937 random(3);
    for (int i = 0; i < 30; ++i) {
        const int64_t target = std::uniform_int_distribution<int64_t>(0, 9 * kRate)(random);
        ASSERT_TRUE(engine.Seek(target));
        EXPECT_EQ(Position(), target);
        engine.Play();
        const std::vector<float> played = Pull(2);
        ASSERT_EQ(played.front(), target) << i;
        ASSERT_EQ(played.back(), target + 2 * kBuffer - 1) << i;
    }
    ASSERT_TRUE(engine.Seek(10 * kRate - 1500));
    engine.Play();
    Pull(3);
    EXPECT_FALSE(engine.IsPlaying(At(now)));
    EXPECT_EQ(Position(), 10 * kRate);
}

// A 440 Hz tone, soft until `loudFrom`, loud from there: the loud onset marks a media time that
// can be found again in what is heard.
class tToneSource : public tRampSource {
public:
    tToneSource(int64_t length, int64_t loudFrom) : tRampSource(length), loudFrom_(loudFrom) {}
    int Read(float* out, int frames) override {
        const int64_t first = Next();
        const int made = tRampSource::Read(out, frames);
        for (int i = 0; i < made; ++i) {
            const int64_t n = first + i;
            const float level = n >= loudFrom_ ? 0.8f : 0.1f;
            out[i * 2] = out[i * 2 + 1] = level * static_cast<float>(std::sin(2 * M_PI * 440.0 * n / kRate));
        }
        return made;
    }

private:
    int64_t loudFrom_;
};

int FirstLoudFrame(const std::vector<float>& left, size_t from = 0) {
    for (size_t i = from; i < left.size(); ++i)
        if (std::abs(left[i]) > 0.5f)
            return static_cast<int>(i);
    return -1;
}

// A speed and a key, and what they must sound like.
struct tSpeedAndKey {
    double rate;
    int key;
};
void PrintTo(const tSpeedAndKey& p, std::ostream* os) { *os << "rate " << p.rate << ", key " << p.key; }

class StretchedToneTest : public AudioEngineTest, public ::testing::WithParamInterface<tSpeedAndKey> {};

TEST_P(StretchedToneTest, ThePitchIsTheKeysAndTheClockFollowsTheMediaTime) {
    const auto [rate, key] = GetParam();
    constexpr int64_t loudAt = 3 * kRate / 2;
    engine.Load(std::make_unique<tToneSource>(10 * kRate, loudAt));
    engine.KeepPitch();
    engine.SetRate(rate);
    engine.SetKey(key);
    engine.Play();
    double clockAtOnset = -1;
    std::vector<float> left;
    for (int i = 0; i < 5 * kRate / kBuffer && clockAtOnset < 0; ++i) {
        const size_t before = left.size();
        for (float v : Pull(1))
            left.push_back(v);
        const int onset = FirstLoudFrame(left, before);
        // The frame pulled at `onset` is heard `latency` frames after its pull.
        if (onset >= 0)
            clockAtOnset = engine.PositionFrames(At(now - static_cast<double>(kBuffer) / kRate +
                                                    static_cast<double>(onset - before + latency) / kRate));
    }
    const int onset = FirstLoudFrame(left);
    ASSERT_GT(onset, 0) << "the loud part never came";
    EXPECT_NEAR(onset, loudAt / rate, 0.02 * kRate) << "the onset comes later by the speed";
    EXPECT_NEAR(clockAtOnset, loudAt, 0.02 * kRate) << "heard at the onset, the clock tells its media time";
    const double pitch = 440.0 * std::exp2(key / 12.0);
    EXPECT_NEAR(test::ToneFrequency({left.begin() + kRate / 2, left.begin() + kRate}, kRate), pitch,
                pitch * 0.01)
        << "the pitch moves by the key only";

    // Back at normal speed in the own key the sound goes on where the stretch had got to,
    // without a jump: the latency's worth still to be heard was handed over at the speed before.
    const double stretched = Position();
    engine.SetRate(1.0);
    engine.SetKey(0);
    Pull(4);
    EXPECT_NEAR(Position(), stretched + rate * latency + (4 * kBuffer - latency), 0.01 * kRate);
}

INSTANTIATE_TEST_SUITE_P(SpeedsAndKeys, StretchedToneTest,
                         ::testing::Values(tSpeedAndKey{0.5, 0}, tSpeedAndKey{0.8, 0}, tSpeedAndKey{1.0, -6},
                                           tSpeedAndKey{1.0, 3}, tSpeedAndKey{1.0, 6}, tSpeedAndKey{0.8, 2}),
                         [](const ::testing::TestParamInfo<tSpeedAndKey>& info) {
                             const int key = info.param.key;
                             return "Speed" + std::to_string(std::lround(info.param.rate * 100)) + "Key" +
                                    (key < 0 ? "Minus" : "Plus") + std::to_string(std::abs(key));
                         });

TEST_F(AudioEngineTest, AStretchedMediumStillEnds) {
    engine.Load(std::make_unique<tToneSource>(kRate, 0));
    engine.KeepPitch();
    engine.SetRate(0.75);
    engine.Play();
    Pull(2 * kRate / kBuffer);
    EXPECT_FALSE(engine.IsPlaying(At(now)));
    EXPECT_NEAR(Position(), kRate, 0.02 * kRate);
}

TEST(OutputClock, FollowsTheOutputsOwnPace) {
    // An output pulling 1.5 % faster than its nominal rate: readings between pulls keep step
    // with the pulls instead of falling behind them.
    tOutputClock clock;
    clock.Configure(kRate, kBuffer);
    const double period = kBuffer / (kRate * 1.015);
    for (int i = 0; i < 100; ++i) {
        clock.BeginBuffer(At(i * period));
        clock.Append(kBuffer, static_cast<double>(i) * kBuffer, 1.0);
    }
    const double last = 99 * period;
    for (double f : {0.25, 0.5, 0.75}) {
        const double truth = 99 * kBuffer - kBuffer + f * kBuffer;
        EXPECT_NEAR(clock.MediaAt(At(last + f * period)), truth, 0.02 * kRate / 1000) << f;
    }
}

TEST(OutputClock, NeverGoesBackWhenPullsComeIrregularly) {
    tOutputClock clock;
    clock.Configure(kRate, kBuffer);
    std::mt19937 random(7);
    std::uniform_real_distribution<double> jitter(0.3, 1.7);
    double nextPull = 0, last = -1e18;
    int64_t media = 0;
    for (int step = 0; step < 3000; ++step) {
        const double t = step * 0.001;
        while (nextPull <= t) {
            clock.BeginBuffer(At(nextPull));
            clock.Append(kBuffer, static_cast<double>(media), 1.0);
            media += kBuffer;
            nextPull += jitter(random) * kBuffer / kRate;
        }
        const double heard = clock.MediaAt(At(t));
        ASSERT_GE(heard, last) << step;
        ASSERT_LE(heard, static_cast<double>(media - kBuffer)) << step;
        last = heard;
    }
}

} // namespace
