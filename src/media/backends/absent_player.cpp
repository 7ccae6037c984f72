#include "media/backends/absent_player.h"

#include "app/app_services.h"
#include "media/player_catalog.h"

namespace lyrimo {

tAbsentPlayer::tAbsentPlayer(uint8_t id) : id_(id) {
    if (const tPlayerInfo* info = PlayerInfo(id))
        SetExtensions(BackendExtensions(Settings().*info->extensions));
}

bool tAbsentPlayer::Unavailable() {
    SetLastError(PlayerName(id_) + ": " + Translate("this player is not part of this installation"));
    return false;
}

bool tAbsentPlayer::OpenFile(const QString&, tVideoWindow*, int32_t) { return Unavailable(); }

bool tAbsentPlayer::OpenCDTrack(int, QChar, int32_t, tVideoWindow*) { return Unavailable(); }

} // namespace lyrimo
