#include "media/player.h"

#include "app/app_services.h"
#include "media/player_catalog.h"

namespace lyrimo {

bool tPlayer::IsEnabled() {
    const tPlayerInfo* info = PlayerInfo(PlayerID());
    return info && Settings().*info->enabled;
}

bool tPlayer::CanPlayCDs() {
    const tPlayerInfo* info = PlayerInfo(PlayerID());
    return info && info->playsCds && Settings().*info->playsCds;
}

bool tPlayer::OpenCDTrack(int, QChar, int32_t, tVideoWindow*) { return false; }

} // namespace lyrimo
