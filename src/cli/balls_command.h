// lyrimo-cli balls: a contact sheet of every built-in ball and instrumental animation as
// the player cuts them into frame strips, so that a person can check the artwork, the
// squash frames and the spinning cycles at a glance.
#pragma once

#include <QStringList>

namespace lyrimo {

// balls OUT.png: the words after "balls". 0 on success, 1 when the picture cannot be
// written, 2 for bad arguments.
int RunBallsCommand(const QStringList& args);

} // namespace lyrimo
