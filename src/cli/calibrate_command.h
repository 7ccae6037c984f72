// lyrimo-cli calibrate: shows or sets the lyrics offset, the delay of the sound system the lyrics
// wait for, without the measuring window.
#pragma once

#include <QStringList>

namespace lyrimo {

// calibrate [--offset MS]. Without an option prints the offset in use; with one stores it (an
// integer within the offset's bounds) in the settings store. 0 on success, 1 when the store could
// not be written, 2 for bad arguments (nothing is stored then).
int RunCalibrateCommand(const QStringList& args);

} // namespace lyrimo
