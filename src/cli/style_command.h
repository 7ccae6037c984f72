// lyrimo-cli style: changes how every part of a song is shown (ball, highlight mode, lyrics size,
// line display) and saves the song in place — what a person would otherwise set in the editor.
#pragma once

#include <QStringList>

namespace lyrimo {

int RunStyleCommand(const QStringList& args);

} // namespace lyrimo
