// The desktop program from start to end: module start-up, the entry mode the command line
// chose, the main menu, and saving the settings on the way out.
#pragma once

#include "app/command_line.h"
#include "desktop/shell_actions.h"

namespace lyrimo {

// Runs an entry mode other than the main menu itself; true when the main menu opens next.
bool RunEntryMode(const tStartRequest& request, const tShellSteps& steps);

// Prints the usage, the version or a usage error for the modes that need no window and
// gives the exit code; -1 for every other mode.
int AnswerOnTerminal(const tStartRequest& request);

// The whole program; returns its exit code.
int RunDesktopProgram(int argc, char** argv);

} // namespace lyrimo
