// lyrimo-thumbnailer SONG.lym OUT.png [--size N]: a song's title screen as the picture file
// managers show for it. The same as `lyrimo-cli thumbnail`, in a program that starts quickly.
#include "app/app_services.h"
#include "app/command_line.h"
#include "cli/info_command.h"

#include <QCoreApplication>
#include <QSettings>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    lyrimo::Settings().Load(*lyrimo::OpenSettingsStore());
    return lyrimo::RunThumbnailCommand(lyrimo::ArgumentsFromSystem(argc, argv));
}
