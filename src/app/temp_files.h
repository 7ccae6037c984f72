// Temporary files the program made (extracted media, decoded pictures) are removed when the
// program is ended by a signal, not only when their owners are freed.
//
// The files are kept in a fixed table of byte paths, so the signal handler can remove them
// with nothing but unlink(2), which is safe inside a handler.
#pragma once

#include <QString>

namespace lyrimo {

// Notes a temporary file to remove should the program be ended by a signal. Paths longer than
// the table holds, or beyond its count, are not noted (their owners still remove them).
void TrackTempFile(const QString& path);
// The owner removed the file itself.
void ForgetTempFile(const QString& path);
// How many files are noted now.
int TrackedTempFileCount();

// On SIGTERM, SIGINT and SIGHUP: removes the noted files, then ends the program by the same
// signal, as it would have ended without the handler. Files still noted when the program
// exits are removed too.
void RemoveTempFilesOnSignals();

} // namespace lyrimo
