// lyrimo: the desktop karaoke creator and player.
#include "app/command_line.h"
#include "desktop/startup.h"

#include <QStringList>

int main(int argc, char** argv) {
    // "--help" and "--version" are answered before any window system is needed, so they work
    // on a plain terminal. Other mistakes wait until Qt has taken out its own options.
    const lyrimo::tStartRequest request = lyrimo::ParseCommandLine(lyrimo::ArgumentsFromSystem(argc, argv));
    if (request.mode == lyrimo::tEntryMode::ShowHelp || request.mode == lyrimo::tEntryMode::ShowVersion)
        return lyrimo::AnswerOnTerminal(request);
    return lyrimo::RunDesktopProgram(argc, argv);
}
