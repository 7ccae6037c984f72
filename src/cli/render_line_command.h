// lyrimo-cli render-line: draws one lyrics line of a song as a performance shows it at a
// given time, so that a person can look at the colour wipe, the effects and the ball.
#pragma once

#include <QStringList>

namespace lyrimo {

// render-line SONG.lym --part P --line L --time MS [--size WxH] OUT.png: the words after
// "render-line". 0 on success, 1 when the song cannot be read or the picture cannot be
// written, 2 for bad arguments.
int RunRenderLineCommand(const QStringList& args);

} // namespace lyrimo
