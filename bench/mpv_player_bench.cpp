// The mpv player's clock and seeks, on mpv's null sound output.
//
// True position. mpv's null output stands for a sound device that takes the samples at exactly
// the nominal rate, on the steady clock, from the moment it is unpaused; its reported delay is
// what such a device would still hold. So the true audible position at an instant t is the
// position playing started from (0 after an open) plus the steady-clock time since the output
// was started. The output is started inside Play() (mpv applies the unpause on its core before
// the call returns); the start is taken as the middle of that call and the call's length
// (play_call_ms) bounds how wrong that can be. This measures how well the positions the player
// reports follow the sound leaving the output, not the latency of a real sound card behind it
// (mpv takes a real output's reported delay off in the same way).
//
// The output may start a little after the call: with a video mpv starts the sound together with
// the first picture, one picture later. That start delay is measured as the median lag of mpv's
// clock behind the steady clock since Play (start_delay_ms), reported apart and taken off the
// true position, so the errors below are those of a running clock.
//
// Clock: each file plays for 10 s while the position is read at 60 Hz (each reading stamped with
// the middle of its call) and compared with the true position: GetPosition (whole ms, what callers see) and
// mpv's two clocks, "audio-pts" (the one the player uses) and "time-pos" (the time of the last sound or
// picture handed on). For the video, each reading also refreshes the display as the playback window does and
// compares the picture shown with the picture due at the true position.
//
// Seeks: 20 targets spread over each file. mpv's null output cannot be listened to, so a seek is
// judged by where mpv says it landed (landing_ms), by whether playing on from there follows the
// true position (continue_ms, 100 ms after Play), and for the video by the picture shown at once
// after the seek against the picture due at the target (a video seek lands on the first picture
// starting at or after the target, so that is the due one or the next).
#include "bench_stats.h"
#include "media/backends/mpv_player.h"
#include "media/video_window.h"
#include "media_fixtures.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>
#include <vector>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

using Clock = std::chrono::steady_clock;

[[maybe_unused]] const bool kNullAudio = ::setenv("LYRIMO_AUDIO_OUTPUT", "null", 1) == 0;

constexpr int kMsPerPicture = 1000 / kVideoPicturesPerSecond;

