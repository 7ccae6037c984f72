// The playback frame: 20 s of a two-part song with a ball over a full-screen slide show,
// composed frame after frame at 25 frames a second, as the playback window does.
//
// Counters: the median and 99th percentile of a frame's time (line preparation after the
// output is measured apart, as prep_ms), the bytes the frame asks to copy to the screen, and
// the time of frames in which a slide transition runs.
#include "app/app_services.h"
#include "document/song.h"
#include "picture/bitmap_png.h"
#include "render/animations.h"
#include "render/frame_composer.h"
#include "render/line_renderer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

namespace lyrimo {
namespace {

constexpr int32_t kSongMs = 20000;
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

void AddSungLines(tLyricsData& part, const char* words, int32_t offset) {
    for (int32_t start = 1000 + offset; start < kSongMs; start += 2500) {
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

std::unique_ptr<tLyrimoData> BenchSong() {
    auto song = std::make_unique<tLyrimoData>();
    tSongSettings& s = song->SongSettings;
    s.setPlayWidth(1024);
    s.setFullScreenSlideShow(1);
    s.setSlideShowEnabled(1);
    tLyricsData* first = song->GetPart(0);
    tFontRecord font = first->PartRecord.LyricsFont();
    font.setsize(28);
    font.setstyle(kFontBold);
    first->PartRecord.setLyricsFont(font);
    first->PartExtras.setBallStyle(2);
    first->PartRecord.setBallNumber(3);
    AddSungLines(*first, "twinkle twinkle little star how I wonder", 0);
    auto second = std::make_unique<tLyricsData>();
    second->PartRecord.setLyricsFont(font);
    second->PartExtras = first->PartExtras;
    AddSungLines(*second, "up above the world so high like a diamond", 1200);
    song->AddPart(std::move(second));

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

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(fraction * double(values.size())))];
}

double MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void BM_ComposeSong(benchmark::State& state) {
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    Settings() = tSettingsClass();
    SetAnimationClock(&BenchClock);
    auto song = BenchSong();
    std::vector<double> all, steady, transition, prep;
    double bytes = 0;
    int frames = 0;
    for (auto _ : state) {
        state.PauseTiming();
        tFrameComposer composer(song.get(), width, height,
                                tComposerSetup{LineSetupFrom(Settings()), WorkingPixelFormat()});
        state.ResumeTiming();
        for (int32_t t = 0; t < kSongMs; t += kFrameMs) {
            g_benchClock = t;
            tComposerInput input;
            input.mediaTime = t;
            input.full = t == 0;
            auto started = std::chrono::steady_clock::now();
            const tChangesList& changes = composer.Compose(input);
            const double ms = MsSince(started);
            all.push_back(ms);
            (composer.LastWasFull() && t > 0 ? transition : steady).push_back(ms);
            for (const tMyRect& r : changes)
                bytes += double(r.Width()) * r.Height() * 4;
            ++frames;

            const int32_t prepared = composer.PrepCount;
            started = std::chrono::steady_clock::now();
            composer.PrepareWantedLines();
            if (composer.PrepCount != prepared)
                prep.push_back(MsSince(started) / (composer.PrepCount - prepared));
        }
    }
    SetAnimationClock(nullptr);
    state.counters["median_ms"] = Percentile(all, 0.5);
    state.counters["p99_ms"] = Percentile(all, 0.99);
    state.counters["steady_p99_ms"] = Percentile(steady, 0.99);
    state.counters["transition_ms"] = Percentile(transition, 0.5);
    state.counters["transition_p99_ms"] = Percentile(transition, 0.99);
    state.counters["bytes_per_frame"] = frames ? bytes / frames : 0;
    state.counters["prep_ms"] = Percentile(prep, 0.5);
    state.counters["transition_frames"] =
        double(transition.size()) / std::max<int64_t>(1, state.iterations());
}
BENCHMARK(BM_ComposeSong)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace lyrimo
