// The built-in player's clock and seeks, and how soon it sounds after an open.
//
// Clock: 10 s of a WAV through SDL's dummy output, the position read at 60 Hz and compared with
// the true position: the output frame being played at that moment (interpolated between the
// output's pulls, knowing when the next pull came), less the latency, mapped back to media time.
// Seeks: each format is seeked to 20 positions and what plays next is located in the original
// signal by correlation. First sound: from the call to OpenFile until the first buffer with sound
// is handed to the output (the output's latency, 21 ms, comes on top).
#include "app/app_services.h"
#include "bench_stats.h"
#include "media/backends/builtin/audio_output.h"
#include "media/backends/builtin/sdl_audio.h"
#include "media/backends/builtin_player.h"
#include "media/media_player.h"
#include "media_fixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

constexpr int kRate = 48000;
[[maybe_unused]] const bool kDummyAudio = ::setenv("SDL_AUDIODRIVER", "dummy", 1) == 0;

QString Fixture(const QString& name) {
    static QTemporaryDir folder;
    return folder.filePath(name);
}

const tSignal& Signal() {
    static const tSignal signal = TestSignal(kRate, 12.0);
    return signal;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The signal as WAV and in the other formats, made once.
QString Media(const QString& name) {
    static const bool made = [] {
        bool ok = true;
        for (const char* file : {"signal.wav", "signal.mp3", "signal44.mp3", "signal.ogg", "signal.opus",
                                 "signal.flac", "signal.m4a", "signal.aiff", "signal.au"})
            ok = WriteSignalMedia(Fixture(file), Signal()) && ok;
        tMidiWriter midi;
        midi.Program(0, 0, 73);
        for (int beat = 0; beat < 20; ++beat)
            midi.Note(beat * 480 + 37 * beat % 480, 240, 0, 60 + beat % 12);
        return WriteFile(Fixture("tune.mid"), midi.Bytes()) && ok;
    }();
    return made ? Fixture(name) : QString();
}

struct tPull {
    tSteadyTime time;
    int64_t frame;
    int frames;
    double media;
    double step;
};

// The media frame truly heard at `time`, from the log of pulls.
double TrueMedia(const std::vector<tPull>& pulls, tSteadyTime time, int latency) {
    auto next = std::upper_bound(pulls.begin(), pulls.end(), time,
                                 [](tSteadyTime t, const tPull& p) { return t < p.time; });
    if (next == pulls.begin() || next == pulls.end())
        return NAN;
    const tPull& pull = *(next - 1);
    const double within = std::chrono::duration<double>(time - pull.time).count() /
                          std::chrono::duration<double>(next->time - pull.time).count();
    const double heard = static_cast<double>(pull.frame - latency) + within * pull.frames;
    for (auto p = next; p != pulls.begin();) {
        --p;
        if (heard >= static_cast<double>(p->frame) && heard < static_cast<double>(p->frame + p->frames))
            return p->media + (heard - static_cast<double>(p->frame)) * p->step;
    }
    return NAN;
}

void BM_ClockError(benchmark::State& state) {
    std::vector<double> exactErrors, reportedErrors, pullIntervals;
    double signedSum = 0;
    for (auto _ : state) {
        tBuiltinPlayer player;
        std::mutex mutex;
        std::vector<tPull> pulls;
        pulls.reserve(100000);
        player.Engine().SetRenderObserver(
            [&](tSteadyTime t, int64_t frame, int frames, double media, double step) {
                std::lock_guard lock(mutex);
                pulls.push_back({t, frame, frames, media, step});
            });
        if (!player.OpenFile(Media("signal.wav"), nullptr, 0)) {
            state.SkipWithError(qUtf8Printable(player.LastError()));
            return;
        }
        player.Play();
        struct tReading {
            tSteadyTime time;
            double exact;
            int reported;
        };
        std::vector<tReading> readings;
        const auto start = std::chrono::steady_clock::now();
        for (int i = 1; i <= 600; ++i) {
            std::this_thread::sleep_until(start + std::chrono::microseconds(i * 16667));
            const tSteadyTime now = std::chrono::steady_clock::now();
            readings.push_back({now, player.Engine().PositionFrames(now), player.GetPosition()});
        }
        player.Close();
        player.Engine().SetRenderObserver({});
        const int latency = player.Engine().LatencyFrames();
        std::lock_guard lock(mutex);
        for (size_t i = 2; i < pulls.size(); ++i) {
            const double interval =
                std::chrono::duration<double, std::milli>(pulls[i].time - pulls[i - 1].time).count();
            pullIntervals.push_back(interval);
        }
        for (const tReading& r : readings) {
            const double truth = TrueMedia(pulls, r.time, latency);
            if (std::isnan(truth) || truth <= 0)
                continue;
            exactErrors.push_back(std::fabs(r.exact - truth) * 1000.0 / kRate);
            signedSum += (r.exact - truth) * 1000.0 / kRate;
            reportedErrors.push_back(std::fabs(r.reported - truth * 1000.0 / kRate));
        }
    }
    state.counters["max_ms"] = *std::max_element(exactErrors.begin(), exactErrors.end());
    state.counters["p99_ms"] = Percentile(exactErrors, 0.99);
    state.counters["int_ms_max"] = *std::max_element(reportedErrors.begin(), reportedErrors.end());
    state.counters["int_ms_p99"] = Percentile(reportedErrors, 0.99);
    state.counters["readings"] = static_cast<double>(exactErrors.size());
    state.counters["mean_signed_ms"] = signedSum / static_cast<double>(exactErrors.size());
    // How regularly the output pulled: the spread of the intervals between its pulls.
    state.counters["pull_min_ms"] = *std::min_element(pullIntervals.begin(), pullIntervals.end());
    state.counters["pull_max_ms"] = *std::max_element(pullIntervals.begin(), pullIntervals.end());
}
BENCHMARK(BM_ClockError)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// An output the benchmark pulls itself, as fast as it likes, waiting for the sound to be decoded.
class tPullOutput : public tAudioOutput {
public:
    bool Open(tAudioRenderer* renderer, QString&) override {
        renderer_ = renderer;
        return true;
    }
    void SetRunning(bool) override {}
    int SampleRate() const override { return kRate; }
    int LatencyFrames() const override { return 0; }
    bool RealTime() const override { return false; }
    std::vector<float> Pull(int frames) {
        std::vector<float> out(static_cast<size_t>(frames) * 2);
        renderer_->Render(out.data(), frames, tSteadyTime{});
        return out;
    }

private:
    tAudioRenderer* renderer_ = nullptr;
};

void BM_SeekAccuracy(benchmark::State& state, const char* name) {
    tPullOutput* output = nullptr;
    tBuiltinPlayer player([&output] {
        auto made = std::make_unique<tPullOutput>();
        output = made.get();
        return made;
    });
    if (!player.OpenFile(Media(name), nullptr, 0)) {
        state.SkipWithError(qUtf8Printable(player.LastError()));
        return;
    }
    double worst = 0;
    for (auto _ : state) {
        for (int i = 0; i < 20; ++i) {
            const int target = 150 + i * 541; // spread over the file, off any frame grid
            player.SetPosition(target);
            player.Play();
            const std::vector<float> played = output->Pull(40 * kRate / 1000);
            const int64_t lag =
                BestLag(played, Signal(), static_cast<int64_t>(target) * kRate / 1000, 5 * kRate / 1000);
            worst = std::max(worst, std::fabs(static_cast<double>(lag)) * 1000.0 / kRate);
        }
    }
    state.counters["max_error_ms"] = worst;
}
BENCHMARK_CAPTURE(BM_SeekAccuracy, wav, "signal.wav")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SeekAccuracy, mp3, "signal.mp3")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SeekAccuracy, mp3_44k, "signal44.mp3")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SeekAccuracy, ogg, "signal.ogg")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SeekAccuracy, opus, "signal.opus")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SeekAccuracy, flac, "signal.flac")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SeekAccuracy, m4a, "signal.m4a")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SeekAccuracy, aiff, "signal.aiff")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SeekAccuracy, au, "signal.au")->Iterations(1)->Unit(benchmark::kMillisecond);

