// lyrimo-cli find.
#pragma once

#include <QStringList>

namespace lyrimo {

// find [--mode contain|start|end|not] [--in song,artist,album,lyrics,file] TEXT DIR: searches DIR
// and its subfolders for songs whose chosen texts match TEXT (default: the song name) and prints
// each match's full path on a line of its own. 0 when the search ran, 2 for bad arguments.
int RunFindCommand(const QStringList& args);

} // namespace lyrimo
