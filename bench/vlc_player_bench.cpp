// The VLC player's clock and seeks, on its silent sink.
//
// True position: the silent sink takes each block of sound VLC decodes at the very time VLC asks
// it to be heard (it holds VLC's sound thread until then, as a sound card's buffer would), and
// tells the benchmark when it did. The media time heard at an instant is where the sound started
// (0, or the seek target) plus the frames taken since VLC last threw its sound away plus the time
// since the block being heard began, at one frame per frame time. So the truth is VLC's own
// sound timing, measured independently of VLC's clock reports that the player interpolates. For
// the signal files the first block is located in the original signal by correlation, which checks
// that the count starts where it should ("origin_ms", 0 when it does).
//
// Clock: the position read at 60 Hz over 10 s of playing from the start, against that truth
// (median, p99 and max of the absolute error, and the mean signed error: positive is ahead).
// Seeks: 20 seeks spread over the file, each followed by Play. For the signal files the first
// sound heard is located in the signal by correlation; for the numbered video, whose sound is a
// plain sine, the picture shown at once after the seek is compared with the one due at the target.
#include "bench_stats.h"
#include "media/backends/vlc_player.h"
#include "media/video_window.h"
#include "media_fixtures.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

using tClock = std::chrono::steady_clock;
constexpr int kRate = 48000;
constexpr double kSeconds = 12.0;
[[maybe_unused]] const bool kNullAudio = ::setenv("LYRIMO_AUDIO_OUTPUT", "null", 1) == 0;

const tSignal& Signal() {
    static const tSignal signal = TestSignal(kRate, kSeconds);
    return signal;
}

QString Media(const QString& name) {
    static QTemporaryDir folder;
    const QString path = folder.filePath(name);
    if (name.endsWith(".mp4")) {
        tVideoFixture fixture;
        fixture.seconds = kSeconds;
        return WriteNumberedVideo(path, fixture) ? path : QString();
    }
    return WriteSignalMedia(path, Signal()) ? path : QString();
}

