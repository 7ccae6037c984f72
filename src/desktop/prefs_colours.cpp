#include "desktop/prefs_colours.h"

#include <QColorDialog>

namespace lyrimo {

QColor DialogColour(int32_t colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

int32_t ProgramColour(const QColor& colour) {
    return colour.red() | (colour.green() << 8) | (colour.blue() << 16);
}

QString ColourSwatchStyle(int32_t colour) { return "background-color: " + DialogColour(colour).name() + ";"; }

void CustomColoursToDialog(const QStringList& colours) {
    for (const QString& entry : colours) {
        // "ColorA=BBGGRR": the letter names the slot.
        const QStringList parts = entry.split('=');
        if (parts.size() != 2 || !parts[0].startsWith("Color", Qt::CaseInsensitive) || parts[0].size() != 6)
            continue;
        const int slot = parts[0].back().toUpper().unicode() - 'A';
        bool ok = false;
        const uint value = parts[1].trimmed().toUInt(&ok, 16);
        if (ok && slot >= 0 && slot < QColorDialog::customCount() && value <= 0xFFFFFF)
            QColorDialog::setCustomColor(slot, DialogColour(int32_t(value)));
    }
}

QStringList CustomColoursFromDialog() {
    QStringList colours;
    for (int slot = 0; slot < QColorDialog::customCount(); ++slot) {
        const int32_t value = ProgramColour(QColorDialog::customColor(slot));
        colours << QString("Color%1=%2").arg(QChar('A' + slot)).arg(value, 6, 16, QChar('0')).toUpper();
    }
    return colours;
}

} // namespace lyrimo
