// Opening the song editor from the main menu and the command line.
#pragma once

#include <QString>

namespace lyrimo {

// Runs the song editor modally on a song of its own; a file name given is loaded (or imported)
// once the window shows.
void EditSong(const QString& fileName);

} // namespace lyrimo
