// The built-in player through the real sound output (SDL's dummy driver, which consumes sound at
// its own pace). The wall clock only bounds how long a test waits; what is checked is what the
// player's clock says.
#include "app/app_services.h"
#include "media/backends/builtin_player.h"
#include "media_fixtures.h"
#include "test_support.h"

#include <QDir>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

using namespace lyrimo;
using namespace lyrimo::test;
using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

namespace {

class SdlPlaybackTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ::setenv("SDL_AUDIODRIVER", "dummy", 0);
        QDir().mkpath(ScratchFolder() + "/sdl");
        ASSERT_TRUE(WriteWav(Wav(), TestSignal(48000, 1.0)));
    }
    static QString Wav() { return ScratchFolder() + "/sdl/one-second.wav"; }

    // Polls every few milliseconds until the condition holds or the time is up.
    static bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!condition()) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
        return true;
    }
};

TEST_F(SdlPlaybackTest, TheClockAdvancesHoldsWhilePausedAndTheEndStopsPlaying) {
    tBuiltinPlayer player;
    ASSERT_TRUE(player.IsAvailable());
    ASSERT_TRUE(player.OpenFile(Wav(), nullptr, 0)) << player.LastError().toStdString();
    EXPECT_EQ(player.GetLength(), 1000);
    player.Play();
    int last = 0;
    bool monotonic = true;
    ASSERT_TRUE(WaitFor(
        [&] {
            const int now = player.GetPosition();
            monotonic = monotonic && now >= last;
            last = now;
            return now >= 300;
        },
        5000));
    EXPECT_TRUE(monotonic);

    player.PauseResume();
    // What was handed to the output before the pause still plays out, then the clock stands.
    int held = -1;
    ASSERT_TRUE(WaitFor(
        [&] {
            const int before = player.GetPosition();
            std::this_thread::sleep_for(std::chrono::milliseconds(60));
            held = player.GetPosition();
            return held == before;
        },
        2000));
    EXPECT_GE(held, 300);
    EXPECT_LT(held, 500);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(player.GetPosition(), held);

    player.PauseResume();
    EXPECT_GE(player.GetPosition(), held);
    ASSERT_TRUE(WaitFor([&] { return !player.IsPlaying(); }, 5000));
    EXPECT_EQ(player.GetPosition(), 1000);
}

} // namespace
