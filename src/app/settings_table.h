// The single values of the preferences record as a table: where each is stored, its type,
// and how the record holds it. Loading, saving and `lyrimo-cli config` all walk this table.
#pragma once

#include "app/settings.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <optional>
#include <vector>

class QSettings;

namespace lyrimo {

enum class tSettingType { Bool, Integer, Text };

struct tSettingValue {
    QString section;
    QString name;
    tSettingType type;
    // The value in its stored form: 0 or 1 for Bool, an int for Integer, a QString for Text.
    std::function<QVariant(const tSettingsClass&)> get;
    // Takes a value already read as `type` (see ReadStoredValue) and applies the read corrections.
    std::function<void(tSettingsClass&, const QVariant&)> set;

    QString Key() const { return section + '/' + name; }
};

// Every single value in store order. The counted lists ("customcolours", "SoundEffects") and the
// recent files are not single values and are handled on their own.
const std::vector<tSettingValue>& SettingValues();

// The value stored under key read as type: a bool, an int or a QString; nothing when the value
// is missing or cannot be read as that type.
std::optional<QVariant> ReadStoredValue(const QSettings& store, const QString& key, tSettingType type);

} // namespace lyrimo
