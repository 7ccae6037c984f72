// One lyric line at full-HD size: preparing it (wrapping, both images, bubble writing) happens
// once per line; drawing a frame (copies of prepared rectangles and the ball) many times a
// second.
#include "document/song.h"
#include "render/line_renderer.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace lyrimo;

namespace {

constexpr int kWindowWidth = 1920, kWindowHeight = 1080, kLineHeight = 300;

// A line that wraps into two rows at 1920 pixels, with bubble writing and a ball.
std::unique_ptr<tLyrimoData> BenchSong() {
    auto song = std::make_unique<tLyrimoData>();
    song->SongSettings.setPlayWidth(kWindowWidth);
    song->SongSettings.setUnicodeText(1);
    song->SongSettings.setBackgroundTransparent(1);
    tLyricsData* part = song->GetPart(0);
    tFontRecord font = part->PartRecord.LyricsFont();
    font.setname("Arial");
    font.setsize(44);
    part->PartRecord.setLyricsFont(font);
    part->PartExtras.setTextMode(1);
    part->PartExtras.setTextFormat(5);
    part->PartExtras.setTextSpacing(2);
    part->PartExtras.setBallStyle(2);
    part->PartRecord.setBallNumber(3);
    tTimingsLineType* line = part->AddLine();
    line->SetWideText("Twinkle, twinkle, little star, how I wonder what you are; up above the world so high, "
                      "like a diamond");
    line->LineRecord.setLineStart(1000);
    line->LineRecord.setNormalColour(0x00FFFF);
    line->LineRecord.setHighlightColour(0x0000FF);
    line->LineRecord.setFormatColour(0xFFFFFF);
    line->LineRecord.setHighlightFormatColour(0x202020);
    line->AddTiming(MakeTiming(0, 0));
    line->AddTiming(MakeTiming(100, 4000));
    return song;
}

void Configure(tLyricsPlayback& renderer, tLyrimoData& song) {
    renderer.Setup(&song, 0, tLineSetup{}, tLineRole{},
                   tLineImages{kWindowWidth, kLineHeight, WorkingPixelFormat(), kWindowHeight});
}

void BM_PrepareLine(benchmark::State& state) {
    auto song = BenchSong();
    tLyricsPlayback renderer;
    Configure(renderer, *song);
    renderer.PrepareLine(0, false, 0, false); // fills the font caches
    for (auto _ : state)
        renderer.PrepareLine(0, false, 0, false);
    state.counters["rows"] = renderer.Wrapper().RowCount();
}
BENCHMARK(BM_PrepareLine)->Unit(benchmark::kMillisecond);

void BM_DrawFrameMidWipe(benchmark::State& state) {
    auto song = BenchSong();
    tLyricsPlayback renderer;
    Configure(renderer, *song);
    renderer.PrepareLine(0, false, 0, false);
    Bitmap frame(kWindowWidth, kWindowHeight, WorkingPixelFormat());
    tChangesList changes;
    int32_t time = 3000;
    for (auto _ : state) {
        changes.Clear();
        renderer.DrawFrame(frame, time, kDefaultEndEarlyMargin, 255, &changes, kLineHeight, 600, nullptr,
                           true);
        time = time == 3000 ? 3001 : 3000; // keep the ball's height cache honest
    }
    state.counters["rows"] = renderer.Wrapper().RowCount();
}
BENCHMARK(BM_DrawFrameMidWipe)->Unit(benchmark::kMicrosecond);

} // namespace
