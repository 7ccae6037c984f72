// The key and tempo last chosen for each song, kept in the settings store by the song's path, so
// a song can start the next time as its singer left it.
#pragma once

#include <QString>

#include <cmath>
#include <optional>

class QSettings;

namespace lyrimo {

struct tKeyAndTempo {
    int key = 0;        // semitones
    double tempo = 1.0; // a factor of normal speed

    // Steps of a tenth added up may miss 1.0 by a hair.
    bool IsNormal() const { return key == 0 && std::abs(tempo - 1.0) < 0.005; }
    bool operator==(const tKeyAndTempo&) const = default;
};

// None when nothing other than the normal key and tempo was kept for the song.
std::optional<tKeyAndTempo> RememberedKeyAndTempo(QSettings& store, const QString& songPath);
// The normal key and tempo are forgotten rather than kept.
void RememberKeyAndTempo(QSettings& store, const QString& songPath, const tKeyAndTempo& chosen);

} // namespace lyrimo
