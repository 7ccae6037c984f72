// A song loaded and performed into a small frame: the title screen, then the lyrics, ball,
// animations and slide show over the first 40 seconds, as the playback window composes them.
#include "fuzz_support.h"

#include "app/app_services.h"
#include "document/song.h"
#include "render/animations.h"
#include "render/frame_composer.h"
#include "render/title_effect.h"

namespace {

constexpr int kWidth = 160, kHeight = 120;
constexpr int32_t kPerformanceMs = 40000, kFrameMs = 400;
constexpr int kTitleFrames = 8;

int64_t g_clock = 0;
int64_t FuzzClock() { return g_clock; }

void PerformTitle(const lyrimo::tLyrimoData& song) {
    lyrimo::tTitleEffect title;
    lyrimo::PrepareTitleForSong(title, song, true, kWidth, kHeight);
    lyrimo::Bitmap screen(kWidth, kHeight, title.PixelFormat());
    for (int i = 0; i < kTitleFrames; ++i) {
        g_clock += 500;
        if (title.Step(screen, i == 0, true))
            break;
    }
}

void PerformLyrics(lyrimo::tLyrimoData& song) {
    using namespace lyrimo;
    tFrameComposer composer(&song, kWidth, kHeight,
                            tComposerSetup{LineSetupFrom(Settings()), WorkingPixelFormat()});
    for (int32_t t = 0; t < kPerformanceMs; t += kFrameMs) {
        g_clock = t;
        tComposerInput input;
        input.mediaTime = t;
        input.full = t == 0;
        input.clock = t;
        composer.Compose(input);
        composer.PrepareWantedLines();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lyrimo;
    fuzz::Setup();
    SetTitleClock(&FuzzClock);
    SetAnimationClock(&FuzzClock);
    tLyrimoData song;
    if (song.LoadFromFile(fuzz::InputFile(data, size, ".lym"), true) != 0)
        return 0;
    g_clock = 0;
    PerformTitle(song);
    PerformLyrics(song);
    return 0;
}
