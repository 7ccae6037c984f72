// The waveform view's costs: working out the outline of a 4-minute MP3, beside the ffmpeg program
// decoding the same file to nothing (the floor any outline stands on), and one redraw of the view
// at 1920 pixels wide while a handle is dragged. Run with QT_QPA_PLATFORM=offscreen.
#include "editor/waveform_view.h"
#include "media/waveform_peaks.h"
#include "media_fixtures.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace lyrimo {
namespace {

const QString& FourMinuteMp3() {
    static QTemporaryDir folder;
    static const QString mp3 = [] {
        const QString path = folder.filePath("song.mp3");
        test::RunFfmpeg({"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=240", "-f",
                         "lavfi", "-i", "anoisesrc=d=240:c=pink:r=44100:a=0.2", "-filter_complex",
                         "amix=inputs=2", "-ac", "2", "-c:a", "libmp3lame", "-b:a", "128k", path});
        return path;
    }();
    return mp3;
}

double g_peaksMs = 0;
double g_decodeMs = 0;

void BM_PeaksOfFourMinuteMp3(benchmark::State& state) {
    const QString mp3 = FourMinuteMp3();
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        QString reason;
        std::unique_ptr<tPeakComputation> computation = tPeakComputation::Start(mp3, reason);
        while (computation && computation->Step()) {
        }
        g_peaksMs = double(clock.nsecsElapsed()) / 1e6;
        benchmark::DoNotOptimize(computation);
    }
    state.counters["ms"] = g_peaksMs;
}
BENCHMARK(BM_PeaksOfFourMinuteMp3)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FfmpegDecodesTheSameMp3(benchmark::State& state) {
    const QString mp3 = FourMinuteMp3();
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        QProcess::execute("ffmpeg",
                          {"-nostdin", "-loglevel", "error", "-threads", "1", "-i", mp3, "-f", "null", "-"});
        g_decodeMs = double(clock.nsecsElapsed()) / 1e6;
    }
    state.counters["ms"] = g_decodeMs;
    state.counters["outline_over_decode"] = g_peaksMs / g_decodeMs;
}
BENCHMARK(BM_FfmpegDecodesTheSameMp3)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WaveformRedrawWhileDragging(benchmark::State& state) {
    QString reason;
    static const tWaveformPeaks peaks = PeaksOfFile(FourMinuteMp3(), reason);
    TWaveformView view;
    view.resize(1920, 220);
    view.SetPeaks(peaks, 0);
    std::vector<tTimingHandle> handles;
    for (int i = 0; i < 12; ++i)
        handles.push_back({i, 60000 + i * 1500, "syllable", 59000 + i * 1500, 61000 + i * 1500});
    view.SetHandles(handles);
    view.ShowRange(55000, 85000); // 30 s across: about 16 ms a pixel
    QImage frame(view.size(), QImage::Format_RGB32);
    int step = 0;
    for (auto _ : state) {
        handles[3].ms = 63000 + (step++ % 400) * 5; // the dragged handle moves on each frame
        view.SetHandles(handles);
        QPainter painter(&frame);
        view.Draw(painter);
    }
}
BENCHMARK(BM_WaveformRedrawWhileDragging)->Unit(benchmark::kMillisecond);

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
