#include "cli/queue_command.h"

#include "cli/cli_support.h"

#include "document/song.h"
#include "playlist/singer_queue.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace lyrimo {
namespace {

constexpr const char* kUsage = "queue show | add NAME SONG.lym [--key N] | next";

// "3:05", or "?" for a length nobody knows.
QString Minutes(int64_t ms) {
    if (ms <= 0)
        return "?";
    const int64_t seconds = (ms + 500) / 1000;
    return QString("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QChar('0'));
}

QString KeyText(int keyShift) {
    return keyShift > 0 ? "+" + QString::number(keyShift) : QString::number(keyShift);
}

QString WaitText(const tSingerWait& wait) {
    if (wait.songsBefore == 0)
        return "sings next";
    const QString songs = wait.songsBefore == 1 ? "1 song" : QString::number(wait.songsBefore) + " songs";
    const QString time = wait.complete ? Minutes(wait.waitMs) : "at least " + Minutes(wait.waitMs);
    return wait.waitMs > 0 ? "after " + songs + ", " + time : "after " + songs;
}

// The queue as stored, with any damage reported; the program goes on with what could be read.
tSingerQueue LoadQueue() {
    QStringList problems;
    tSingerQueue queue = LoadSingerQueue(SingerQueueFile(), &problems);
    for (const QString& problem : problems)
        PrintError(problem);
    return queue;
}

bool Store(const tSingerQueue& queue) {
    QString error;
    if (SaveSingerQueue(queue, SingerQueueFile(), &error))
        return true;
    PrintError("cannot write " + SingerQueueFile() + ": " + error);
    return false;
}

int Show(const QStringList& args) {
    if (!args.isEmpty())
        return UsageError("queue show takes no arguments", kUsage);
    const tSingerQueue queue = LoadQueue();
    const std::vector<tSingerWait> waits = queue.Waits();
    std::printf("singers: %d\n", static_cast<int>(queue.Singers().size()));
    int turn = 0;
    for (const tSinger& singer : queue.Singers()) {
        QString state = singer.paused ? "paused" : "nothing requested";
        for (const tSingerWait& wait : waits)
            if (wait.singer == singer.name)
                state = WaitText(wait);
        std::printf("%d\t%s\t%s\n", ++turn, qUtf8Printable(singer.name), qUtf8Printable(state));
        for (const tQueueEntry& entry : singer.entries)
            std::printf("\t%s\tkey %s\t%s\t%s\n", qUtf8Printable(entry.id),
                        qUtf8Printable(KeyText(entry.keyShift)), qUtf8Printable(Minutes(entry.lengthMs)),
                        qUtf8Printable(entry.songFile));
    }
    return 0;
}

int Add(const QStringList& args) {
    int keyShift = 0;
    QStringList words;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--key") {
            if (!ReadIntArgument(args, i, kMinKeyShift, kMaxKeyShift, keyShift))
                return UsageError(
                    QString("--key takes semitones from %1 to +%2").arg(kMinKeyShift).arg(kMaxKeyShift),
                    kUsage);
        } else if (args[i].startsWith("--")) {
            return UsageError("unknown option " + args[i], kUsage);
        } else {
            words << args[i];
        }
    }
    if (words.size() != 2)
        return UsageError("queue add takes a singer's name and a song file", kUsage);
    if (const QString problem = SingerNameProblem(words[0]); !problem.isEmpty())
        return UsageError(problem, kUsage);
    const QString song = QDir::cleanPath(QFileInfo(words[1]).absoluteFilePath());
    if (!QFileInfo(song).isFile())
        return UsageError("there is no song file " + words[1], kUsage);
    tSongSettings settings;
    if (!ReadSettingsRecord(song, settings))
        return UsageError(words[1] + " is not a Lyrimo song", kUsage);

    tSingerQueue queue = LoadQueue();
    QString why;
    // The song's length would need its media opened; the queue does without it.
    const QString id = queue.AddEntry(words[0], song, keyShift, 0, &why);
    if (id.isEmpty())
        return UsageError(why, kUsage);
    if (!Store(queue))
        return 1;
    std::printf("%s\n", qUtf8Printable(id));
    return 0;
}

int Next(const QStringList& args) {
    if (!args.isEmpty())
        return UsageError("queue next takes no arguments", kUsage);
    tSingerQueue queue = LoadQueue();
    const std::optional<tTakenEntry> taken = queue.TakeNext();
    if (!taken) {
        PrintError("nobody has a song waiting");
        return 1;
    }
    if (!Store(queue))
        return 1;
    std::printf("%s\t%s\tkey %s\t%s\n", qUtf8Printable(taken->singer), qUtf8Printable(taken->entry.id),
                qUtf8Printable(KeyText(taken->entry.keyShift)), qUtf8Printable(taken->entry.songFile));
    return 0;
}

} // namespace

int RunQueueCommand(const QStringList& args) {
    return RunAction(args, "queue", {{"show", Show}, {"add", Add}, {"next", Next}}, kUsage);
}

} // namespace lyrimo
