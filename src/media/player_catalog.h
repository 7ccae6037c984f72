// What the program knows of each player identifier: the engine's name shown to the user and
// the preferences that enable it, let it play CDs and list the files it may play.
#pragma once

#include "app/settings.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

namespace lyrimo {

struct tPlayerInfo {
    uint8_t id;
    const char* name; // untranslated
    bool tSettingsClass::*enabled;
    bool tSettingsClass::*playsCds; // nullptr: never plays CDs
    QString tSettingsClass::*extensions;
};

// Information about a player identifier; nullptr for 0 and unknown identifiers.
const tPlayerInfo* PlayerInfo(uint8_t id);

// The order the file dialogs' filter lists the players in.
constexpr std::array<uint8_t, 5> kFilterOrder = {player::Mci, player::WindowsMediaPlayer, player::QuickTime,
                                                 player::External, player::DirectShow};

// The translated name of a player, or empty for an unknown identifier.
QString PlayerName(uint8_t id);

// A backend's extension list from its setting: split at every "|", so an empty text is one empty
// extension and that backend is tried for file names without one.
inline QStringList BackendExtensions(const QString& text) { return text.split('|'); }

} // namespace lyrimo
