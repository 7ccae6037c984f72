// The renderer prepares a line once and then copies rectangles every frame: the blended
// copy against a plain memcpy of the same bytes, measuring and wrapping a lyric line,
// and the shape of a text image.
#include "render/drawing_utils.h"
#include "render/font_backend.h"
#include "render/unicode_font_engine.h"

#include <benchmark/benchmark.h>

#include <cstring>

using namespace lyrimo;

namespace {

constexpr int kWidth = 1920, kHeight = 200;
constexpr tColour kKey = 0x000001, kText = 0x20C0FF;
const QString kLine = QStringLiteral("Twinkle, twinkle, little star, how I wonder what you are now"); // 60

// A lyrics image: two rows of text on the key colour, as a prepared line looks.
Bitmap& TextImage() {
    static Bitmap image = [] {
        Bitmap b(kWidth, kHeight, tPixelFormat::Bits32);
        b.Fill(kKey);
        tFont font("Arial", 48);
        font.SetAntiAliased(false);
        font.SetColour(kText);
        DrawText(b, font, 20, 10, kLine);
        DrawText(b, font, 20, 100, kLine);
        return b;
    }();
    return image;
}

void BM_Memcpy(benchmark::State& state) {
    Bitmap& source = TextImage();
    Bitmap target(kWidth, kHeight, tPixelFormat::Bits32);
    for (auto _ : state) {
        for (int y = 0; y < kHeight; ++y)
            std::memcpy(target.Row(y), source.Row(y), size_t(source.Stride()));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_Memcpy);

void BM_BlendCopy(benchmark::State& state) {
    Bitmap& source = TextImage();
    Bitmap target(kWidth, kHeight, tPixelFormat::Bits32);
    target.Fill(0x402010);
    const int alpha = int(state.range(0));
    for (auto _ : state) {
        BlendCopy(source, target, {0, 0, kWidth, kHeight}, kKey, alpha, 0, 0);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_BlendCopy)->Arg(255)->Arg(128);

void BM_BlendCopy16(benchmark::State& state) {
    Bitmap source = TextImage();
    source.SetFormat(tPixelFormat::Bits16);
    Bitmap target(kWidth, kHeight, tPixelFormat::Bits16);
    const int alpha = int(state.range(0));
    for (auto _ : state) {
        BlendCopy(source, target, {0, 0, kWidth, kHeight}, kKey, alpha, 0, 0);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_BlendCopy16)->Arg(255)->Arg(128);

// SetText and balanced wrapping of a 60-character line, caches warm.
void BM_SetTextWrapBalanced(benchmark::State& state) {
    tCanvas canvas;
    canvas.Font = tFont("Arial", 28);
    tWordwrappedUnicodeFontEngine engine;
    engine.Setup(&canvas, false, false, 0);
    const int width = int(state.range(0));
    engine.SetText(kLine, width, true);
    for (auto _ : state) {
        engine.SetText(kLine, width, true);
        benchmark::DoNotOptimize(engine.RowCount());
    }
    state.counters["rows"] = engine.RowCount();
}
BENCHMARK(BM_SetTextWrapBalanced)->Arg(1920)->Arg(600)->Unit(benchmark::kMicrosecond);

void BM_RegionOfNonKeyPixels(benchmark::State& state) {
    Bitmap image = TextImage();
    for (auto _ : state) {
        tRegion region = RegionOfNonKeyPixels(image, kKey, tPixelFormat::Bits32);
        benchmark::DoNotOptimize(region.IsEmpty());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
    state.counters["rects"] =
        double(RegionOfNonKeyPixels(image, kKey, tPixelFormat::Bits32).Rectangles().size());
}
BENCHMARK(BM_RegionOfNonKeyPixels)->Unit(benchmark::kMicrosecond);

} // namespace
