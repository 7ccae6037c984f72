// What the desktop program does when it starts: the entry mode chosen by its command line,
// and the program's version as the windows and the command line show it.
//
// The classic form is FILE followed by one switch ("song.lym /PLAY"); the file managers'
// associations start the program that way. GNU-style options ("--play FILE") are accepted
// as well.
#pragma once

#include <QString>
#include <QStringList>

namespace lyrimo {

enum class tEntryMode {
    MainMenu,
    PlaySong,       // "/PLAY", "/VIEW", "--play"
    PlayPlaylist,   // "/SHOW", "--show"
    BatchPlaySetup, // "/BATCH", "--batch": the playlist editor, then the main menu
    EditSong,       // "/EDIT", "/IMPORT", "--edit": the song editor, then the main menu
    FindSongs,      // "/FIND" alone, "--find": the stand-alone song finder
    ShowHelp,       // "--help": usage on stdout
    ShowVersion,    // "--version"
    UsageError,     // a GNU-style option the program does not know, or one missing its file
};

struct tStartRequest {
    tEntryMode mode = tEntryMode::MainMenu;
    QString file;
    QString problem; // what was wrong, for UsageError

    // The modes after which the main menu opens.
    bool MainMenuFollows() const {
        return mode == tEntryMode::MainMenu || mode == tEntryMode::BatchPlaySetup ||
               mode == tEntryMode::EditSong;
    }
};

// arguments: the program's arguments without the program name.
tStartRequest ParseCommandLine(const QStringList& arguments);

// One argument exactly as the system passed it, as a path this program can open.
QString ArgumentFromSystem(const char* raw);
// argv[1] to argv[argc - 1], each through ArgumentFromSystem.
QStringList ArgumentsFromSystem(int argc, char** argv);

// The text "--help" prints.
QString UsageText();

// "3.12": the major number, a point and the minor number with at least two digits;
// "???" when either number is unknown (negative).
QString VersionNumberText(int major, int minor);

struct tProgramVersion {
    int major = -1;
    int minor = -1;
    int patch = -1;
};

// This build's version.
tProgramVersion ProgramVersion();
// Versions below 1.0 are pre-releases; the main menu marks them "BETA".
bool IsPreRelease(const tProgramVersion& version);
// "Lyrimo 0.01", as "--version" prints it.
QString VersionBanner();

} // namespace lyrimo
