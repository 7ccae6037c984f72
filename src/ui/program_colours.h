// Colours between the program's order (0x00BBGGRR) and the colour dialogs, and the custom
// colours the dialogs offer.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace lyrimo {

QColor DialogColour(int32_t colour);
int32_t ProgramColour(const QColor& colour);
// A style sheet that paints a widget's background in colour.
QString ColourSwatchStyle(int32_t colour);

struct tFontSetting;
class tSettingsClass;
// The font of a font setting: face, point size and the bold, italic, underline and strike-out bits.
QFont TimingFontOf(const tFontSetting& setting);
// Rich text of sample lyrics as the timing recorder colours them: the first word timed, the rest
// not yet.
QString TimingSampleText(const tSettingsClass& settings);

// The custom colours of the colour dialogs as the settings keep them ("ColorA=BBGGRR", one per
// dialog slot, the value in hexadecimal in the program's colour order).
void CustomColoursToDialog(const QStringList& colours);
QStringList CustomColoursFromDialog();

} // namespace lyrimo
