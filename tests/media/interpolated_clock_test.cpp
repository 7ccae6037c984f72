#include "media/interpolated_clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace lyrimo {
namespace {

using namespace std::chrono_literals;
using tTime = tInterpolatedClock::tTime;

const tTime kStart{};

// An engine clock that moves on in steps of `step` ms: what it reports at true position t.
double Stepped(double t, double step) { return std::floor(t / step) * step; }

// Plays 10 s against a true clock starting at `from`, the engine reporting in 250 ms steps and
// read at 60 Hz; the largest error of the smoothed position and whether it ever went back.
struct tRun {
    double worstError = 0;
    bool wentBack = false;
};
tRun PlaySteppedClock(double rate, double from) {
    tInterpolatedClock clock;
    clock.Reset(from);
    clock.SetRate(rate, kStart);
    clock.Run(kStart);
    tRun run;
    double previous = from;
    for (int tick = 0; tick < 600; ++tick) {
        const tTime now = kStart + std::chrono::microseconds(tick * 16667);
        const double truth = from + std::chrono::duration<double, std::milli>(now - kStart).count() * rate;
        clock.Observe(Stepped(truth, 250), now);
        const double position = clock.Position(now);
        if (tick > 30) // after the first reports have told where playback is
            run.worstError = std::max(run.worstError, std::abs(position - truth));
        run.wentBack = run.wentBack || position < previous;
        previous = position;
    }
    return run;
}

TEST(InterpolatedClock, FollowsASteppedClockClosely) {
    for (double rate : {1.0, 0.5, 1.5}) {
        const tRun run = PlaySteppedClock(rate, 3000);
        EXPECT_LT(run.worstError, 20.0) << "rate " << rate;
        EXPECT_FALSE(run.wentBack) << "rate " << rate;
    }
}

TEST(InterpolatedClock, StandsStillWhenHeldAndGoesOnFromThere) {
    tInterpolatedClock clock;
    clock.Reset(1000);
    clock.Run(kStart);
    clock.Hold(kStart + 500ms);
    EXPECT_DOUBLE_EQ(clock.Position(kStart + 900ms), 1500);
    clock.Run(kStart + 1000ms);
    EXPECT_DOUBLE_EQ(clock.Position(kStart + 1100ms), 1600);
}

TEST(InterpolatedClock, TakesLargeErrorsAtOnceAndSmallOnesGently) {
    tInterpolatedClock clock;
    clock.Reset(0);
    clock.Run(kStart);
    clock.Observe(5000, kStart + 100ms); // the engine went elsewhere by itself
    EXPECT_DOUBLE_EQ(clock.Position(kStart + 100ms), 5000);
    clock.Observe(5140, kStart + 200ms); // 40 ms ahead of the projection
    EXPECT_DOUBLE_EQ(clock.Position(kStart + 200ms), 5120);
    // A reading a little behind does not take the position back.
    clock.Observe(5100, kStart + 210ms);
    EXPECT_GE(clock.Position(kStart + 210ms), 5120);
}

TEST(InterpolatedClock, AStandingClockTakesEveryReading) {
    tInterpolatedClock clock;
    clock.Reset(0);
    clock.Observe(7000, kStart);
    EXPECT_DOUBLE_EQ(clock.Position(kStart + 1s), 7000);
    clock.Reset(200);
    EXPECT_DOUBLE_EQ(clock.Position(kStart + 2s), 200);
}

} // namespace
} // namespace lyrimo
