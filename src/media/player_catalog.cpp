#include "media/player_catalog.h"

#include "app/app_services.h"

namespace lyrimo {
namespace {

using S = tSettingsClass;

// Each identifier is served by a real engine of this system; the names say which.
constexpr tPlayerInfo kPlayers[] = {
    {player::External, "External player (MPRIS)", &S::UseWinamp, &S::WinampPlayCDs, &S::UseFileExtensions},
    {player::QuickTime, "VLC", &S::UseQuicktimePlayer, nullptr, &S::UseFileExtensionsQT},
    {player::WindowsMediaPlayer, "mpv", &S::UseWindowsMediaPlayer, &S::WMPPlayCDs, &S::UseFileExtensionsWMP},
    {player::Mci, "Built-in player", &S::UseMediaPlayer, &S::MCIPlayCDs, &S::UseFileExtensionsMCI},
    {player::DirectShow, "GStreamer", &S::DirectShow, nullptr, &S::UseFileExtensionsDS},
};

} // namespace

const tPlayerInfo* PlayerInfo(uint8_t id) {
    for (const tPlayerInfo& info : kPlayers)
        if (info.id == id)
            return &info;
    return nullptr;
}

QString PlayerName(uint8_t id) {
    const tPlayerInfo* info = PlayerInfo(id);
    return info ? Translate(info->name) : QString();
}

} // namespace lyrimo
