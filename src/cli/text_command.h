// lyrimo-cli text: draws a text wrapped and laid out by the lyrics text engine, so that
// a person can see how it measures, breaks and draws a line.
#pragma once

#include <QStringList>

namespace lyrimo {

// text [--font NAME] [--size POINTS] [--rtl] [--width PIXELS] ... TEXT OUT.png: the words
// after "text". 0 on success, 1 when the picture cannot be written, 2 for bad arguments.
int RunTextCommand(const QStringList& args);

} // namespace lyrimo
