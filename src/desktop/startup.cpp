#include "desktop/startup.h"

#include "app/app_services.h"
#include "app/settings.h"
#include "app/temp_files.h"
#include "desktop/file_types.h"
#include "desktop/main_menu.h"
#include "media/player_presence.h"
#include "playback/monitors.h"
#include "render/drawing_utils.h"
#include "ui/exception_handler.h"
#include "ui/program_style.h"
#include "ui/qt_services.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>

#include <cstdio>

namespace lyrimo {
namespace {

QString ProgramVersionText() {
    const tProgramVersion version = ProgramVersion();
    return QString("%1.%2.%3").arg(version.major).arg(version.minor).arg(version.patch);
}

// Module start-up: what every window and every setting relies on.
void StartModules() {
    EnumerateMonitors();
    tSettingsHooks& hooks = SettingsHooks();
    if (!hooks.firstMonitorName)
        hooks.firstMonitorName = [] { return MonitorCount() > 0 ? MonitorDisplayName(0) : QString(); };
    if (!hooks.engineAvailable)
        EnableBuiltEnginesByDefault();
    const auto store = OpenSettingsStore();
    Settings().Load(*store);
    RegisterFileTypesOnFirstStart(*store, StandardRegistrationPlaces());
    // Off-screen pictures take the pixel format "GraphicsMode" asks for on this screen.
    const QScreen* screen = QGuiApplication::primaryScreen();
    ApplyGraphicsModeSetting(screen ? screen->depth() : 24);
    InstallExceptionHandler();
}

void StopModules() {
    Settings().Save(*OpenSettingsStore());
    RemoveExceptionHandler();
}

int RunMainMenu(QApplication& application) {
    TMainMenu menu;
    QObject::connect(&menu, &TMainMenu::Closed, &application, &QCoreApplication::quit);
    menu.show();
    return application.exec();
}

} // namespace

bool RunEntryMode(const tStartRequest& request, const tShellSteps& steps) {
    switch (request.mode) {
    case tEntryMode::PlaySong: PlaySongFromCommandLine(request.file, steps); return false;
    case tEntryMode::PlayPlaylist: PlayPlaylistFromCommandLine(request.file, steps); return false;
    case tEntryMode::FindSongs:
        if (steps.findSongs)
            steps.findSongs();
        return false;
    case tEntryMode::BatchPlaySetup: SetUpBatchFromCommandLine(request.file, steps); return true;
    case tEntryMode::EditSong:
        if (steps.editSong)
            steps.editSong(request.file);
        return true;
    case tEntryMode::MainMenu: return true;
    case tEntryMode::ShowHelp:
    case tEntryMode::ShowVersion:
    case tEntryMode::UsageError: return false;
    }
    return false;
}

int AnswerOnTerminal(const tStartRequest& request) {
    switch (request.mode) {
    case tEntryMode::ShowHelp: std::fputs(qUtf8Printable(UsageText()), stdout); return 0;
    case tEntryMode::ShowVersion: std::printf("%s\n", qUtf8Printable(VersionBanner())); return 0;
    case tEntryMode::UsageError:
        std::fprintf(stderr, "lyrimo: %s\n\n%s", qUtf8Printable(request.problem),
                     qUtf8Printable(UsageText()));
        return 2;
    default: return -1;
    }
}

int RunDesktopProgram(int argc, char** argv) {
    tExHandlerApplication application(argc, argv);
    QCoreApplication::setOrganizationName("Pellix Software");
    QCoreApplication::setApplicationName("Lyrimo");
    QCoreApplication::setApplicationVersion(ProgramVersionText());
    QGuiApplication::setDesktopFileName("lyrimo");
    ApplyProgramStyle(application);
    // The menu ends the program when it closes; windows closing while it is collapsed must not.
    QApplication::setQuitOnLastWindowClosed(false);

    // Qt has taken its own options out of argc and argv by now.
    const tStartRequest request = ParseCommandLine(ArgumentsFromSystem(argc, argv));
    if (const int exitCode = AnswerOnTerminal(request); exitCode >= 0)
        return exitCode;

    tQtServices services;
    SetApp(&services);
    RemoveTempFilesOnSignals();
    StartModules();

    int exitCode = 0;
    if (RunEntryMode(request, StandardShellSteps()))
        exitCode = RunMainMenu(application);

    StopModules();
    SetApp(nullptr);
    return exitCode;
}

} // namespace lyrimo
