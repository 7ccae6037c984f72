#include "app/settings.h"

#include <QSettings>

namespace lyrimo {
namespace {

bool ReadBool(const QSettings& store, const QString& key, bool fallback) {
    bool ok = false;
    int value = store.value(key).toInt(&ok);
    return ok ? value != 0 : fallback;
}

int ReadInt(const QSettings& store, const QString& key, int fallback) {
    bool ok = false;
    int value = store.value(key).toInt(&ok);
    return ok ? value : fallback;
}

} // namespace

void tSettingsClass::Load(QSettings& store) {
    const tSettingsClass defaults;
    store.beginGroup("MiscSettings");
    LyrimoDoesTimings = ReadBool(store, "LyrimoDoesTimings", defaults.LyrimoDoesTimings);
    R2LReading = ReadBool(store, "R2LReading", defaults.R2LReading);
    AltDrawingMode = ReadBool(store, "AltDrawingMode", defaults.AltDrawingMode);
    UseMultibyte = ReadBool(store, "UseMultibyte", defaults.UseMultibyte);
    FadeinPreview = ReadBool(store, "FadeinPreview", defaults.FadeinPreview);
    FLTL = ReadBool(store, "FLTL", defaults.FLTL);
    store.endGroup();

    store.beginGroup("PreviewMode");
    HalfSize = ReadBool(store, "HalfSize", defaults.HalfSize);
    BlendBG = ReadBool(store, "BlendBG", defaults.BlendBG);
    PrevAlign = ReadInt(store, "PrevAlign", defaults.PrevAlign);
    store.endGroup();
}

void tSettingsClass::Save(QSettings& store) const {
    store.beginGroup("MiscSettings");
    store.setValue("LyrimoDoesTimings", int(LyrimoDoesTimings));
    store.setValue("R2LReading", int(R2LReading));
    store.setValue("AltDrawingMode", int(AltDrawingMode));
    store.setValue("UseMultibyte", int(UseMultibyte));
    store.setValue("FadeinPreview", int(FadeinPreview));
    store.setValue("FLTL", int(FLTL));
    store.endGroup();

    store.beginGroup("PreviewMode");
    store.setValue("HalfSize", int(HalfSize));
    store.setValue("BlendBG", int(BlendBG));
    store.setValue("PrevAlign", PrevAlign);
    store.endGroup();
}

} // namespace lyrimo

namespace lyrimo {

std::unique_ptr<QSettings> OpenSettingsStore() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "Pellix Software", "Lyrimo");
}

} // namespace lyrimo