QString Media(const QString& name) {
    static QTemporaryDir folder;
    static const bool made = [] {
        const tSignal signal = TestSignal(48000, 12.0);
        tVideoFixture video;
        video.seconds = 12.0;
        return WriteSignalMedia(folder.filePath("signal.wav"), signal) &&
               WriteSignalMedia(folder.filePath("signal.mp3"), signal) &&
               WriteNumberedVideo(folder.filePath("numbered.mp4"), video);
    }();
    return made ? folder.filePath(name) : QString();
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void Report(benchmark::State& state, const char* prefix, const std::vector<double>& errors) {
    const std::string p(prefix);
    state.counters[p + "_median_ms"] = Percentile(errors, 0.5);
    state.counters[p + "_p99_ms"] = Percentile(errors, 0.99);
    state.counters[p + "_max_ms"] = errors.empty() ? NAN : *std::max_element(errors.begin(), errors.end());
}

int ShownNumber(const tVideoWindow& window) {
    const Bitmap& frame = window.Frame();
    return VideoPictureNumber(frame.Pixel(frame.Width() / 2, frame.Height() / 2) & 0xFF);
}

// Pictures the shown one is off the due one, either way, across the numbers' cycle.
int PicturesOff(int shown, int due) {
    const int off = std::abs(shown - due) % kVideoNumberCycle;
    return std::min(off, kVideoNumberCycle - off);
}

void BM_MpvClock(benchmark::State& state, const char* name) {
    const bool video = QString(name).endsWith(".mp4");
    struct tReading {
        double since[3]; // steady ms since Play for each of the three readings
        double ms[3];    // GetPosition, audio-pts, time-pos
        int shown;       // picture number shown, -1 without a picture
    };
    std::vector<tReading> readings;
    std::vector<double> playCalls, calls[3];
    for (auto _ : state) {
        tVideoWindow window; // outlives the player, which lets go of it when it closes
        tMpvPlayer player;
        if (!player.OpenFile(Media(name), video ? &window : nullptr, 0)) {
            state.SkipWithError(qUtf8Printable(player.LastError()));
            return;
        }
        const Clock::time_point before = Clock::now();
        player.Play();
        const Clock::time_point after = Clock::now();
        const Clock::time_point start = before + (after - before) / 2;
        playCalls.push_back(Ms(after - before));
        for (int i = 1; i <= 600; ++i) {
            std::this_thread::sleep_until(start + std::chrono::microseconds(i * 16667));
            if (video)
                player.RefreshDisplay();
            // Each reading is stamped with the middle of the call that made it.
            tReading r{};
            const auto stamp = [&](int k, auto read) {
                const Clock::time_point before = Clock::now();
                r.ms[k] = read();
                const Clock::time_point after = Clock::now();
                r.since[k] = Ms(before - start) + Ms(after - before) / 2;
                calls[k].push_back(Ms(after - before));
            };
            stamp(0, [&] { return double(player.GetPosition()); });
            stamp(1, [&] { return player.EngineSeconds("audio-pts") * 1000.0; });
            stamp(2, [&] { return player.EngineSeconds("time-pos") * 1000.0; });
            r.shown = video && window.HasFrame() ? ShownNumber(window) : -1;
            readings.push_back(r);
        }
    }
    // The output may start a little after Play: with a video, mpv starts the sound with the first
    // picture. That start, the median lag of mpv's clock, is reported apart and taken off.
    std::vector<double> lags;
    for (const tReading& r : readings)
        if (!std::isnan(r.ms[1]))
            lags.push_back(r.since[1] - r.ms[1]);
    const double startDelay = Percentile(lags, 0.5);
    std::vector<double> errors[3];
    int pictures = 0, exactPictures = 0, worstPicture = 0;
    for (const tReading& r : readings) {
        for (int k = 0; k < 3; ++k)
            if (!std::isnan(r.ms[k]))
                errors[k].push_back(std::fabs(r.ms[k] - (r.since[k] - startDelay)));
        if (r.shown >= 0) {
            const int off = PicturesOff(r.shown, int(r.since[0] - startDelay) / kMsPerPicture);
            ++pictures;
            exactPictures += off == 0;
            worstPicture = std::max(worstPicture, off);
        }
    }
    Report(state, "pos", errors[0]);
    Report(state, "apts", errors[1]);
    Report(state, "tpos", errors[2]);
    state.counters["start_delay_ms"] = startDelay;
    // How long reading the position takes (the bound on when a reading was taken).
    state.counters["pos_call_p99_ms"] = Percentile(calls[0], 0.99);
    state.counters["pos_call_max_ms"] = Percentile(calls[0], 1.0);
    state.counters["play_call_ms"] = Percentile(playCalls, 1.0);
    if (video) {
        state.counters["pic_exact_pct"] = 100.0 * exactPictures / std::max(pictures, 1);
        state.counters["pic_max_off"] = worstPicture;
    }
}
BENCHMARK_CAPTURE(BM_MpvClock, wav, "signal.wav")->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_MpvClock, mp3, "signal.mp3")->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_MpvClock, mp4, "numbered.mp4")->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_MpvSeek(benchmark::State& state, const char* name) {
    const bool video = QString(name).endsWith(".mp4");
    tVideoWindow window; // outlives the player, which lets go of it when it closes
    tMpvPlayer player;
    if (!player.OpenFile(Media(name), video ? &window : nullptr, 0)) {
        state.SkipWithError(qUtf8Printable(player.LastError()));
        return;
    }
    std::vector<double> landing, continuing, seekCalls;
    int worstPicture = 0;
    for (auto _ : state) {
        for (int i = 0; i < 20; ++i) {
            const int target = 150 + i * 541; // spread over the file, off any frame grid
            const Clock::time_point before = Clock::now();
            player.SetPosition(target);
            seekCalls.push_back(Ms(Clock::now() - before));
            const int landed = player.GetPosition();
            landing.push_back(std::fabs(landed - target));
            if (video)
                worstPicture =
                    std::max(worstPicture, PicturesOff(ShownNumber(window), target / kMsPerPicture));
            const Clock::time_point played = Clock::now();
            player.Play();
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            continuing.push_back(std::fabs(player.GetPosition() - landed - Ms(Clock::now() - played)));
        }
    }
    Report(state, "landing", landing);
    Report(state, "continue", continuing);
    state.counters["seek_call_median_ms"] = Percentile(seekCalls, 0.5);
    state.counters["seek_call_max_ms"] = Percentile(seekCalls, 1.0);
    if (video)
        state.counters["pic_max_off"] = worstPicture;
}
BENCHMARK_CAPTURE(BM_MpvSeek, wav, "signal.wav")->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_MpvSeek, mp3, "signal.mp3")->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_MpvSeek, mp4, "numbered.mp4")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
