// lyrimo-cli convert and export-lrc.
#pragma once

#include <QStringList>

namespace lyrimo {

// convert IN OUT.lym [--display WxH]: imports IN by its extension and saves it as a song.
// 0 on success, 1 when importing or saving fails (the reason on stderr), 2 for bad arguments.
int RunConvertCommand(const QStringList& args);

// export-lrc IN.lym OUT.lrc [--part N]: writes part N (0 when not given) as an LRC file.
int RunExportLrcCommand(const QStringList& args);

} // namespace lyrimo
