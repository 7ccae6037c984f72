#include "cli/render_command.h"

#include "cli/cli_support.h"

#include "app/app_services.h"
#include "document/binary_file.h"
#include "document/song.h"
#include "media/backends/builtin/video_decoder.h"
#include "media/media_player.h"
#include "picture/bitmap_png.h"
#include "render/animations.h"
#include "render/frame_composer.h"
#include "render/line_renderer.h"
#include "render/title_effect.h"

#include <QDir>
#include <limits>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace lyrimo {
namespace {

// The frames are timed by a clock that follows the frame being drawn, so that every run of the
// command draws the same pictures.
int64_t g_frameClock = 0;
int64_t FrameClock() { return g_frameClock; }

// Playback reaches a moment by composing every frame before it. Far before the wanted time the
// frames are coarse (lines still advance one per frame, faster than anyone sings); the last few
// seconds run at the playback window's pace.
constexpr int32_t kCoarseStepMs = 200;
constexpr int32_t kFineStepMs = 40;
constexpr int32_t kFinePhaseMs = 4000;
constexpr int kMaxTitleSeconds = 10;
constexpr int64_t kMaxFrames = 100000;

struct tRenderOptions {
    QString song;
    QString output;
    int width = 1280;
    int height = 720;
    bool single = false;
    int32_t time = 0;
    bool haveFrom = false, haveTo = false;
    int32_t from = 0, to = 0;
    int fps = 0;
    bool title = false;
};

int RenderUsage(const QString& problem) {
    std::fprintf(
        stderr,
        "lyrimo-cli render: %s\n\n"
        "Usage: lyrimo-cli render SONG.lym --time MS [--size WxH] OUT.png\n"
        "       lyrimo-cli render SONG.lym --from MS --to MS --fps N [--size WxH] [--title] OUTDIR\n",
        qUtf8Printable(problem));
    return 2;
}

bool ReadTime(const QStringList& args, int& i, int32_t& value) {
    int time = 0;
    const bool ok = ReadIntArgument(args, i, 0, std::numeric_limits<int32_t>::max(), time);
    value = time;
    return ok;
}

bool ParseRenderOptions(const QStringList& args, tRenderOptions& o, QString& problem) {
    QStringList words;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == "--time") {
            if (!ReadTime(args, i, o.time))
                return problem = "--time needs a media time in milliseconds", false;
            o.single = true;
        } else if (arg == "--from") {
            if (!ReadTime(args, i, o.from))
                return problem = "--from needs a media time in milliseconds", false;
            o.haveFrom = true;
        } else if (arg == "--to") {
            if (!ReadTime(args, i, o.to))
                return problem = "--to needs a media time in milliseconds", false;
            o.haveTo = true;
        } else if (arg == "--fps") {
            if (!ReadIntArgument(args, i, 1, 120, o.fps))
                return problem = "--fps needs a frame rate from 1 to 120", false;
        } else if (arg == "--size") {
            if (!ReadSizeArgument(args, i, o.width, o.height))
                return problem = "--size needs a size from 16x16 to 8192x8192, such as 1920x1080", false;
        } else if (arg == "--title") {
            o.title = true;
        } else if (arg.startsWith("--") && arg.size() > 2) {
            return problem = "unknown option " + arg, false;
        } else {
            words << arg;
        }
    }
    if (words.size() != 2)
        return problem = "render takes a song file and where to write the frames", false;
    o.song = words[0];
    o.output = words[1];
    const bool sequence = o.haveFrom || o.haveTo || o.fps > 0 || o.title;
    if (o.single == sequence)
        return problem = "give either --time, or --from, --to and --fps", false;
    if (sequence) {
        if (!o.haveFrom || !o.haveTo || o.fps == 0)
            return problem = "a sequence of frames needs --from, --to and --fps", false;
        if (o.to < o.from)
            return problem = "--to lies before --from", false;
        if ((int64_t(o.to) - o.from) * o.fps / 1000 + 1 > kMaxFrames)
            return problem = QString("at most %1 frames at a time").arg(kMaxFrames), false;
    }
    return true;
}

class tRenderRun {
public:
    // The window would keep the end-early margin in step with how long lines take to prepare;
    // the composer's starting margin ("EndEarlyMin") keeps the pictures independent of this
    // machine's speed.
    tRenderRun(tLyrimoData& song, const tRenderOptions& o)
        : composer_(&song, o.width, o.height,
                    tComposerSetup{LineSetupFrom(Settings()), WorkingPixelFormat()}) {
        composer_.SeedSlideShow(1);
        OpenVideo(song);
    }

    // Composes the frames up to (not including) time, as playback would have.
    void ReachTime(int32_t time) {
        const int32_t fineFrom = std::max(0, time - kFinePhaseMs);
        int32_t t = 0;
        bool first = true;
        for (; t < fineFrom; t += kCoarseStepMs, first = false)
            Compose(t, first, nullptr);
        for (; t < time; t += kFineStepMs, first = false)
            Compose(t, first, nullptr);
    }

    // Composes the frame at time, over the video's picture due then; the lines it asks for are
    // prepared only afterwards.
    const Bitmap& ComposeAt(int32_t time, bool full) {
        const Bitmap* picture = nullptr;
        if (video_) {
            video_->DecodeTo(time, window_);
            picture = window_.HasFrame() ? &window_.Frame() : nullptr;
        }
        composer_.Compose(Input(time, full, picture));
        return composer_.Frame();
    }

