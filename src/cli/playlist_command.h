// lyrimo-cli playlist: reading and editing ".lpl" playlists without the editor window.
#pragma once

#include <QStringList>

namespace lyrimo {

// playlist show FILE.lpl
// playlist add FILE.lpl [--requester] [--random 0|1] SONG.lym...
// playlist remove FILE.lpl INDEX|SONG...
// show prints the flags and one line per entry; add appends songs (creating the playlist when
// it does not exist); remove takes 1-based indices or song paths. 0 on success, 1 when a file
// cannot be used, 2 for bad arguments; nothing is written unless the whole command succeeds.
int RunPlaylistCommand(const QStringList& args);

} // namespace lyrimo
