// The JSON description of a song that `lyrimo-cli dump` prints.
#pragma once

#include "document/song.h"

#include <QByteArray>

namespace lyrimo {

QByteArray SongToJson(const tLyrimoData& song, int result);
QByteArray SettingsRecordToJson(bool ok, const tSongSettings& settings);

} // namespace lyrimo
