// Importing a MIDI karaoke file (.KAR, .MID, .MIDI, .RMI) into a song: one part per track
// that carries lyrics, lines broken where the file marks new lines, one timing per lyric
// event, and the MIDI file itself as the song's media.
#pragma once

#include "importexport/import_common.h"

namespace lyrimo {

// Clears the song and imports the file into it; false (with the song cleared) on failure.
// With a progress callback the import is interactive and shows its errors and notes.
bool ImportMidi(const QString& path, tLyrimoData& song, const tImportProgress& progress = {},
                QObject* owner = nullptr);

} // namespace lyrimo
