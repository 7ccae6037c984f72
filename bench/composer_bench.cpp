// The playback frame: a two-part song with a ball, composed frame after frame at 25 frames a
// second, as the playback window does: 20 s over a full-screen slide show, and 30 s over the
// song's background picture.
//
// Counters: the median and 99th percentile of a frame's time (line preparation after the
// output is measured apart, as prep_ms), the bytes the frame asks to copy to the screen, and
// the time of frames in which a slide transition runs; the cpu_ counters are the same frames'
// processor time. The picture performance also times a plain copy of one frame's bytes in the
// same run and reports the median frame against it.
#include "app/app_services.h"
#include "bench_stats.h"
#include "document/song.h"
#include "picture/bitmap_png.h"
#include "render/animations.h"
#include "render/frame_composer.h"
#include "render/line_renderer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

namespace lyrimo {
namespace {

constexpr int32_t kSlideShowSongMs = 20000;
constexpr int32_t kPictureSongMs = 30000;
constexpr int32_t kFrameMs = 40;

int64_t g_benchClock = 0;
int64_t BenchClock() { return g_benchClock; }

QByteArray GradientPicture(int seed) {
    Bitmap picture(800, 600, tPixelFormat::Bits32);
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x)
            picture.SetPixel(x, y,
                             tColour((x * seed) & 0xFF) | tColour((y + seed * 40) & 0xFF) << 8 |
                                 tColour(((x + y) / 4) & 0xFF) << 16);
    return EncodePng(picture);
}

void AddSungLines(tLyricsData& part, const char* words, int32_t offset, int32_t songMs) {
    for (int32_t start = 1000 + offset; start < songMs; start += 2500) {
        tTimingsLineType* line = part.AddLine();
        const QString text = QString("%1 %2").arg(words).arg(start / 1000);
        line->SetWideText(text);
        line->LineRecord.setLineStart(start);
        line->LineRecord.setNormalColour(0xFFFFFF);
        line->LineRecord.setHighlightColour(0x0000FF);
        const int length = int(text.size());
        for (int i = 0; i <= 4; ++i)
            line->AddTiming(MakeTiming(uint8_t(length * i / 4), uint16_t(i * 500)));
    }
}

// Two parts with a ball, over nothing yet.
std::unique_ptr<tLyrimoData> TwoPartSong(int32_t songMs) {
    auto song = std::make_unique<tLyrimoData>();
    song->SongSettings.setPlayWidth(1024);
    tLyricsData* first = song->GetPart(0);
    tFontRecord font = first->PartRecord.LyricsFont();
    font.setsize(28);
    font.setstyle(kFontBold);
    first->PartRecord.setLyricsFont(font);
    first->PartExtras.setBallStyle(2);
    first->PartRecord.setBallNumber(3);
    AddSungLines(*first, "twinkle twinkle little star how I wonder", 0, songMs);
    auto second = std::make_unique<tLyricsData>();
    second->PartRecord.setLyricsFont(font);
    second->PartExtras = first->PartExtras;
    AddSungLines(*second, "up above the world so high like a diamond", 1200, songMs);
    song->AddPart(std::move(second));
    return song;
}

std::unique_ptr<tLyrimoData> SlideShowSong() {
    auto song = TwoPartSong(kSlideShowSongMs);
    song->SongSettings.setFullScreenSlideShow(1);
    song->SongSettings.setSlideShowEnabled(1);

    const uint8_t transitions[] = {1, 17, 2, 19};
    for (int i = 0; i < 4; ++i) {
        tPictureRecord record;
        record.setFileName(QString("slide%1.png").arg(i).toLatin1());
        *song->Pictures.GetPicture(song->Pictures.AddPicture(record)) = GradientPicture(i + 1);
        tSlideRecord slide;
        slide.setPicture(uint16_t(i));
        slide.setTransition(transitions[i]);
        slide.setTransitionDuration(10); // one second
        slide.setShowTime(i * 5000 + 500);
        slide.setLeaveUntilRemoved(1);
        song->Slides.AddSlide(slide);
    }
    return song;
}

std::unique_ptr<tLyrimoData> PictureSong() {
    auto song = TwoPartSong(kPictureSongMs);
    tSongSettings& s = song->SongSettings;
    s.setBackgroundEnabled(1);
    s.setBackgroundFileName("stars.png");
    song->BackgroundStream = GradientPicture(5);
    return song;
}

double MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The processor time this thread has used, in ms: unlike the clock, it leaves out the time the
// thread waited while others ran on a busy machine.
double ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// The frame times of whole performances of song at width × height, one per benchmark iteration.
struct tPerformanceTimes {
    std::vector<double> all, steady, transition, prep;
    std::vector<double> cpu; // the thread's processor time of every frame
    double bytes = 0;
    int frames = 0;
};

void Perform(benchmark::State& state, tLyrimoData& song, int32_t songMs, tPerformanceTimes& times) {
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    tFrameComposer composer(&song, width, height,
                            tComposerSetup{LineSetupFrom(Settings()), WorkingPixelFormat()});
    state.ResumeTiming();
    for (int32_t t = 0; t < songMs; t += kFrameMs) {
        g_benchClock = t;
        tComposerInput input;
        input.mediaTime = t;
        input.full = t == 0;
        const double cpuStarted = ThreadCpuMs();
        auto started = std::chrono::steady_clock::now();
        const tChangesList& changes = composer.Compose(input);
        const double ms = MsSince(started);
        times.cpu.push_back(ThreadCpuMs() - cpuStarted);
        times.all.push_back(ms);
        (composer.LastWasFull() && t > 0 ? times.transition : times.steady).push_back(ms);
        for (const tMyRect& r : changes)
            times.bytes += double(r.Width()) * r.Height() * 4;
        ++times.frames;

        const int32_t prepared = composer.PrepCount;
        started = std::chrono::steady_clock::now();
        composer.PrepareWantedLines();
        if (composer.PrepCount != prepared)
            times.prep.push_back(MsSince(started) / (composer.PrepCount - prepared));
    }
    state.PauseTiming();
}

void ReportTimes(benchmark::State& state, const tPerformanceTimes& times) {
    state.counters["median_ms"] = Percentile(times.all, 0.5);
    state.counters["p99_ms"] = Percentile(times.all, 0.99);
    state.counters["cpu_median_ms"] = Percentile(times.cpu, 0.5);
    state.counters["cpu_p99_ms"] = Percentile(times.cpu, 0.99);
    state.counters["steady_p99_ms"] = Percentile(times.steady, 0.99);
    state.counters["bytes_per_frame"] = times.frames ? times.bytes / times.frames : 0;
    state.counters["prep_ms"] = Percentile(times.prep, 0.5);
}

// Performs the song once per iteration with the default preferences and reports its times.
tPerformanceTimes PerformEachIteration(benchmark::State& state, tLyrimoData& song, int32_t songMs) {
    Settings() = tSettingsClass();
    SetAnimationClock(&BenchClock);
    tPerformanceTimes times;
    for (auto _ : state) {
        state.PauseTiming();
        Perform(state, song, songMs, times);
        state.ResumeTiming();
    }
    SetAnimationClock(nullptr);
    ReportTimes(state, times);
    return times;
}

void BM_ComposeSong(benchmark::State& state) {
    auto song = SlideShowSong();
    const tPerformanceTimes times = PerformEachIteration(state, *song, kSlideShowSongMs);
    state.counters["transition_ms"] = Percentile(times.transition, 0.5);
    state.counters["transition_p99_ms"] = Percentile(times.transition, 0.99);
    state.counters["transition_frames"] =
        double(times.transition.size()) / std::max<int64_t>(1, state.iterations());
}
BENCHMARK(BM_ComposeSong)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

// The median time of copying a frame's bytes of width × height 32-bit pixels.
double FrameCopyMs(int width, int height) {
    const size_t bytes = size_t(width) * size_t(height) * 4;
    std::vector<uint8_t> from(bytes, 0x5A), to(bytes);
    std::vector<double> copies;
    for (int i = 0; i < 200; ++i) {
        const auto started = std::chrono::steady_clock::now();
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
        copies.push_back(MsSince(started));
        from[size_t(i) % bytes] = uint8_t(i); // a fresh source each round
    }
    return Percentile(copies, 0.5);
}

void BM_ComposePictureSong(benchmark::State& state) {
    auto song = PictureSong();
    const tPerformanceTimes times = PerformEachIteration(state, *song, kPictureSongMs);
    const double copyMs = FrameCopyMs(int(state.range(0)), int(state.range(1)));
    state.counters["memcpy_ms"] = copyMs;
    state.counters["ratio_to_memcpy"] = copyMs > 0 ? Percentile(times.all, 0.5) / copyMs : 0;
}
BENCHMARK(BM_ComposePictureSong)->Args({1920, 1080})->Iterations(2)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace lyrimo