struct tOpenTimes {
    double open = NAN;       // OpenFile: what keeps the window waiting
    double firstSound = NAN; // from the call to OpenFile until a buffer with sound is handed over
};

// Through a new player manager each time, as a playback window does.
tOpenTimes OpenAndPlay(const QString& file) {
    tSettingsClass& settings = Settings();
    if (!settings.UseFileExtensionsMCI.contains(".ogg"))
        settings.UseFileExtensionsMCI += "|.ogg";
    tMyMediaPlayer manager;
    auto* builtin = dynamic_cast<tBuiltinPlayer*>(manager.FindPlayer(player::Mci));
    std::atomic<bool> sounded{false};
    tSteadyTime soundedAt{};
    builtin->Engine().SetRenderObserver([&](tSteadyTime, int64_t, int, double, double step) {
        if (step > 0 && !sounded) {
            soundedAt = std::chrono::steady_clock::now();
            sounded = true;
        }
    });
    manager.ForcedPlayer = player::Mci;
    tOpenTimes times;
    const tSteadyTime start = std::chrono::steady_clock::now();
    if (!manager.OpenFile(file, nullptr, 0))
        return times;
    times.open = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    manager.Play();
    while (!sounded && std::chrono::steady_clock::now() - start < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    builtin->Engine().SetRenderObserver({});
    if (sounded)
        times.firstSound = std::chrono::duration<double, std::milli>(soundedAt - start).count();
    return times;
}

void BM_OpenToFirstSound(benchmark::State& state, const char* name) {
    static bool firstOpen = true;
    if (firstOpen) {
        // The first open of the process also starts the sound system, and for MIDI loads the
        // SoundFont, which is then kept: reported apart.
        firstOpen = false;
        const tOpenTimes first = OpenAndPlay(Media(name));
        state.counters["first_open_ms"] = first.open;
        state.counters["first_sound_ms"] = first.firstSound;
        // SDL's audio shuts down with its last user; holding a use keeps it started, as the sound
        // effects' channel does in a performance, so the later opens measure the player alone.
        static const tSdlAudioUse keepAudioStarted;
    }
    std::vector<double> opens, sounds;
    for (auto _ : state) {
        const tOpenTimes times = OpenAndPlay(Media(name));
        opens.push_back(times.open);
        sounds.push_back(times.firstSound);
    }
    state.counters["open_ms"] = Percentile(opens, 0.5);
    state.counters["sound_ms"] = Percentile(sounds, 0.5);
    state.counters["sound_max_ms"] = *std::max_element(sounds.begin(), sounds.end());
}
BENCHMARK_CAPTURE(BM_OpenToFirstSound, midi, "tune.mid")
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_OpenToFirstSound, mp3, "signal.mp3")
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_OpenToFirstSound, ogg, "signal.ogg")
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// MIDI: where notes become audible after a seek, against where they should. The first note lies
// on the synthesizer's block grid and gives the instrument's attack; the others lie off it.
void BM_SeekAccuracyMidi(benchmark::State& state) {
    constexpr int kNotes = 12;
    auto noteTick = [](int k) { return k == 0 ? 480 : 480 + k * 731; };
    tMidiWriter midi;
    midi.Program(0, 0, 73);
    for (int k = 0; k < kNotes; ++k)
        midi.Note(noteTick(k), 120, 0, 69);
    const QString file = Fixture("notes.mid");
    WriteFile(file, midi.Bytes());
    tPullOutput* output = nullptr;
    tBuiltinPlayer player([&output] {
        auto made = std::make_unique<tPullOutput>();
        output = made.get();
        return made;
    });
    if (!player.OpenFile(file, nullptr, 0)) {
        state.SkipWithError(qUtf8Printable(player.LastError()));
        return;
    }
    auto noteFrame = [&](int k) { return noteTick(k) * (kRate / 2) / 480.0; }; // 120 beats a minute
    player.Play();
    const double attack = static_cast<double>(FirstSound(output->Pull(kRate), 1e-4f)) - noteFrame(0);
    double worst = 0;
    for (auto _ : state) {
        for (int k = 1; k < kNotes; ++k) {
            const int target = static_cast<int>(noteFrame(k) * 1000 / kRate) - 100;
            player.SetPosition(target);
            player.Play();
            const int64_t onset = FirstSound(output->Pull(kRate / 5), 1e-4f);
            const double expected = noteFrame(k) - static_cast<double>(target) * kRate / 1000 + attack;
            worst = std::max(worst, std::fabs(static_cast<double>(onset) - expected) * 1000.0 / kRate);
        }
    }
    state.counters["max_error_ms"] = worst;
}
BENCHMARK(BM_SeekAccuracyMidi)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