// The blocks the silent sink took, counted from the last time VLC threw its sound away.
class tHeardLog {
public:
    explicit tHeardLog(tVlcPlayer& player) : player_(player) {
        player.SetHeardObserver([this](const tVlcPlayer::tHeardBlock& block) {
            std::lock_guard lock(mutex_);
            if (frozen_)
                return;
            if (!block.samples) {
                blocks_.clear();
                firstKept_ = 0;
                return;
            }
            rate_ = block.rate;
            tBlock heard{block.time, block.frames, 0, {}};
            // The first 40 ms after a start are kept, to locate where the sound began.
            const int kept = std::min(block.frames, std::max(kFirstFrames - firstKept_, 0));
            firstKept_ += kept;
            for (int i = 0; i < kept; ++i) {
                const int16_t* frame = block.samples + size_t(i) * size_t(block.channels);
                heard.start.push_back(frame[0] / 32768.f);
                heard.start.push_back((block.channels > 1 ? frame[1] : frame[0]) / 32768.f);
            }
            blocks_.push_back(std::move(heard));
        });
    }
    ~tHeardLog() { player_.SetHeardObserver({}); }
    void Clear() {
        std::lock_guard lock(mutex_);
        blocks_.clear();
        firstKept_ = 0;
    }
    // Takes no more blocks.
    void Freeze() {
        std::lock_guard lock(mutex_);
        frozen_ = true;
    }
    // Where in the medium each block starts: counted on from `originMs`.
    void Locate(int originMs) {
        std::lock_guard lock(mutex_);
        int64_t counted = int64_t(originMs) * rate_ / 1000;
        for (tBlock& block : blocks_) {
            block.mediaFrame = counted;
            counted += block.frames;
        }
    }
    // The ms of media heard at `time` (after Locate); NAN before the first block.
    double HeardMs(tClock::time_point time) {
        std::lock_guard lock(mutex_);
        auto next = std::upper_bound(blocks_.begin(), blocks_.end(), time,
                                     [](tClock::time_point t, const tBlock& b) { return t < b.time; });
        if (next == blocks_.begin() || rate_ <= 0)
            return NAN;
        const tBlock& block = *(next - 1);
        const double within = std::chrono::duration<double>(time - block.time).count() * rate_;
        return (double(block.mediaFrame) + std::min(within, double(block.frames))) * 1000.0 / rate_;
    }
    // The first 40 ms heard, waiting for them up to two seconds.
    std::vector<float> FirstSound() {
        const auto deadline = tClock::now() + std::chrono::seconds(2);
        while (tClock::now() < deadline) {
            {
                std::lock_guard lock(mutex_);
                std::vector<float> first;
                for (const tBlock& block : blocks_) {
                    first.insert(first.end(), block.start.begin(), block.start.end());
                    if (first.size() >= size_t(kFirstFrames) * 2) {
                        first.resize(size_t(kFirstFrames) * 2);
                        return first;
                    }
                    if (size_t(block.frames) * 2 > block.start.size())
                        break; // only part of it was kept: what follows is not next to it
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return {};
    }

private:
    static constexpr int kFirstFrames = 1920; // 40 ms
    struct tBlock {
        tClock::time_point time;
        int frames;
        int64_t mediaFrame;
        std::vector<float> start; // its first frames, stereo
    };
    tVlcPlayer& player_;
    std::mutex mutex_;
    std::vector<tBlock> blocks_;
    int rate_ = 0;
    int firstKept_ = 0;
    bool frozen_ = false;
};

// Where the sound heard first lies in the signal, in ms from `expectedMs`.
double SoundOffMs(tHeardLog& log, int expectedMs) {
    const std::vector<float> played = log.FirstSound();
    if (played.empty())
        return NAN;
    return double(BestLag(played, Signal(), int64_t(expectedMs) * kRate / 1000, 80 * kRate / 1000)) * 1000.0 /
           kRate;
}

void BM_VlcClockError(benchmark::State& state, const char* name) {
    std::vector<double> errors;
    double signedSum = 0;
    double origin = NAN;
    for (auto _ : state) {
        tVideoWindow window; // outlives the player
        tVlcPlayer player;
        tHeardLog log(player);
        const bool video = QString(name).endsWith(".mp4");
        if (!player.OpenFile(Media(name), video ? &window : nullptr, 0)) {
            state.SkipWithError(qUtf8Printable(player.LastError()));
            return;
        }
        log.Clear();
        player.Play();
        std::vector<std::pair<tClock::time_point, int>> readings;
        const auto start = tClock::now();
        for (int i = 1; i <= 600; ++i) {
            std::this_thread::sleep_until(start + std::chrono::microseconds(i * 16667));
            player.RefreshDisplay();
            const tClock::time_point now = tClock::now();
            readings.push_back({now, player.GetPosition()});
        }
        if (!video)
            origin = SoundOffMs(log, 0);
        log.Freeze();
        log.Locate(0);
        for (const auto& [time, reported] : readings) {
            const double truth = log.HeardMs(time);
            if (std::isnan(truth))
                continue;
            errors.push_back(std::fabs(reported - truth));
            signedSum += reported - truth;
        }
    }
    state.counters["median_ms"] = Percentile(errors, 0.5);
    state.counters["p99_ms"] = Percentile(errors, 0.99);
    state.counters["max_ms"] = errors.empty() ? NAN : *std::max_element(errors.begin(), errors.end());
    state.counters["mean_signed_ms"] = signedSum / double(std::max<size_t>(errors.size(), 1));
    state.counters["readings"] = double(errors.size());
    state.counters["origin_ms"] = origin;
}
BENCHMARK_CAPTURE(BM_VlcClockError, wav, "signal.wav")
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_VlcClockError, mp3, "signal.mp3")
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_VlcClockError, mp4, "numbered.mp4")
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

void BM_VlcSeekAccuracy(benchmark::State& state, const char* name) {
    tVideoWindow window;
    tVlcPlayer player;
    tHeardLog log(player);
    const bool video = QString(name).endsWith(".mp4");
    if (!player.OpenFile(Media(name), video ? &window : nullptr, 0)) {
        state.SkipWithError(qUtf8Printable(player.LastError()));
        return;
    }
    std::vector<double> errors;
    std::vector<double> seekMs;
    for (auto _ : state) {
        for (int i = 0; i < 20; ++i) {
            const int target = 150 + i * 541; // spread over the file, off any frame grid
            const auto before = tClock::now();
            player.SetPosition(target);
            seekMs.push_back(std::chrono::duration<double, std::milli>(tClock::now() - before).count());
            if (video) {
                const Bitmap& frame = window.Frame();
                const int shown =
                    VideoPictureNumber(frame.Pixel(frame.Width() / 2, frame.Height() / 2) & 0xFF);
                const int due = target * kVideoPicturesPerSecond / 1000 % kVideoNumberCycle;
                errors.push_back(std::abs(shown - due) * 1000.0 / kVideoPicturesPerSecond);
            } else {
                log.Clear();
                player.Play();
                // VLC may hand over a block from before the seek and then throw it away; what
                // comes after that is what plays.
                std::this_thread::sleep_for(std::chrono::milliseconds(120));
                errors.push_back(std::fabs(SoundOffMs(log, target)));
            }
            player.PauseResume();
        }
    }
    state.counters["median_error_ms"] = Percentile(errors, 0.5);
    state.counters["max_error_ms"] = *std::max_element(errors.begin(), errors.end());
    state.counters["seek_call_ms"] = Percentile(seekMs, 0.5);
}
BENCHMARK_CAPTURE(BM_VlcSeekAccuracy, wav, "signal.wav")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_VlcSeekAccuracy, mp3, "signal.mp3")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_VlcSeekAccuracy, mp4, "numbered.mp4")->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
