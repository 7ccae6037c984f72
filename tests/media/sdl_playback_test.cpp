// The built-in player through the real sound output (SDL's dummy driver, which consumes sound at
// its own pace). The wall clock only bounds how long a test waits; what is checked is what the
// player's clock says.
#include "app/app_services.h"
#include "media/backends/builtin/sdl_audio.h"
#include "media/backends/builtin_player.h"
#include "media/sound_effect_player.h"
#include "media_fixtures.h"
#include "test_support.h"

#include <QDir>
#include <QRegularExpression>

#include <atomic>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

class SdlPlaybackTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_FALSE(Wav().isEmpty()); }
    static QString Wav() { return OneSecondWav(ScratchFolder() + "/sdl"); }

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

// SDL's dummy driver opens one device at a time, so the player's and the effects' devices are
// opened one after the other here; what is shared is the one start of SDL's audio.
TEST_F(SdlPlaybackTest, ThePlayerAndTheSoundEffectsShareOneStartOfSdlAudio) {
    ASSERT_EQ(SdlAudioUsers(), 0);
    EXPECT_FALSE(SdlAudioStarted());
    auto player = std::make_unique<tBuiltinPlayer>();
    ASSERT_TRUE(player->OpenFile(Wav(), nullptr, 0)) << player->LastError().toStdString();
    EXPECT_TRUE(SdlAudioStarted());
    EXPECT_EQ(SdlAudioUsers(), 1);
    {
        const tSdlAudioUse held;
        ASSERT_TRUE(held.Ok());
        player.reset();
        EXPECT_EQ(SdlAudioUsers(), 1);
        EXPECT_TRUE(SdlAudioStarted()) << "still in use";
        tSoundEffectPlayer effects;
        effects.Play(Wav());
        ASSERT_TRUE(WaitFor([&] { return effects.DecodingDone(); }, 5000));
        EXPECT_TRUE(effects.LastPlayOk());
        EXPECT_EQ(SdlAudioUsers(), 2) << "the effects' device is one more use of the same start";
    }
    EXPECT_EQ(SdlAudioUsers(), 0);
    EXPECT_FALSE(SdlAudioStarted()) << "the last user shuts it down";

    tBuiltinPlayer again;
    EXPECT_TRUE(again.IsAvailable()) << "and the next one starts it again";
    EXPECT_TRUE(SdlAudioStarted());
}

// SDL keeps state for each thread that starts its audio, freed only for threads of its own, so
// the start and the shutdown stay on this thread, as they do on the program's main thread.
TEST_F(SdlPlaybackTest, UsesTakenAndLetGoOnManyThreadsAreCountedExactly) {
    auto first = std::make_unique<tSdlAudioUse>();
    ASSERT_TRUE(first->Ok());
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&failures, withDevice = t == 0] {
            const std::vector<float> silence(512 * 2, 0.f);
            for (int i = 0; i < 25; ++i) {
                if (withDevice) {
                    QString error;
                    const std::unique_ptr<tSdlAudioDevice> device =
                        tSdlAudioDevice::Open(48000, 512, nullptr, error);
                    if (!device || !SdlAudioStarted()) {
                        ++failures;
                        continue;
                    }
                    device->Queue(silence.data(), 512);
                    if (device->QueuedFrames() > 512)
                        ++failures;
                } else {
                    const tSdlAudioUse use;
                    if (!use.Ok() || !SdlAudioStarted())
                        ++failures;
                }
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(SdlAudioUsers(), 1);
    EXPECT_TRUE(SdlAudioStarted());
    first.reset();
    EXPECT_EQ(SdlAudioUsers(), 0);
    EXPECT_FALSE(SdlAudioStarted());
}

} // namespace
