// The save dialog as every window of the program asks for a file to write.
#pragma once

#include <QString>

class QWidget;

namespace lyrimo {

// Asks for a file to write (confirming before one is replaced); a name typed without an
// extension gets extension ("csv", no point). "" when the user cancels.
QString AskSaveFileName(QWidget* parent, const QString& title, const QString& start, const QString& filter,
                        const QString& extension);

} // namespace lyrimo
