#include "cli/playlist_command.h"

#include "cli/cli_support.h"

#include "document/song.h"
#include "playlist/playlist_file.h"
#include "playlist/playlist_rows.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <set>

namespace lyrimo {
namespace {

constexpr const char* kUsage =
    "playlist show FILE.lpl | add FILE.lpl [--requester] [--random 0|1] SONG.lym... | "
    "remove FILE.lpl INDEX|SONG...";

QString OnOff(bool on) { return on ? "on" : "off"; }

QString AbsolutePath(const QString& file) { return QDir::cleanPath(QFileInfo(file).absoluteFilePath()); }

// Why a song file cannot be played: "missing", "not a song", or empty when it can.
QString SongProblem(const QString& songFile) {
    if (!QFileInfo(songFile).isFile())
        return "missing";
    tSongSettings settings;
    return ReadSettingsRecord(songFile, settings) ? QString() : "not a song";
}

// What the song file of an entry holds, in a few words.
QString SongDescription(const QString& songFile) {
    if (const QString problem = SongProblem(songFile); !problem.isEmpty())
        return problem;
    const tPlaylistRow row = ReadPlaylistRow(songFile);
    if (row.artist.isEmpty())
        return "\"" + row.songName + "\"";
    return "\"" + row.songName + "\" by " + row.artist;
}

// Reads an existing playlist; false (with the reason printed) when the file is there but is not
// a playlist or cannot be read.
bool ReadExisting(const QString& file, tBatchKaraokeFile& playlist) {
    if (LoadPlaylist(playlist, file))
        return true;
    PrintError(QFileInfo(file).exists() ? file + " is not a Lyrimo playlist" : "cannot read " + file);
    return false;
}

bool Write(const tBatchKaraokeFile& playlist, const QString& file) {
    if (SavePlaylist(playlist, file))
        return true;
    PrintError("cannot write " + file);
    return false;
}

int Show(const QStringList& args) {
    if (args.size() != 1)
        return UsageError("playlist show takes one playlist file", kUsage);
    tBatchKaraokeFile playlist;
    if (!ReadExisting(args[0], playlist))
        return 1;
    std::printf("random order: %s\nreserved flag: %s\nentries: %d\n",
                qUtf8Printable(OnOff(playlist.RandomOrder)), qUtf8Printable(OnOff(playlist.ReservedFlag)),
                playlist.Count());
    for (int i = 0; i < playlist.Count(); ++i) {
        const QString& entry = playlist.Entries[i];
        const QString song = EntrySongFile(entry);
        std::printf("%d\t%s\t%s\t%s\n", i + 1, EntryShowsRequester(entry) ? "requester" : "-",
                    qUtf8Printable(song), qUtf8Printable(SongDescription(song)));
    }
    return 0;
}

int Add(const QStringList& args) {
    if (args.isEmpty())
        return UsageError("playlist add needs a playlist file", kUsage);
    const QString file = args[0];
    bool requester = false;
    int random = -1;
    QStringList songs;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--requester") {
            requester = true;
        } else if (args[i] == "--random") {
            if (!ReadIntArgument(args, i, 0, 1, random))
                return UsageError("--random takes 0 or 1", kUsage);
        } else if (args[i].startsWith("--")) {
            return UsageError("unknown option " + args[i], kUsage);
        } else {
            songs << args[i];
        }
    }
    if (songs.isEmpty() && random < 0)
        return UsageError("playlist add needs a song file or --random", kUsage);

    tBatchKaraokeFile playlist;
    if (QFileInfo::exists(file) && !ReadExisting(file, playlist))
        return 1;
    for (const QString& song : songs) {
        const QString path = AbsolutePath(song);
        if (const QString problem = SongProblem(path); !problem.isEmpty()) {
            PrintError(song + ": " + problem + "; " + file + " is left as it was");
            return 1;
        }
        playlist.Entries << PlaylistEntry(path, requester);
    }
    if (random >= 0)
        playlist.RandomOrder = random == 1;
    return Write(playlist, file) ? 0 : 1;
}

int Remove(const QStringList& args) {
    if (args.size() < 2)
        return UsageError("playlist remove needs a playlist file and the entries to remove", kUsage);
    const QString file = args[0];
    tBatchKaraokeFile playlist;
    if (!ReadExisting(file, playlist))
        return 1;
    std::set<int> doomed;
    for (int i = 1; i < args.size(); ++i) {
        bool isNumber = false;
        const int index = args[i].toInt(&isNumber);
        if (isNumber) {
            if (index < 1 || index > playlist.Count()) {
                PrintError(QString("there is no entry %1 in %2 (it has %3)")
                               .arg(index)
                               .arg(file)
                               .arg(playlist.Count()));
                return 1;
            }
            doomed.insert(index - 1);
            continue;
        }
        const QString path = AbsolutePath(args[i]);
        bool found = false;
        for (int entry = 0; entry < playlist.Count(); ++entry) {
            if (QDir::cleanPath(EntrySongFile(playlist.Entries[entry])) == path) {
                doomed.insert(entry);
                found = true;
            }
        }
        if (!found) {
            PrintError(args[i] + " is not in " + file);
            return 1;
        }
    }
    QStringList kept;
    for (int entry = 0; entry < playlist.Count(); ++entry)
        if (!doomed.count(entry))
            kept << playlist.Entries[entry];
    playlist.Entries = kept;
    return Write(playlist, file) ? 0 : 1;
}

} // namespace

int RunPlaylistCommand(const QStringList& args) {
    return RunAction(args, "playlist", {{"show", Show}, {"add", Add}, {"remove", Remove}}, kUsage);
}

} // namespace lyrimo
