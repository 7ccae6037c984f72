#include "cli/config_command.h"

#include <cstdio>

namespace lyrimo {

int RunConfigCommand(const QStringList&) {
    std::fputs("lyrimo-cli: config is not available in this build\n", stderr);
    return 1;
}

} // namespace lyrimo
