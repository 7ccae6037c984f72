// lyrimo-cli queue: the singer queue of a karaoke party, shown and changed without a window.
#pragma once

#include <QStringList>

namespace lyrimo {

// queue show
// queue add NAME SONG.lym [--key N]
// queue next
// show prints the singers in turn order with their songs and waits; add requests a song for a
// singer (who joins when new) and prints the entry's id; next takes the next song and prints it.
// 0 on success, 1 when the queue file cannot be written or next finds no song, 2 for bad
// arguments; nothing is stored unless the whole command succeeds.
int RunQueueCommand(const QStringList& args);

} // namespace lyrimo
