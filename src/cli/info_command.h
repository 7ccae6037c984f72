// lyrimo-cli info and thumbnail: what a file manager shows of a song, its details on the
// properties page and its title screen as the file's picture.
#pragma once

#include <QStringList>

namespace lyrimo {

// info SONG.lym: the song's details, one "Name: value" line each. 0, 1 when the file is no
// song, 2 for bad arguments.
int RunInfoCommand(const QStringList& args);

// thumbnail SONG.lym OUT.png [--size N]: the title screen, N pixels wide at most (default 256),
// as the desktop's thumbnailers are asked for one. 0, 1 when it cannot be made, 2 for bad
// arguments.
int RunThumbnailCommand(const QStringList& args);

} // namespace lyrimo
