// Which player engines this machine has. Each engine is looked for once per process, the first
// time it is asked about (starting an engine takes a moment), and never by starting a program.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>

namespace lyrimo {

// Whether the engine of a player identifier is on this machine; false for unknown identifiers.
bool PlayerPresent(uint8_t id);

// Replaces the look-up (tests); an empty function goes back to the machine's engines.
void OverridePlayerPresence(std::function<bool(uint8_t id)> present);

// Makes the settings' defaults turn on every engine the program is built with ("Use mpv" and
// the like). The engines are libraries the program is linked with, so they are installed wherever
// it runs; whether one really works is asked at each open, and the preferences show it.
void EnableBuiltEnginesByDefault();

// The player the manager would try first for files of this extension, given the song's preferred
// player (0 for none): enabled, present and listing the extension; 0 when there is none.
uint8_t ExpectedPlayer(const QString& extension, uint8_t preferred);

// The present engines' names joined by ", ", and after them those that are missing.
QString PlayerPresenceSummary();

} // namespace lyrimo
