// lyrimo-cli template and batch-convert.
#pragma once

#include <QStringList>

namespace lyrimo {

// template list | save NAME SONG.lym | apply NAME SONG.lym | delete NAME: the import templates
// of the per-user settings store. 0 on success, 1 when the template or song cannot be used,
// 2 for bad arguments.
int RunTemplateCommand(const QStringList& args);

// batch-convert [--template NAME]... [--out DIR] FILE|FOLDER...: converts every file (a folder
// gives its importable files) into a song in DIR, each with one of the templates picked at
// random. Progress on stderr, one result line per file on stdout; 0 only when every file converted.
int RunBatchConvertCommand(const QStringList& args);

} // namespace lyrimo
