#include "cli/style_command.h"

#include "cli/cli_support.h"
#include "document/song.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <optional>

namespace lyrimo {
namespace {

constexpr int kNoBall = -1;
constexpr int kLastBuiltInBall = 53;
constexpr int kFirstHighBall = 45;

struct tStyleOptions {
    std::optional<int> ball;
    std::optional<int> textMode;
    std::optional<int> lyricsSize;
    std::optional<int> lineDisplay;
    std::optional<QString> media;
    std::optional<QString> video;
    QStringList files;
};

int StyleUsage(const QString& problem) {
    std::fprintf(
        stderr,
        "lyrimo-cli style: %s\n\n"
        "Usage: lyrimo-cli style SONG.lym [--ball N] [--text-mode M] [--lyrics-size PT] [--display D]\n"
        "                                 [--media FILE] [--video none|split|full]\n"
        "  N: built-in ball 0..53, or -1 for none; M: highlight mode 0..6; PT: 2..200 points;\n"
        "  D: 0 program default, 1 single line, 2 next-line preview, 3 two lines;\n"
        "  FILE: the sound or video file the song plays; --video: whether its video is shown, on\n"
        "  part of the screen or full screen behind the lyrics.\n",
        qUtf8Printable(problem));
    return 2;
}

bool ReadOptional(const QStringList& args, int& i, int low, int high, std::optional<int>& target) {
    int value = 0;
    if (!ReadIntArgument(args, i, low, high, value))
        return false;
    target = value;
    return true;
}

bool ParseStyleOptions(const QStringList& args, tStyleOptions& o, QString& problem) {
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == "--ball") {
            if (!ReadOptional(args, i, kNoBall, kLastBuiltInBall, o.ball))
                return problem = "--ball needs a built-in ball from 0 to 53, or -1 for none", false;
        } else if (arg == "--text-mode") {
            if (!ReadOptional(args, i, 0, 6, o.textMode))
                return problem = "--text-mode needs a highlight mode from 0 to 6", false;
        } else if (arg == "--lyrics-size") {
            if (!ReadOptional(args, i, 2, 200, o.lyricsSize))
                return problem = "--lyrics-size needs a point size from 2 to 200", false;
        } else if (arg == "--display") {
            if (!ReadOptional(args, i, 0, 3, o.lineDisplay))
                return problem = "--display needs a line display from 0 to 3", false;
        } else if (arg == "--media") {
            if (++i >= args.size())
                return problem = "--media needs the sound or video file the song plays", false;
            o.media = args[i];
        } else if (arg == "--video") {
            o.video = args.value(++i);
            if (!QStringList{"none", "split", "full"}.contains(*o.video))
                return problem = "--video needs none, split or full", false;
        } else if (arg.startsWith("--") && arg.size() > 2) {
            return problem = "unknown option " + arg, false;
        } else {
            o.files << arg;
        }
    }
    if (o.files.size() != 1)
        return problem = "style takes one song file", false;
    return true;
}

// Built-in balls above 44 are stored as style 1 with their number less 45, the others as style 2.
void ChooseBall(tLyricsData& part, int ball) {
    if (ball == kNoBall) {
        part.PartExtras.setBallStyle(0);
    } else if (ball >= kFirstHighBall) {
        part.PartExtras.setBallStyle(1);
        part.PartRecord.setBallNumberHigh(uint8_t(ball - kFirstHighBall));
    } else {
        part.PartExtras.setBallStyle(2);
        part.PartRecord.setBallNumber(uint8_t(ball));
    }
}

void ApplyStyle(tLyrimoData& song, const tStyleOptions& o) {
    for (int i = 0; i < song.PartCount(); ++i) {
        tLyricsData& part = *song.GetPart(i);
        if (o.ball)
            ChooseBall(part, *o.ball);
        if (o.textMode)
            part.PartExtras.setTextMode(uint8_t(*o.textMode));
        if (o.lyricsSize) {
            tFontRecord font = part.PartRecord.LyricsFont();
            font.setsize(uint8_t(*o.lyricsSize));
            part.PartRecord.setLyricsFont(font);
        }
    }
    if (o.lineDisplay)
        song.SongSettings.setMultiLineMode(uint8_t(*o.lineDisplay));
    tSongSettings& s = song.SongSettings;
    if (o.media) {
        s.setUseMediaFile(1);
        s.setEmbedMedia(0);
        s.setMediaFileName(QFile::encodeName(QFileInfo(*o.media).absoluteFilePath()));
    }
    if (o.video) {
        s.setHasVideo(*o.video != "none");
        s.setFullScreenVideo(*o.video == "full");
    }
}

} // namespace

int RunStyleCommand(const QStringList& args) {
    tStyleOptions options;
    QString problem;
    if (!ParseStyleOptions(args, options, problem))
        return StyleUsage(problem);
    const QString& path = options.files[0];
    tLyrimoData song;
    if (int result = song.LoadFromFile(path, true)) {
        std::fprintf(stderr, "lyrimo-cli: cannot load %s: %s\n", qUtf8Printable(path),
                     qUtf8Printable(LoadResultText(result)));
        return 1;
    }
    // Saving in place would throw away what a damaged file still holds beyond the cut.
    if (ReportDamage(path, song)) {
        std::fprintf(stderr, "lyrimo-cli: %s was left as it was\n", qUtf8Printable(path));
        return 1;
    }
    ApplyStyle(song, options);
    if (song.SaveToFile(path) != 0) {
        std::fprintf(stderr, "lyrimo-cli: cannot save %s; the file was left as it was\n",
                     qUtf8Printable(path));
        return 1;
    }
    return 0;
}

} // namespace lyrimo
