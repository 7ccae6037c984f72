// Registering Lyrimo's file types with the Linux desktop: the shared MIME database entries for
// songs, playlists and KOK files, the desktop entries with the play, edit, show, batch and
// import commands, the icon and the thumbnailer, and Lyrimo as the default program for its
// own types (never for MIDI files, whose program the user chose). Done per user under the XDG
// data folders on the first start of each version; an installed package brings the same files
// system-wide.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QSettings;

namespace lyrimo {

struct tRegistrationPlaces {
    QString dataHome;       // $XDG_DATA_HOME, ~/.local/share
    QString configHome;     // $XDG_CONFIG_HOME, ~/.config (mimeapps.list)
    QString program;        // the desktop program, as the desktop entries start it
    QString thumbnailer;    // lyrimo-thumbnailer, which file managers run for a song's picture
    bool installed = false; // the files come with the system package: only the defaults are set
};
tRegistrationPlaces StandardRegistrationPlaces();

// Runs a desktop tool (update-mime-database, update-desktop-database); true when it ran and
// succeeded.
using tToolRunner = std::function<bool(const QString& program, const QStringList& arguments)>;
bool RunDesktopTool(const QString& program, const QStringList& arguments);

// Tries every step, each on its own; the names of the steps that failed ("" none).
QStringList RegisterFileTypes(const tRegistrationPlaces& places, const tToolRunner& runTool = RunDesktopTool);

// The store's key of this version's flag, "TypesRegistered/<major>.<minor>".
QString TypesRegisteredKey();
// Registers unless this version's flag is set; sets the flag only when every step succeeded.
// True when it registered now.
bool RegisterFileTypesOnFirstStart(QSettings& store, const tRegistrationPlaces& places,
                                   const tToolRunner& runTool = RunDesktopTool);

// Adds "type=entry" under [Default Applications] of a mimeapps.list text unless the type has a
// default there already.
QString WithDefaultApplication(const QString& mimeApps, const QString& type, const QString& entry);

} // namespace lyrimo