    void PrepareWantedLines() { composer_.PrepareWantedLines(); }

private:
    // The pictures of a song that shows its media's video; none when the media has no video
    // or cannot be read (the lyrics are drawn all the same, as playback would).
    void OpenVideo(const tLyrimoData& song) {
        const tSongSettings& s = song.SongSettings;
        if (!ShowsVideo(song) || s.UseMediaFile() != 1)
            return;
        QString reason;
        const QString media = PathFromField(s.MediaFileName());
        video_ = OpenVideoOfFile(media, reason);
        if (!video_) {
            std::fprintf(stderr, "lyrimo-cli: no video from %s: %s\n", qUtf8Printable(media),
                         qUtf8Printable(reason));
            return;
        }
        if (s.HasVideo() && !s.FullScreenVideo())
            composer_.FitPictureAreaToVideo(video_->DisplayWidth(), video_->DisplayHeight());
        const tMyRect& area = composer_.PictureArea();
        video_->SetTargetSize(area.Width(), area.Height());
    }

    tComposerInput Input(int32_t time, bool full, const Bitmap* picture) {
        g_frameClock = time;
        tComposerInput input;
        input.mediaTime = time;
        input.full = full;
        input.videoFrame = picture;
        input.videoFrameChanged = window_.TakeChanged();
        return input;
    }

    void Compose(int32_t time, bool full, const Bitmap* picture) {
        composer_.Compose(Input(time, full, picture));
        composer_.PrepareWantedLines();
    }

    tFrameComposer composer_;
    tVideoWindow window_;
    std::unique_ptr<tVideoDecoder> video_;
};

// Sequences are written fast: they come by the thousand and are usually read once, by a video
// encoder. A single frame is kept small.
bool WriteFrame(const Bitmap& frame, const QString& path, tPngCompression compression) {
    if (SavePng(frame, path, compression))
        return true;
    std::fprintf(stderr, "lyrimo-cli: cannot write %s\n", qUtf8Printable(path));
    return false;
}

QString FramePath(const QString& folder, int64_t number) {
    return QDir(folder).filePath(QString("frame_%1.png").arg(number, 5, 10, QChar('0')));
}

// The title screen as the window shows it before the media starts, frame after frame.
bool RenderTitle(const tLyrimoData& song, const tRenderOptions& o, int64_t& number) {
    tTitleEffect title;
    PrepareTitleForSong(title, song, true, o.width, o.height);
    Bitmap screen(o.width, o.height, WorkingPixelFormat());
    const int64_t frames = int64_t(kMaxTitleSeconds) * o.fps;
    for (int64_t i = 0; i < frames; ++i) {
        g_frameClock = i * 1000 / o.fps;
        const bool done = title.Step(screen, i == 0, true);
        if (!WriteFrame(screen, FramePath(o.output, number++), tPngCompression::Fast))
            return false;
        if (done)
            break;
    }
    return true;
}

int RenderSequence(tLyrimoData& song, const tRenderOptions& o) {
    if (!QDir().mkpath(o.output)) {
        std::fprintf(stderr, "lyrimo-cli: cannot make the folder %s\n", qUtf8Printable(o.output));
        return 1;
    }
    int64_t number = 0;
    if (o.title && !RenderTitle(song, o, number))
        return 1;
    tRenderRun run(song, o);
    run.ReachTime(o.from);
    const int64_t frames = (int64_t(o.to) - o.from) * o.fps / 1000 + 1;
    for (int64_t i = 0; i < frames; ++i) {
        const int32_t time = int32_t(o.from + i * 1000 / o.fps);
        const Bitmap& frame = run.ComposeAt(time, i == 0 && o.from == 0);
        if (!WriteFrame(frame, FramePath(o.output, number++), tPngCompression::Fast))
            return 1;
        run.PrepareWantedLines();
    }
    std::printf("%lld frames written to %s\n", static_cast<long long>(number), qUtf8Printable(o.output));
    return 0;
}

} // namespace

int RunRenderCommand(const QStringList& args) {
    tRenderOptions o;
    QString problem;
    if (!ParseRenderOptions(args, o, problem))
        return RenderUsage(problem);

    tLyrimoData song;
    if (int result = song.LoadFromFile(o.song, true)) {
        const QString why =
            result == -1 ? QString("not a Lyrimo song file") : QString::fromLocal8Bit(std::strerror(result));
        std::fprintf(stderr, "lyrimo-cli: cannot load %s: %s\n", qUtf8Printable(o.song), qUtf8Printable(why));
        return 1;
    }
    SetAnimationClock(&FrameClock);
    SetTitleClock(&FrameClock);

    int status = 0;
    if (o.single) {
        tRenderRun run(song, o);
        run.ReachTime(o.time);
        status = WriteFrame(run.ComposeAt(o.time, o.time == 0), o.output, tPngCompression::Small) ? 0 : 1;
    } else {
        status = RenderSequence(song, o);
    }
    SetAnimationClock(nullptr);
    SetTitleClock(nullptr);
    return status;
}

} // namespace lyrimo
