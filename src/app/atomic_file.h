// Writing a whole file so that nothing is ever half-written: the bytes go to a temporary file
// beside it, which replaces the file only once it is complete.
#pragma once

#include <QByteArray>
#include <QString>

namespace lyrimo {

// False when the file could not be written; the old file, if any, is then untouched and *error
// (when given) says why.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

} // namespace lyrimo
