// lyrimo-cli voice-suppress and sort-files: the voice suppressor and the file sorter for scripts.
#pragma once

#include <QStringList>

namespace lyrimo {

// voice-suppress IN OUT.wav [--reduction N] [--treble-cut L] [--reverb L] [--delay D]
// [--recursive 0|1]. 0 when the output was written, 1 when the run failed, 2 for bad arguments.
int RunVoiceSuppressCommand(const QStringList& args);

// sort-files DIR [--subfolders] [--list OUT.csv] [--dry-run] [--prefix P] [--start N] [--suffix S].
// Prints every rename ("old -> new"). 0 when everything planned was done, 1 when a file kept its
// name or the list could not be written, 2 for bad arguments.
int RunSortFilesCommand(const QStringList& args);

} // namespace lyrimo
