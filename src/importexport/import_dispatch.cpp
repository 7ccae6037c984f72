#include "importexport/import_dispatch.h"

#include "importexport/kok_import.h"
#include "importexport/lrc_import.h"
#include "importexport/midi_import.h"

#include <QFileInfo>

namespace lyrimo {

const QStringList& ImportableExtensions() {
    static const QStringList extensions = {"LYM", "MID", "MIDI", "KAR", "RMI", "LRC", "KOK"};
    return extensions;
}

bool ImportByExtension(const QString& path, tLyrimoData& song, const tImportProgress& progress,
                       QObject* owner) {
    song.Clear();
    const QString extension = QFileInfo(path).suffix().toUpper();
    if (extension == "LYM")
        return song.LoadFromFile(path, true) == 0;
    if (extension == "MID" || extension == "MIDI" || extension == "KAR" || extension == "RMI")
        return ImportMidi(path, song, progress, owner);
    if (extension == "LRC")
        return ImportLrc(path, song, progress, owner);
    if (extension == "KOK")
        return ImportKok(path, song, progress, owner);
    return false;
}

} // namespace lyrimo
