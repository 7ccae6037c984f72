#include "app/song_memory.h"

#include <QSettings>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace lyrimo {
namespace {

const QString kSection = QStringLiteral("Song Key And Tempo");
// Bounds for what a damaged or edited store may hold.
constexpr int kKeyLimit = 12;
constexpr double kSlowest = 0.25, kFastest = 4.5;

// A path holds slashes, which the store would read as nested sections.
QString StoreKey(const QString& songPath) {
    return kSection + "/" + QString::fromLatin1(QUrl::toPercentEncoding(songPath));
}

} // namespace

std::optional<tKeyAndTempo> RememberedKeyAndTempo(QSettings& store, const QString& songPath) {
    if (songPath.isEmpty())
        return std::nullopt;
    const QStringList fields = store.value(StoreKey(songPath)).toString().split(' ', Qt::SkipEmptyParts);
    bool keyRead = false, tempoRead = false;
    if (fields.size() != 2)
        return std::nullopt;
    tKeyAndTempo kept{fields[0].toInt(&keyRead), fields[1].toDouble(&tempoRead)};
    if (!keyRead || !tempoRead || !std::isfinite(kept.tempo))
        return std::nullopt;
    kept.key = std::clamp(kept.key, -kKeyLimit, kKeyLimit);
    kept.tempo = std::clamp(kept.tempo, kSlowest, kFastest);
    if (kept.IsNormal())
        return std::nullopt;
    return kept;
}

void RememberKeyAndTempo(QSettings& store, const QString& songPath, const tKeyAndTempo& chosen) {
    if (songPath.isEmpty())
        return;
    if (chosen.IsNormal())
        store.remove(StoreKey(songPath));
    else
        store.setValue(StoreKey(songPath),
                       QString::number(chosen.key) + " " + QString::number(chosen.tempo, 'f', 2));
}

} // namespace lyrimo
