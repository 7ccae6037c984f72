// The preferences as lines of text, "Section/Name" and value, for people and scripts
// (`lyrimo-cli config`). Booleans read 0 or 1, integers are decimal, texts are as they are.
#pragma once

#include <QString>

#include <optional>
#include <vector>

class QSettings;

namespace lyrimo {

class tSettingsClass;

struct tSettingLine {
    QString key; // "Section/Name"
    QString value;
};

// Every effective value in store order; the counted lists appear as their stored names
// ("customcolours/count", "customcolours/col0", ...), the recent files as "File 1", ...
std::vector<tSettingLine> SettingLines(const tSettingsClass& settings);

// The effective value of one key; nothing when no setting has that key. An entry of a list
// beyond its end reads as the entry's default.
std::optional<QString> SettingText(const tSettingsClass& settings, const QString& key);

// Why key names no setting, for the user.
QString UnknownSettingMessage(const QString& key);

// Checks that text suits the key's type and writes it to the store. Returns an empty text on
// success, else what is wrong, for the user.
QString StoreSettingText(QSettings& store, const QString& key, const QString& text);

} // namespace lyrimo
