// Importing LRC lyric files ("[mm:ss]text" lines) as a one-part song with one line per
// distinct time and a coarse two-timing wipe per line.
#pragma once

#include "importexport/import_common.h"

namespace lyrimo {

// Clears the song and imports the file into its one part; false (with the song cleared) when
// the file cannot be read or is far too large to be lyrics.
bool ImportLrc(const QString& path, tLyrimoData& song, const tImportProgress& progress = {},
               QObject* owner = nullptr);

} // namespace lyrimo
