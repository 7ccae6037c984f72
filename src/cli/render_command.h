// lyrimo-cli render: the frames a performance of a song shows, composed as the playback window
// composes them, written as PNG pictures.
#pragma once

#include <QStringList>

namespace lyrimo {

// render SONG.lym --time MS [--size WxH] OUT.png, or
// render SONG.lym --from MS --to MS --fps N [--size WxH] [--title] OUTDIR: the words after "render".
// 0 on success, 1 when the song cannot be loaded or a picture cannot be written, 2 for bad arguments.
int RunRenderCommand(const QStringList& args);

} // namespace lyrimo
