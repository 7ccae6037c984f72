#include "desktop/shell_actions.h"

#include "desktop/song_editing.h"

#include "app/app_services.h"
#include "app/command_line.h"
#include "document/song.h"
#include "document/song_loading.h"
#include "playback/play_driver.h"
#include "playback/playback_background.h"
#include "playlist/batch_play_console.h"
#include "playlist/batch_play_window.h"
#include "playlist/file_selector.h"
#include "playlist/playlist_file.h"
#include "playlist/song_finder_window.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include <cstdio>
#include <exception>
#include <memory>

namespace lyrimo {
namespace {

// Scopes of a performance; each puts back what it changed however the performance ends.
class tPlayingMark {
public:
    tPlayingMark() { Status().Playing = true; }
    ~tPlayingMark() { Status().Playing = false; }
    tPlayingMark(const tPlayingMark&) = delete;
    tPlayingMark& operator=(const tPlayingMark&) = delete;
};

class tDesktopHidden {
public:
    explicit tDesktopHidden(const tShellSteps& steps) : steps_(steps) { steps_.showDesktop(false); }
    ~tDesktopHidden() { steps_.showDesktop(true); }
    tDesktopHidden(const tDesktopHidden&) = delete;
    tDesktopHidden& operator=(const tDesktopHidden&) = delete;

private:
    const tShellSteps& steps_;
};

class tBackgroundShown {
public:
    explicit tBackgroundShown(const tShellSteps& steps) : steps_(steps) {
        if (Settings().FullScreen)
            steps_.openBackground();
    }
    ~tBackgroundShown() { steps_.closeBackground(); }
    tBackgroundShown(const tBackgroundShown&) = delete;
    tBackgroundShown& operator=(const tBackgroundShown&) = delete;

private:
    const tShellSteps& steps_;
};

class tBusy {
public:
    explicit tBusy(const tShellSteps& steps) : steps_(steps) { steps_.showBusy(true); }
    ~tBusy() { steps_.showBusy(false); }
    tBusy(const tBusy&) = delete;
    tBusy& operator=(const tBusy&) = delete;

private:
    const tShellSteps& steps_;
};

void Warn(const QString& text, const QString& title) {
    App().MessageBox(Translate(text), Translate(title), mb::Ok | mb::IconWarning);
}

bool LoadWhileBusy(tLyrimoData& song, const QString& file, tLoadFailureStyle style,
                   const tShellSteps& steps) {
    int result;
    {
        tBusy busy(steps);
        result = song.LoadFromFile(file, true);
    }
    if (result == 0) {
        // What could be read is still a song; the person learns what the file lost.
        if (!song.LoadDamage.isEmpty())
            App().MessageBox(DamageReport(song), Translate("Warning"), mb::Ok | mb::IconWarning);
        return true;
    }
    const bool commandLine = style == tLoadFailureStyle::CommandLine;
    if (result < 0)
        Warn("This is not a valid Lyrimo file...", commandLine ? "Error" : "Please Note...");
    else if (commandLine)
        App().MessageBox(Translate("Error loading the specified file:") + "\n" + ErrorText(result),
                         Translate("Error"), mb::Ok | mb::IconWarning);
    else
        Warn("Error loading specified file.", "Error");
    return false;
}

void ReportSwallowed(const char* what) {
    std::fprintf(stderr, "lyrimo: the performance ended with an error: %s\n", what);
}

// The standard steps' background window; one at a time. A plain pointer, not an owner in a
// static: when the display goes away Qt ends the process with exit(), and a widget destroyed
// by the exit handlers after the window system is gone would crash the program on its way out.
QWidget* backgroundWindow = nullptr;

void OpenBackgroundWindow() {
    if (!backgroundWindow)
        backgroundWindow = new TPlaybackBG;
    backgroundWindow->show();
}

void CloseBackgroundWindow() {
    delete backgroundWindow;
    backgroundWindow = nullptr;
}

QString ChooseSongFileWithDialog() {
    static QString lastFolder;
    QString folder = lastFolder;
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        // "." is where the file selector was left showing the drives.
        const QString selectorFolder = Settings().FileSelPath;
        folder =
            selectorFolder != "." && QFileInfo(selectorFolder).isDir() ? selectorFolder : QDir::homePath();
    }
    // File names on Linux are case-sensitive, so both spellings of the extension are listed.
    const QString filter = Translate("Lyrimo Files") + " (*.lym *.LYM);;" + Translate("All Files") + " (*)";
    const QString file =
        QFileDialog::getOpenFileName(nullptr, Translate("Select Lyrimo File To Play"), folder, filter);
    if (!file.isEmpty())
        lastFolder = QFileInfo(file).absolutePath();
    return file;
}

// The song to play next: the big file selector, or the desktop's file dialog when "UseWinFS"
// asks for it.
QString ChooseSongFile() {
    if (Settings().UseWinFS)
        return ChooseSongFileWithDialog();
    return ChooseSongWithSelector([](QString& path) { return FindSong(true, false, path); });
}

void ShowBusyCursor(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

} // namespace

tDrop ClassifyDrop(const QStringList& files) {
    if (files.isEmpty())
        return {};
    const QString& file = files.front();
    const QString extension = QFileInfo(file).suffix().toUpper();
    if (extension == "LYM")
        return {tDropKind::Song, file};
    if (extension == "LPL")
        return {tDropKind::Playlist, file};
    return {tDropKind::Unknown, file};
}

QString WelcomeText() {
    return Translate("Welcome to") + " Lyrimo" + "\n" + Translate("Karaoke for Linux Made Easy");
}

QString VersionLine() {
    const tProgramVersion version = ProgramVersion();
    return Translate("Version") + " " + VersionNumberText(version.major, version.minor);
}

QString FindHelpFile(const QString& programPath, const QString& installedManual) {
    if (!programPath.isEmpty()) {
        const QFileInfo program(programPath);
        const QString beside = program.absolutePath() + "/" + program.completeBaseName() + ".html";
        if (QFileInfo(beside).isFile())
            return beside;
    }
    if (!installedManual.isEmpty() && QFileInfo(installedManual).isFile())
        return installedManual;
    return {};
}

bool LoadSongForPlay(tLyrimoData& song, const QString& file, tLoadFailureStyle style) {
    tShellSteps quiet;
    quiet.showBusy = [](bool) {};
    return LoadWhileBusy(song, file, style, quiet);
}

tShellSteps StandardShellSteps() {
    tShellSteps steps;
    steps.perform = [](tLyrimoData& song) { return PlaySong(song, 0, true, false, true); };
    steps.showDesktop = ShowDesktop;
    steps.openBackground = OpenBackgroundWindow;
    steps.closeBackground = CloseBackgroundWindow;
    steps.chooseSongFile = ChooseSongFile;
    steps.showBusy = ShowBusyCursor;
    steps.editSong = EditSong;
    steps.setUpBatch = [](tBatchKaraokeFile& playlist, const QString& fileName) {
        TBatchPlayConsole console(playlist, fileName);
        console.exec();
    };
    steps.playPlaylist = PlayPlaylistOnScreen;
    steps.findSongs = [] {
        QString path = QDir::currentPath() + "/";
        FindSong(false, true, path);
    };
    return steps;
}

void PlaySongFromCommandLine(const QString& file, const tShellSteps& steps) {
    try {
        auto song = std::make_unique<tLyrimoData>();
        if (!LoadWhileBusy(*song, file, tLoadFailureStyle::CommandLine, steps))
            return;
        tPlayingMark playing;
        tBackgroundShown background(steps);
        tDesktopHidden desktop(steps);
        steps.perform(*song);
    } catch (const std::exception& error) {
        ReportSwallowed(error.what());
    } catch (...) {
        ReportSwallowed("unknown");
    }
}

void PlayDroppedSong(const QString& file, const tShellSteps& steps) {
    try {
        tDesktopHidden desktop(steps);
        auto song = std::make_unique<tLyrimoData>();
        if (!LoadWhileBusy(*song, file, tLoadFailureStyle::Menu, steps))
            return;
        tBackgroundShown background(steps);
        tPlayingMark playing;
        steps.perform(*song);
    } catch (const std::exception& error) {
        ReportSwallowed(error.what());
    } catch (...) {
        ReportSwallowed("unknown");
    }
}

void PlayLoop(const tShellSteps& steps) {
    tDesktopHidden desktop(steps);
    tBackgroundShown background(steps);
    tPlayingMark playing;
    for (;;) {
        const QString file = steps.chooseSongFile();
        if (file.isEmpty())
            break;
        auto song = std::make_unique<tLyrimoData>();
        if (LoadWhileBusy(*song, file, tLoadFailureStyle::Menu, steps))
            steps.perform(*song);
    }
}

void PlayPlaylistFromCommandLine(const QString& file, const tShellSteps& steps) {
    tBatchKaraokeFile playlist;
    if (!LoadPlaylist(playlist, file)) {
        Warn("Unable to play the specified play list, there was an error loading the playlist file",
             "Batch Play Mode");
        return;
    }
    try {
        tPlayingMark playing;
        tDesktopHidden desktop(steps);
        tBackgroundShown background(steps);
        steps.playPlaylist(playlist);
    } catch (const std::exception& error) {
        ReportSwallowed(error.what());
    } catch (...) {
        ReportSwallowed("unknown");
    }
}

void SetUpBatchFromCommandLine(const QString& file, const tShellSteps& steps) {
    tBackgroundShown background(steps);
    tBatchKaraokeFile playlist;
    tDesktopHidden desktop(steps);
    if (LoadPlaylist(playlist, file))
        steps.setUpBatch(playlist, file);
    else
        Warn("Error loading the specified playlist file", "Batch Play Mode");
}

void SetUpNewBatch(const tShellSteps& steps) {
    tPlayingMark playing;
    tBatchKaraokeFile playlist;
    tDesktopHidden desktop(steps);
    tBackgroundShown background(steps);
    steps.setUpBatch(playlist, {});
}

void SetUpDroppedPlaylist(const QString& file, const tShellSteps& steps) {
    tBatchKaraokeFile playlist;
    bool loaded;
    {
        tBusy busy(steps);
        loaded = LoadPlaylist(playlist, file);
    }
    if (!loaded) {
        Warn("This is not a valid Lyrimo playlist file...", "Please Note...");
        return;
    }
    tPlayingMark playing;
    tBackgroundShown background(steps);
    steps.setUpBatch(playlist, file);
}

} // namespace lyrimo
