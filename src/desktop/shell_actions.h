// The desktop program's decisions and the steps around a performance started from it:
// what a dropped file means, the menu's texts, loading a song with the messages the user
// sees, and playing it with the desktop covered. Window code calls these; tests replace
// the steps that need a screen.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace lyrimo {

class tBatchKaraokeFile;
class tLyrimoData;

inline constexpr const char* kApplicationTitle = "Lyrimo - Karaoke for Linux Made Easy!";
inline constexpr const char* kNotAvailableYet = "Not available in this version yet";

// ---- Dropped files

enum class tDropKind { Nothing, Song, Playlist, Unknown };

struct tDrop {
    tDropKind kind = tDropKind::Nothing;
    QString file;
};

// Only the first file counts; its extension decides, whatever its letter case.
tDrop ClassifyDrop(const QStringList& files);

// ---- Texts of the main menu

// "Welcome to Lyrimo" and "Karaoke for Linux Made Easy" on two lines, translated.
QString WelcomeText();
// The translated "Version" and this build's version number.
QString VersionLine();

// The help file: programPath with ".html" in place of its extension, else the installed
// manual; "" when neither exists.
QString FindHelpFile(const QString& programPath, const QString& installedManual);

// ---- Loading and playing songs

// Which messages a failed load shows: the command line explains the error code, the menu
// and dropped files say it shorter.
enum class tLoadFailureStyle { CommandLine, Menu };

// Loads file with its media into song; on failure tells the user and returns false.
bool LoadSongForPlay(tLyrimoData& song, const QString& file, tLoadFailureStyle style);

// What a performance needs from around it. The standard steps play through the play driver
// with the media requester, raise the playback background window and hide the desktop.
struct tShellSteps {
    std::function<int(tLyrimoData& song)> perform;
    std::function<void(bool visible)> showDesktop;
    std::function<void()> openBackground;  // called only when the "FullScreen" setting is on
    std::function<void()> closeBackground; // called whether or not it was opened
    // The song file to play next; "" when the user cancels.
    std::function<QString()> chooseSongFile;
    // A busy cursor while a song loads.
    std::function<void(bool busy)> showBusy;
    // The song editor, on a file to load or import ("" for a new song).
    std::function<void(const QString& file)> editSong;
    // The batch-play setup window, run modally on playlist; fileName is "" for a new playlist.
    std::function<void(tBatchKaraokeFile& playlist, const QString& fileName)> setUpBatch;
    // Plays a whole playlist; false when the user ended it early.
    std::function<bool(const tBatchKaraokeFile& playlist)> playPlaylist;
    // The song finder on its own: what it finds is played or edited by new instances.
    std::function<void()> findSongs;
};

tShellSteps StandardShellSteps();

// The command line's play: load, then perform with the background window and the desktop
// hidden. A load failure is reported; an exception escaping the performance is swallowed
// once everything around it is put back.
void PlaySongFromCommandLine(const QString& file, const tShellSteps& steps);

// A song dropped on the main menu: as above, with the menu's messages and order.
void PlayDroppedSong(const QString& file, const tShellSteps& steps);

// The menu's play loop: asks for song files and plays them until the user cancels.
void PlayLoop(const tShellSteps& steps);

// ---- Playlists

// The command line's "/SHOW": the whole playlist at once, with the desktop covered.
void PlayPlaylistFromCommandLine(const QString& file, const tShellSteps& steps);
// The command line's "/BATCH": the batch-play setup window on the playlist, if it loads.
void SetUpBatchFromCommandLine(const QString& file, const tShellSteps& steps);
// The menu's batch play: the setup window on a new, empty playlist.
void SetUpNewBatch(const tShellSteps& steps);
// A playlist dropped on the menu: the setup window on it, or a message when it does not load.
void SetUpDroppedPlaylist(const QString& file, const tShellSteps& steps);

} // namespace lyrimo
