#include "cli/render_line_command.h"

#include "cli/cli_support.h"

#include "app/app_services.h"
#include "document/song.h"
#include "picture/bitmap_png.h"
#include "render/animations.h"
#include "render/line_renderer.h"

#include <QRegularExpression>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace lyrimo {
namespace {

struct tRenderLineOptions {
    int part = 0;
    int line = 0;
    int time = 0;
    bool timeGiven = false;
    int width = 1024;
    int height = 768;
    QStringList files;
};

int RenderLineUsage(const QString& problem) {
    std::fprintf(stderr,
                 "lyrimo-cli render-line: %s\n\n"
                 "Usage: lyrimo-cli render-line SONG.lym --part P --line L --time MS [--size WxH] OUT.png\n"
                 "  P and L count from 0; MS is the media time in milliseconds.\n",
                 qUtf8Printable(problem));
    return 2;
}

bool ParseRenderLineOptions(const QStringList& args, tRenderLineOptions& o, QString& problem) {
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == "--part") {
            if (!ReadIntArgument(args, i, 0, 65535, o.part))
                return problem = "--part needs a part number from 0", false;
        } else if (arg == "--line") {
            if (!ReadIntArgument(args, i, 0, 65535, o.line))
                return problem = "--line needs a line number from 0", false;
        } else if (arg == "--time") {
            if (!ReadIntArgument(args, i, -1000000000, 1000000000, o.time))
                return problem = "--time needs a time in milliseconds", false;
            o.timeGiven = true;
        } else if (arg == "--size") {
            if (!ReadSizeArgument(args, i, o.width, o.height))
                return problem = "--size needs a size from 16x16 to 8192x8192, such as 1920x1080", false;
        } else if (arg.startsWith("--") && arg.size() > 2) {
            return problem = "unknown option " + arg, false;
        } else {
            o.files << arg;
        }
    }
    if (o.files.size() != 2)
        return problem = "render-line takes a song file and the picture to write", false;
    if (!o.timeGiven)
        return problem = "render-line needs --time", false;
    return true;
}

// Animations follow this clock, so the same arguments always give the same picture.
int64_t g_fixedClock = 0;
int64_t FixedClock() { return g_fixedClock; }

} // namespace

int RunRenderLineCommand(const QStringList& args) {
    tRenderLineOptions o;
    QString problem;
    if (!ParseRenderLineOptions(args, o, problem))
        return RenderLineUsage(problem);

    tLyrimoData song;
    if (int result = song.LoadFromFile(o.files[0], false)) {
        QString why =
            result == -1 ? QString("not a Lyrimo song file") : QString::fromLocal8Bit(std::strerror(result));
        std::fprintf(stderr, "lyrimo-cli: cannot load %s: %s\n", qUtf8Printable(o.files[0]),
                     qUtf8Printable(why));
        return 1;
    }
    const tLyricsData* part = song.GetPart(o.part);
    if (!part)
        return RenderLineUsage(QString("the song has %1 part(s)").arg(song.PartCount()));
    if (!part->GetLine(o.line))
        return RenderLineUsage(QString("part %1 has %2 line(s)").arg(o.part).arg(part->LineCount()));

    g_fixedClock = o.time;
    SetAnimationClock(FixedClock);

    // Each part gets an equal block of the window, as a performance gives it.
    const int blockHeight = o.height / std::max(song.PartCount(), 1);
    tLyricsPlayback renderer;
    const tPixelFormat format = WorkingPixelFormat();
    renderer.Setup(&song, o.part, LineSetupFrom(Settings()), tLineRole{},
                   tLineImages{o.width, blockHeight, format, o.height});
    const tColour background = tColour(song.SongSettings.BackgroundColour()) & 0xFFFFFF;
    renderer.PrepareLine(o.line, false, background, false);

    Bitmap frame(o.width, o.height, format);
    frame.Fill(background);
    const int used = renderer.BallSpace() + renderer.TextHeight();
    const int top = std::max(0, (o.height - used) / 2) + renderer.BallSpace();
    const int partTime = part->PartTime(o.time);
    const double wipe = renderer.WipePosition(partTime, kDefaultEndEarlyMargin);
    tChangesList changes;
    const bool finished = renderer.DrawFrame(frame, partTime, kDefaultEndEarlyMargin, 255, &changes,
                                             blockHeight, top, nullptr, true);
    SetAnimationClock(nullptr);

    std::printf("line %d of part %d: %d row(s), %d px along the line, text height %d, starts at %d ms\n",
                o.line, o.part, renderer.Wrapper().RowCount(), renderer.TotalWidth(), renderer.TextHeight(),
                renderer.LineStartTime());
    std::printf("part time %d ms: wipe at %.1f px%s, %d changed rectangle(s)%s\n", partTime, wipe,
                finished ? " (finished)" : "", changes.Count(), renderer.BallEnabled() ? ", with ball" : "");
    if (!SavePng(frame, o.files[1])) {
        std::fprintf(stderr, "lyrimo-cli: cannot write %s\n", qUtf8Printable(o.files[1]));
        return 1;
    }
    return 0;
}

} // namespace lyrimo
