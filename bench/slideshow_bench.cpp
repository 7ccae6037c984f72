// One slide-show transition frame at full-HD size: it is composed inside a 60 Hz frame,
// so it must cost a small part of 16 ms. The argument is the transition number.
#include "render/slide_show.h"

#include <benchmark/benchmark.h>

using namespace lyrimo;

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

Bitmap Gradient(tColour tint) {
    Bitmap b(kWidth, kHeight, WorkingPixelFormat());
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            b.SetPixel(x, y, tColour((x & 0xFF) | (y & 0xFF) << 8) ^ tint);
    return b;
}

void BM_TransitionFrame(benchmark::State& state) {
    static const Bitmap oldImage = Gradient(0x000000), newImage = Gradient(0xFF0000);
    Bitmap out(kWidth, kHeight, WorkingPixelFormat());
    const int number = int(state.range(0));
    double progress = 0.0;
    for (auto _ : state) {
        tSlideShowhandler::Transition(oldImage, newImage, out, number, 0.25 + progress);
        progress = progress > 0.5 ? 0.0 : progress + 0.01;
        benchmark::DoNotOptimize(out.Row32(kHeight / 2));
    }
    state.SetLabel(TransitionName(number));
}
BENCHMARK(BM_TransitionFrame)->DenseRange(0, 23)->Unit(benchmark::kMillisecond);

} // namespace
