// The program's help pages, installed beside it under share/doc/lyrimo.
#pragma once

#include <QString>

namespace lyrimo {

// Opens a help page in the desktop's browser, or says that the pages are not installed.
void OpenHelpPage(const QString& page);

} // namespace lyrimo
