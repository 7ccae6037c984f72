#include "ui/program_colours.h"

#include "app/app_services.h"
#include "app/settings.h"

#include <QColorDialog>

namespace lyrimo {

QColor DialogColour(int32_t colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

int32_t ProgramColour(const QColor& colour) {
    return colour.red() | (colour.green() << 8) | (colour.blue() << 16);
}

QString ColourSwatchStyle(int32_t colour) { return "background-color: " + DialogColour(colour).name() + ";"; }

QFont TimingFontOf(const tFontSetting& setting) {
    QFont font(setting.name, setting.size);
    font.setBold(setting.attributes & 1);
    font.setItalic(setting.attributes & 2);
    font.setUnderline(setting.attributes & 4);
    font.setStrikeOut(setting.attributes & 8);
    return font;
}

QString TimingSampleText(const tSettingsClass& settings) {
    const QStringList words = Translate("Sample lyrics").toHtmlEscaped().split(' ');
    auto coloured = [](int32_t colour, const QString& text) {
        return "<span style=\"color:" + DialogColour(colour).name() + "\">" + text + "</span>";
    };
    QString text = coloured(settings.AltColor, words.first());
    if (words.size() > 1)
        text += " " + coloured(settings.TimingsEditorFont.colour, words.mid(1).join(' '));
    return text;
}

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
