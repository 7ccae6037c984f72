// Colours between the program's order (0x00BBGGRR) and the colour dialogs, and the custom
// colours the dialogs offer.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace lyrimo {

QColor DialogColour(int32_t colour);
int32_t ProgramColour(const QColor& colour);
// A style sheet that paints a widget's background in colour.
QString ColourSwatchStyle(int32_t colour);

// The custom colours of the colour dialogs as the settings keep them ("ColorA=BBGGRR", one per
// dialog slot, the value in hexadecimal in the program's colour order).
void CustomColoursToDialog(const QStringList& colours);
QStringList CustomColoursFromDialog();

} // namespace lyrimo
