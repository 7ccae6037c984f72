// `lyrimo-cli play`: plays a media file, or a song's media, through the player manager and
// prints the clock as it goes.
#pragma once

#include <QStringList>

namespace lyrimo {

// args are the words after "play"; returns the process exit code.
int RunPlayCommand(const QStringList& args);

// `lyrimo-cli players`: each player with whether its engine is here, whether it is enabled and the
// file types it plays.
int RunPlayersCommand(const QStringList& args);

} // namespace lyrimo
