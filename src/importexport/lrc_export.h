// Writing one part of a song as an LRC file with whole-second time tags.
#pragma once

#include "importexport/import_common.h"

namespace lyrimo {

// Writes part partIndex as an LRC file. Lines of the same text share one output line with
// all their tags. False when the part does not exist or the file cannot be written; a file
// already there is then left as it was.
bool ExportLrc(const QString& path, tLyrimoData& song, int partIndex, const tImportProgress& progress = {},
               QObject* owner = nullptr);

} // namespace lyrimo
