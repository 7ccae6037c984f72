// A whole performance in the playback window, headless at 1920 × 1080: 30 seconds of a song
// played against a scripted player whose clock is the wall clock. Reports the frames per second
// the playing loop achieved, the processor time each frame cost, and how late the wipe is: the
// player's time when a frame reached the screen minus the time the frame was drawn for.
//
// Run with QT_QPA_PLATFORM=offscreen (make bench does).
#include "app/app_services.h"
#include "playback/monitors.h"
#include "playback/playback_rules.h"
#include "playback/playback_window.h"
#include "playback_fakes.h"
#include "render/title_effect.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <vector>

namespace lyrimo {
namespace {

constexpr int kSongMs = 30000;

// The fade-in and the title pass quickly; the performance itself runs in real time.
int64_t FastClock() {
    using namespace std::chrono;
    return 20 * duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

void BM_Performance1080p(benchmark::State& state) {
    tHeadlessServices services;
    services.printMessages = false;
    SetApp(&services);
    const QString media = QDir::tempPath() + "/lyrimo-bench-song.wav";
    QFile file(media);
    file.open(QIODevice::WriteOnly);
    file.write("RIFF");
    file.close();

    QStringList log;
    test::tScriptedPlayer* player = nullptr;
    SetMediaPlayerFactory([&] {
        return std::make_unique<tMyMediaPlayer>([&](uint8_t id) -> std::unique_ptr<tPlayer> {
            if (id != 4)
                return MakeStandardPlayer(id);
            auto fake = std::make_unique<test::tScriptedPlayer>(&log);
            fake->length = kSongMs;
            player = fake.get();
            return fake;
        });
    });
    SetPlaybackClock(&FastClock);
    SetTitleClock(&FastClock);
    SetMonitorsForTesting({{"\\\\.\\Display0", {0, 0, 1920, 1080}, {}, 0}});

    // Two parts, a line every 2.5 s in each, every word timed.
    auto song = test::MakeSong({12, 12}, media, 500, 2500);

    for (auto _ : state) {
        std::vector<double> lateness;
        int64_t frames = 0;
        double cpuStart = 0;
        auto wallStart = std::chrono::steady_clock::now();
        TPlaybackWnd window;
        window.Session().OnFramePresented = [&](int32_t drawnFor) {
            if (window.State() != tPlaybackState::Playing || !player)
                return;
            if (frames++ == 0) {
                cpuStart = ProcessCpuSeconds();
                wallStart = std::chrono::steady_clock::now();
            }
            lateness.push_back(player->GetPosition() - drawnFor);
        };
        window.Perform(*song, 0, false, false);
        const double cpu = ProcessCpuSeconds() - cpuStart;
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        std::sort(lateness.begin(), lateness.end());
        const auto percentile = [&](double p) {
            return lateness.empty() ? 0.0 : lateness[size_t(p * double(lateness.size() - 1))];
        };
        double sum = 0;
        for (double l : lateness)
            sum += l;
        state.counters["frames"] = double(frames);
        state.counters["fps"] = wall > 0 ? double(frames) / wall : 0;
        state.counters["cpu_ms_per_frame"] = frames > 0 ? cpu * 1000 / double(frames) : 0;
        state.counters["late_ms_mean"] = lateness.empty() ? 0 : sum / double(lateness.size());
        state.counters["late_ms_p50"] = percentile(0.5);
        state.counters["late_ms_p99"] = percentile(0.99);
        state.counters["late_ms_max"] = percentile(1.0);
    }

    SetMediaPlayerFactory({});
    SetPlaybackClock(nullptr);
    SetTitleClock(nullptr);
    UseRealMonitors();
    SetApp(nullptr);
    QFile::remove(media);
}
BENCHMARK(BM_Performance1080p)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace
} // namespace lyrimo

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
