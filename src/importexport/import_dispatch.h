// Choosing the importer for a file by its extension.
#pragma once

#include "importexport/import_common.h"

namespace lyrimo {

// The extensions ImportByExtension takes, upper case without the point.
const QStringList& ImportableExtensions();

// Clears the song and fills it from the file: a song file (.LYM) is loaded with its media,
// MIDI karaoke (.MID, .MIDI, .KAR, .RMI), LRC and KOK files are imported. False for any other
// extension and when loading or importing fails.
bool ImportByExtension(const QString& path, tLyrimoData& song, const tImportProgress& progress = {},
                       QObject* owner = nullptr);

// Why a file could not be imported, for an import that gave no reason of its own.
QString ImportFailureText(const QString& path);

} // namespace lyrimo
