#include "media/player_presence.h"

#include "app/app_services.h"
#include "app/settings.h"
#include "media/media_player.h"
#include "media/player_catalog.h"

#include <QStringList>

#include <array>
#include <mutex>
#include <optional>

namespace lyrimo {
namespace {

struct tPresence {
    std::mutex lock;
    std::array<std::optional<bool>, 6> found;
    std::function<bool(uint8_t)> override;
};

tPresence& Presence() {
    static tPresence presence;
    return presence;
}

bool LookForEngine(uint8_t id) {
    const std::unique_ptr<tPlayer> backend = MakeStandardPlayer(id);
    return backend && backend->IsPresent();
}

} // namespace

bool PlayerPresent(uint8_t id) {
    if (id < player::External || id > player::DirectShow)
        return false;
    tPresence& presence = Presence();
    std::function<bool(uint8_t)> override;
    {
        std::lock_guard guard(presence.lock);
        override = presence.override;
    }
    if (override)
        return override(id);
    std::lock_guard guard(presence.lock);
    std::optional<bool>& found = presence.found[id];
    if (!found)
        found = LookForEngine(id);
    return *found;
}

void OverridePlayerPresence(std::function<bool(uint8_t id)> present) {
    std::lock_guard guard(Presence().lock);
    Presence().override = std::move(present);
}

void EnableBuiltEnginesByDefault() {
    SettingsHooks().engineAvailable = [](uint8_t id) { return PlayerInfo(id) != nullptr; };
}

uint8_t ExpectedPlayer(const QString& extension, uint8_t preferred) {
    const tSettingsClass& settings = Settings();
    const auto plays = [&](uint8_t id) {
        const tPlayerInfo* info = PlayerInfo(id);
        return info && settings.*info->enabled &&
               BackendExtensions(settings.*info->extensions).contains(extension, Qt::CaseInsensitive) &&
               PlayerPresent(id);
    };
    if (plays(preferred))
        return preferred;
    for (uint8_t id : settings.Player2Order)
        if (plays(id))
            return id;
    return player::None;
}

QString PlayerPresenceSummary() {
    QStringList present;
    QStringList missing;
    for (uint8_t id : kFilterOrder)
        (PlayerPresent(id) ? present : missing) << PlayerName(id);
    QString summary = present.isEmpty() ? Translate("no player") : present.join(", ");
    if (!missing.isEmpty())
        summary += " (" + Translate("not found here:") + " " + missing.join(", ") + ")";
    return summary;
}

} // namespace lyrimo
