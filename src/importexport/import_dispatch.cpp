#include "importexport/import_dispatch.h"

#include "importexport/kok_import.h"
#include "importexport/lrc_import.h"
#include "importexport/midi_import.h"

#include "app/app_services.h"
#include "document/song_loading.h"

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

QString ImportFailureText(const QString& path) {
    const QString extension = QFileInfo(path).suffix().toUpper();
    if (!QFileInfo(path).isFile())
        return Translate("File was not found or could not be opened") + ".";
    if (extension == "LYM") {
        tLyrimoData song;
        const int result = song.LoadFromFile(path, false);
        if (result == 0)
            return Translate("The song's embedded media could not be read");
        return result == -1 ? Translate("This is not a valid Lyrimo file...") : ErrorText(result);
    }
    if (extension == "LRC")
        return Translate("Error importing song from .LRC file");
    if (extension == "KOK")
        return Translate("Error importing song from .KOK karaoke file");
    if (ImportableExtensions().contains(extension))
        return Translate("Error importing song from midi karaoke file") + ".";
    return Translate("This type of file can not be imported");
}

} // namespace lyrimo
