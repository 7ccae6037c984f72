#include "cli/find_command.h"

#include "cli/cli_support.h"
#include "tools/song_finder.h"

#include <QFileInfo>

#include <cstdio>

namespace lyrimo {
namespace {

constexpr const char* kFindUsage =
    "find [--mode contain|start|end|not] [--in song,artist,album,lyrics,file] TEXT DIR";

bool ReadMode(const QString& name, int& mode) {
    const QStringList names = {"contain", "start", "end", "not"};
    mode = static_cast<int>(names.indexOf(name));
    return mode >= 0;
}

// Which texts are searched; false for an unknown name or an empty list.
bool ReadFields(const QString& list, tFindRequest& request, QString& problem) {
    request.songNames = false;
    const QStringList fields = list.split(',', Qt::SkipEmptyParts);
    for (const QString& field : fields) {
        if (field == "song")
            request.songNames = true;
        else if (field == "artist")
            request.artists = true;
        else if (field == "album")
            request.albumNames = true;
        else if (field == "lyrics")
            request.lyrics = true;
        else if (field == "file")
            request.fileName = true;
        else
            return problem = "--in knows song, artist, album, lyrics and file, not " + field, false;
    }
    if (fields.isEmpty())
        problem = "--in needs one or more of song, artist, album, lyrics and file";
    return !fields.isEmpty();
}

bool ParseFindOptions(const QStringList& args, tFindRequest& request, QString& problem) {
    QStringList words;
    bool optionsEnded = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (optionsEnded || !arg.startsWith("--")) {
            words << arg;
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--mode") {
            if (!ReadMode(args.value(++i), request.mode))
                return problem = "--mode needs contain, start, end or not", false;
        } else if (arg == "--in") {
            if (!ReadFields(args.value(++i), request, problem))
                return false;
        } else {
            return problem = "unknown option " + arg, false;
        }
    }
    if (words.size() != 2)
        return problem = "find takes a search text and a folder", false;
    request.text = words[0];
    const QFileInfo folder(words[1]);
    if (!folder.isDir())
        return problem = "no folder " + words[1], false;
    request.folder = folder.absoluteFilePath();
    return true;
}

void PrintPath(const tFoundSong& hit) {
    std::fputs(qUtf8Printable(hit.Path()), stdout);
    std::fputc('\n', stdout);
}

} // namespace

int RunFindCommand(const QStringList& args) {
    tFindRequest request;
    QString problem;
    if (!ParseFindOptions(args, request, problem))
        return UsageError(problem, kFindUsage);
    tSongFinder finder(request);
    size_t printed = 0;
    // Each match is printed as soon as it is found, so a script sees the first ones at once.
    while (finder.Step()) {
        for (; printed < finder.Hits().size(); ++printed)
            PrintPath(finder.Hits()[printed]);
    }
    for (; printed < finder.Hits().size(); ++printed)
        PrintPath(finder.Hits()[printed]);
    std::fflush(stdout);
    return 0;
}

} // namespace lyrimo
