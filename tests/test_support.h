// Shared helpers for the test programs.
#pragma once

#include <QByteArray>
#include <QString>

namespace lyrimo::test {

// Points XDG_CONFIG_HOME, XDG_DATA_HOME and TMPDIR at a fresh folder of this test
// process, so that no test reads or writes the user's settings or files. Removed at exit.
void IsolateEnvironment();

// The folder made by IsolateEnvironment (ends without a slash).
QString ScratchFolder();

QByteArray ReadFile(const QString& path);
bool WriteFile(const QString& path, const QByteArray& bytes);

} // namespace lyrimo::test
