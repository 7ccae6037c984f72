// `lyrimo-cli config`: list, read and write the settings store.
#pragma once

#include <QStringList>

namespace lyrimo {

// args are the words after "config"; returns the process exit code.
int RunConfigCommand(const QStringList& args);

} // namespace lyrimo
