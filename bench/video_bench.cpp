// Lyrics over full-screen video: a generated 1920 × 1080, 30 pictures a second H.264 file with
// sound, played for 30 s by the built-in player through SDL's dummy output (which plays at the
// real pace), with a two-line song composed over it at 1920 × 1080 as the playback window does:
// the display refreshed, then a frame composed whenever a new picture is due.
//
// Counters: pictures decoded, shown and dropped; the processor time per composed frame (this
// thread, without decoding) and per decoded picture (the rest of the process: the decoding
// threads, the sound output); the A/V offset (picture time - audible position when the picture
// is shown: its median, and the 99th percentile of its size). As peers measured in the same run:
// the ffmpeg program's processor time per picture to decode the same file to nothing, and a
// plain copy of one frame's bytes.
#include "app/app_services.h"
#include "bench_stats.h"
#include "document/song.h"
#include "media/backends/builtin/sdl_audio.h"
#include "media/backends/builtin_player.h"
#include "media/video_window.h"
#include "media_fixtures.h"
#include "render/frame_composer.h"
#include "render/line_renderer.h"

#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <thread>
#include <vector>

namespace lyrimo {
namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kSeconds = 30;

[[maybe_unused]] const bool kDummyAudio = ::setenv("SDL_AUDIODRIVER", "dummy", 1) == 0;

QString VideoFile() {
    static QTemporaryDir folder;
    static const QString path = folder.filePath("hd.mp4");
    static const bool made = test::RunFfmpeg(
        {"-f", "lavfi", "-i",
         QString("testsrc2=size=%1x%2:rate=30:duration=%3").arg(kWidth).arg(kHeight).arg(kSeconds), "-f",
         "lavfi", "-i", QString("sine=frequency=440:duration=%1").arg(kSeconds), "-c:v", "libx264", "-preset",
         "veryfast", "-pix_fmt", "yuv420p", "-c:a", "aac", "-shortest", path});
    return made ? path : QString();
}

std::unique_ptr<tLyrimoData> SongOverVideo(const QString& media) {
    auto song = std::make_unique<tLyrimoData>();
    tSongSettings& s = song->SongSettings;
    s.setUseMediaFile(1);
    s.setMediaFileName(media.toLocal8Bit());
    s.setHasVideo(1);
    s.setFullScreenVideo(1);
    s.setPlayWidth(kWidth);
    tLyricsData* part = song->GetPart(0);
    tFontRecord font = part->PartRecord.LyricsFont();
    font.setsize(40);
    font.setstyle(kFontBold);
    part->PartRecord.setLyricsFont(font);
    for (int32_t start = 500; start < kSeconds * 1000; start += 2500) {
        tTimingsLineType* line = part->AddLine();
        line->SetWideText(QString("twinkle twinkle little star %1").arg(start / 1000));
        line->LineRecord.setLineStart(start);
        line->LineRecord.setNormalColour(0xFFFFFF);
        line->LineRecord.setHighlightColour(0x0000FF);
        for (int i = 0; i <= 4; ++i)
            line->AddTiming(MakeTiming(uint8_t(7 * i), uint16_t(i * 500)));
    }
    return song;
}

double CpuMs(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double ChildrenCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    auto ms = [](const timeval& t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// The ffmpeg program's processor time per picture, decoding the file to nothing.
double FfmpegCpuMsPerPicture(const QString& file) {
    const double before = ChildrenCpuMs();
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-nostdin", "-loglevel", "error", "-i", file, "-an", "-f", "null", "-"});
    if (!ffmpeg.waitForFinished(300000))
        return 0;
    return (ChildrenCpuMs() - before) / (kSeconds * 30.0);
}

double FrameCopyMs() {
    std::vector<uint32_t> from(size_t(kWidth) * kHeight, 0x123456), to(from.size());
    const auto start = std::chrono::steady_clock::now();
    constexpr int kCopies = 50;
    for (int i = 0; i < kCopies; ++i) {
        std::memcpy(to.data(), from.data(), from.size() * sizeof(uint32_t));
        benchmark::DoNotOptimize(to.data());
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() /
           kCopies;
}

void BM_LyricsOverFullScreenVideo(benchmark::State& state) {
    const QString file = VideoFile();
    if (file.isEmpty()) {
        state.SkipWithError("the video could not be made with the ffmpeg program");
        return;
    }
    for (auto _ : state) {
        auto song = SongOverVideo(file);
        tVideoWindow window; // outlives the player, which clears it on closing
        tBuiltinPlayer player;
        if (!player.OpenFile(file, &window, 0)) {
            state.SkipWithError(qUtf8Printable(player.LastError()));
            return;
        }
        tFrameComposer composer(song.get(), kWidth, kHeight,
                                tComposerSetup{LineSetupFrom(Settings()), tPixelFormat::Bits32});
        player.SetDisplayRect({0, 0, kWidth, kHeight});
        player.SetPosition(0);
        std::vector<double> offsets;
        double composeCpu = 0;
        int composed = 0;
        const double processStart = CpuMs(CLOCK_PROCESS_CPUTIME_ID);
        const double threadStart = CpuMs(CLOCK_THREAD_CPUTIME_ID);
        player.Play();
        while (player.IsPlaying()) {
            player.RefreshDisplay();
            if (window.TakeChanged()) {
                offsets.push_back(double(window.FrameTime() - player.GetPosition()));
                const double before = CpuMs(CLOCK_THREAD_CPUTIME_ID);
                tComposerInput input;
                input.mediaTime = player.GetPosition();
                input.videoFrame = &window.Frame();
                composer.Compose(input);
                composer.PrepareWantedLines();
                composeCpu += CpuMs(CLOCK_THREAD_CPUTIME_ID) - before;
                ++composed;
            }
            // The playback window's low-priority yield: a few short sleeps between frames.
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
        const double threadCpu = CpuMs(CLOCK_THREAD_CPUTIME_ID) - threadStart;
        const double otherCpu = CpuMs(CLOCK_PROCESS_CPUTIME_ID) - processStart - threadCpu;
        const tVideoCounts& counts = window.Counts();
        std::vector<double> sizes(offsets.size());
        std::transform(offsets.begin(), offsets.end(), sizes.begin(), [](double v) { return std::abs(v); });
        const double peerDecode = FfmpegCpuMsPerPicture(file);
        const double copy = FrameCopyMs();
        const double composeMs = composed ? composeCpu / composed : 0;
        const double decodeMs = counts.decoded ? otherCpu / double(counts.decoded) : 0;
        state.counters["decoded"] = double(counts.decoded);
        state.counters["shown"] = double(counts.shown);
        state.counters["dropped"] = double(counts.dropped);
        state.counters["compose_cpu_ms"] = composeMs;
        state.counters["decode_cpu_ms"] = decodeMs;
        state.counters["av_offset_median_ms"] = Percentile(offsets, 0.5);
        state.counters["av_offset_p99_ms"] = Percentile(sizes, 0.99);
        state.counters["ffmpeg_decode_cpu_ms"] = peerDecode;
        state.counters["decode_ratio_to_ffmpeg"] = peerDecode > 0 ? decodeMs / peerDecode : 0;
        state.counters["frame_copy_ms"] = copy;
        state.counters["compose_ratio_to_copy"] = copy > 0 ? composeMs / copy : 0;
    }
}
BENCHMARK(BM_LyricsOverFullScreenVideo)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace
} // namespace lyrimo
