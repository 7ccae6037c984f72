// Importing KOK karaoke files: text lines of "word;seconds,fraction;word;...;" for an MP3
// file of the same name.
#pragma once

#include "importexport/import_common.h"

namespace lyrimo {

// Clears the song and imports the file into its one part. False when the file does not
// exist, cannot be read or is far too large to be lyrics (the song is then a new song).
bool ImportKok(const QString& path, tLyrimoData& song, const tImportProgress& progress = {},
               QObject* owner = nullptr);

} // namespace lyrimo
