// The program-wide preferences record, loaded from and saved to the per-user settings store.
#pragma once

#include <QString>

class QSettings;

namespace lyrimo {

class tSettingsClass {
public:
    // "MiscSettings"
    bool LyrimoDoesTimings = true;
    bool R2LReading = false;
    bool AltDrawingMode = false;
    bool UseMultibyte = true;
    bool FadeinPreview = true;
    bool FLTL = true;

    // "PreviewMode"
    bool HalfSize = true;
    bool BlendBG = false;
    int PrevAlign = 1;

    // Reads every value, taking the default for values that are missing or unreadable.
    void Load(QSettings& store);
    void Save(QSettings& store) const;
};

} // namespace lyrimo

#include <memory>

namespace lyrimo {

// The per-user settings store: ~/.config/Pellix Software/Lyrimo.conf.
std::unique_ptr<QSettings> OpenSettingsStore();

} // namespace lyrimo
