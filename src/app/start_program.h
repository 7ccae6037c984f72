// Starting companion programs (the problem reporter, the remote control, a restart).
#pragma once

#include <QString>
#include <QStringList>

namespace lyrimo {

// Starts the program at programPath (a bare name is looked up on the search path) with
// the program's own folder as its working folder, and reports whether it started.
// With wait it returns only when the program has ended: by blocking, or with
// keepResponsive by checking every 3 ms and letting the user interface process its
// pending events in between. Without wait the program runs on independently.
bool StartProgram(const QString& programPath, const QStringList& arguments, bool wait, bool keepResponsive);

} // namespace lyrimo
