#include "app/settings.h"

#include "app/cd_drives.h"
#include "app/settings_table.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>

namespace lyrimo {
namespace {

// The built-in player stands where the system's media player did; beyond that player's
// types it also plays karaoke MIDI files, the common compressed sound formats and the sound of
// the common video files.
const char* const kDefaultExtensionsMCI =
    ".mid|.rmi|.mov|.mpg|.mpeg|.enc|.mpe|.m1v|.avi|.wav|.snd|.aif|.aiff|.aifc|.mp3"
    "|.kar|.midi|.ogg|.opus|.flac|.m4a|.aac|.au|.mp4|.mkv|.webm|.m4v|.wma";
const char* const kDefaultExtensionsExternal = ".mp3|.mp2|.mp1|.mpu|.wav|.pls|.mod|.mid|.rmi|.midi|.miz|.mdz|"
                                               ".stm|.stz|.s3m|.s3z|.it|.itz|.xm|.xmz|.mtm|.ult|"
                                               ".669|.ogg|.voc|.au|.snd|.aif|.aiff|.wma";
const char* const kDefaultExtensionsWMP = ".wav|.snd|.au|.aif|.aifc|.atff|.wma|.mid|.rmi|.wmv|.wm|.midi|.mp3|"
                                          ".m3u|.m1v|.mp2|.mpa|.mp3|.mpeg|.mpg|.mov|.qt|"
                                          ".ra|.rm|.ram|.rmm|.avi|.asf|.asx|.wax|.wvx|.wmx|.mov|.ogg|.ogm";
const char* const kDefaultExtensionsDS = ".wmv|.mpeg|.mpg|.mov|.qt|.avi";
const char* const kDefaultExtensionsQT = ".qt|.mov|.flc|.fla|.mp3|.mpg|.dv|.movie|.avi|.au|.aiff|.wav";

// The external player started and driven over MPRIS when no other program is stored.
const char* const kExternalPlayerProgram = "audacious";

const QString kCustomColours = "customcolours";
const QString kSoundEffects = "SoundEffects";
const QString kRecentFiles = "Recent Loaded Files";

// Player2Order digits and the identifiers they name, in the order missing digits are appended.
struct tPlayerDigit {
    QChar digit;
    uint8_t player;
};
constexpr tPlayerDigit kPlayerDigits[] = {
    {u'1', player::External},           {u'4', player::QuickTime}, {u'5', player::DirectShow},
    {u'3', player::WindowsMediaPlayer}, {u'2', player::Mci},
};

bool ExistingFile(const QString& path) { return !path.isEmpty() && QFileInfo(path).isFile(); }

QString ThisProgramPath() {
    return QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
}

QString ThisProgramFolder() {
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
}

QString DefaultCdDriveLetter() {
    const tSettingsHooks& hooks = SettingsHooks();
    const QStringList devices = hooks.cdDevices ? hooks.cdDevices() : CdDevices();
    return devices.isEmpty() ? QString() : CdDriveLetter(0);
}

bool EngineAvailable(uint8_t id) {
    const tSettingsHooks& hooks = SettingsHooks();
    return hooks.engineAvailable && hooks.engineAvailable(id);
}

int ReadCount(const QSettings& store, const QString& key) {
    const int count = ReadStoredValue(store, key, tSettingType::Integer).value_or(0).toInt();
    return std::clamp(count, 0, kMaxListEntries);
}

QString ReadText(const QSettings& store, const QString& key) {
    return ReadStoredValue(store, key, tSettingType::Text).value_or(QString()).toString();
}

QStringList ReadCustomColours(const QSettings& store) {
    QStringList colours;
    const int count = ReadCount(store, kCustomColours + "/count");
    for (int n = 0; n < count; ++n)
        colours << ReadText(store, kCustomColours + "/col" + QString::number(n));
    return colours;
}

uint16_t ReadShortcut(const QSettings& store, const QString& key) {
    const int value = ReadStoredValue(store, key, tSettingType::Integer).value_or(0).toInt();
    return value >= 0 && value <= 0xFFFF ? static_cast<uint16_t>(value) : 0;
}

std::vector<tSoundEffect> ReadSoundEffects(const QSettings& store) {
    std::vector<tSoundEffect> effects;
    const int count = ReadCount(store, kSoundEffects + "/Count");
    for (int n = 0; n < count; ++n) {
        const QString number = QString::number(n);
        effects.push_back({ReadText(store, kSoundEffects + "/Filename" + number),
                           ReadShortcut(store, kSoundEffects + "/Shortkey" + number)});
    }
    return effects;
}

QStringList ReadRecentFiles(const QSettings& store) {
    QStringList files;
    for (int n = 1; n <= kMaxRecentFiles; ++n) {
        const QString path = ReadText(store, kRecentFiles + "/File " + QString::number(n));
        if (path.isEmpty())
            break;
        if (ExistingFile(path))
            files << path;
    }
    return files;
}

void WriteCustomColours(QSettings& store, const QStringList& colours) {
    store.remove(kCustomColours);
    store.setValue(kCustomColours + "/count", int(colours.size()));
    for (int n = 0; n < colours.size(); ++n)
        store.setValue(kCustomColours + "/col" + QString::number(n), colours[n]);
}

void WriteSoundEffects(QSettings& store, const std::vector<tSoundEffect>& effects) {
    store.remove(kSoundEffects);
    store.setValue(kSoundEffects + "/Count", int(effects.size()));
    for (size_t n = 0; n < effects.size(); ++n) {
        const QString number = QString::number(n);
        store.setValue(kSoundEffects + "/Filename" + number, effects[n].FileName);
        store.setValue(kSoundEffects + "/Shortkey" + number, int(effects[n].Shortcut));
    }
}

// The entry after the last is written empty so that a longer list saved earlier ends there.
void WriteRecentFiles(QSettings& store, const QStringList& files) {
    const int count = std::min<int>(files.size(), kMaxRecentFiles);
    for (int n = 0; n < count; ++n)
        store.setValue(kRecentFiles + "/File " + QString::number(n + 1), files[n]);
    store.setValue(kRecentFiles + "/File " + QString::number(count + 1), QString());
}

} // namespace

tPlayerOrder DecodePlayerOrder(const QString& text) {
    QString digits = text;
    for (const tPlayerDigit& d : kPlayerDigits)
        if (!digits.contains(d.digit))
            digits += d.digit;
    tPlayerOrder order{};
    for (size_t i = 0; i < order.size(); ++i) {
        auto known = std::find_if(std::begin(kPlayerDigits), std::end(kPlayerDigits),
                                  [&](const tPlayerDigit& d) { return d.digit == digits[int(i)]; });
        order[i] = known != std::end(kPlayerDigits) ? known->player : player::None;
    }
    return order;
}

QString EncodePlayerOrder(const tPlayerOrder& order) {
    QString digits;
    for (uint8_t id : order) {
        auto known = std::find_if(std::begin(kPlayerDigits), std::end(kPlayerDigits),
                                  [&](const tPlayerDigit& d) { return d.player == id; });
        digits += known != std::end(kPlayerDigits) ? known->digit : QChar(u'0');
    }
    return digits;
}

QStringList SplitExtensions(const QString& text) { return text.isEmpty() ? QStringList() : text.split('|'); }

QString JoinExtensions(const QStringList& extensions) { return extensions.join('|'); }

tFontSetting ReadFontSetting(QSettings& store, const QString& section, const tFontSetting& defaults) {
    auto number = [&](const char* name, int fallback) {
        return ReadStoredValue(store, section + '/' + name, tSettingType::Integer).value_or(fallback).toInt();
    };
    tFontSetting font;
    font.name = ReadStoredValue(store, section + "/Font Name", tSettingType::Text)
                    .value_or(defaults.name)
                    .toString()
                    .left(kFontNameMaxLength);
    font.colour = number("Font Colour", defaults.colour);
    font.size = number("Font Size", defaults.size);
    font.attributes = number("Font Attributes", defaults.attributes);
    font.charset = number("Font Charset", defaults.charset);
    return font;
}

void WriteFontSetting(QSettings& store, const QString& section, const tFontSetting& font) {
    store.setValue(section + "/Font Name", font.name.left(kFontNameMaxLength));
    store.setValue(section + "/Font Colour", font.colour);
    store.setValue(section + "/Font Size", font.size);
    store.setValue(section + "/Font Attributes", font.attributes);
    store.setValue(section + "/Font Charset", font.charset);
}

tSettingsHooks& SettingsHooks() {
    static tSettingsHooks hooks;
    return hooks;
}

tSettingsClass::tSettingsClass()
    : UseFileExtensionsMCI(kDefaultExtensionsMCI), UseFileExtensions(kDefaultExtensionsExternal),
      UseFileExtensionsWMP(kDefaultExtensionsWMP), UseFileExtensionsDS(kDefaultExtensionsDS),
      UseFileExtensionsQT(kDefaultExtensionsQT) {}

tSettingsClass tSettingsClass::Defaults() {
    tSettingsClass s;
    const tSettingsHooks& hooks = SettingsHooks();
    if (hooks.firstMonitorName)
        s.CtrlMon = s.PlayMon = hooks.firstMonitorName();
    s.WinampEXE = QStandardPaths::findExecutable(kExternalPlayerProgram);
    s.UseWinamp = ExistingFile(s.WinampEXE);
    s.UseWindowsMediaPlayer = EngineAvailable(player::WindowsMediaPlayer);
    s.UseQuicktimePlayer = EngineAvailable(player::QuickTime);
    s.DefaultCDROM = DefaultCdDriveLetter();
    s.FileSelPath = ThisProgramFolder();
    return s;
}

void tSettingsClass::Load(QSettings& store) {
    tSettingsClass loaded = Defaults();
    for (const tSettingValue& value : SettingValues())
        if (auto stored = ReadStoredValue(store, value.Key(), value.type))
            value.set(loaded, *stored);
    // Without a stored choice the external player is on when the program it names exists;
    // that program may itself be a stored value.
    if (!ReadStoredValue(store, "MiscSettings/Use Winamp", tSettingType::Bool))
        loaded.UseWinamp = ExistingFile(loaded.WinampEXE);

    loaded.CustomColours = ReadCustomColours(store);
    loaded.SoundEffects = ReadSoundEffects(store);
    loaded.RecentFiles = ReadRecentFiles(store);
    *this = std::move(loaded);

    if (SettingsHooks().afterLoad)
        SettingsHooks().afterLoad(*this);
}

void tSettingsClass::Save(QSettings& store) const {
    for (const tSettingValue& value : SettingValues())
        store.setValue(value.Key(), value.get(*this));
    WriteCustomColours(store, CustomColours);
    WriteSoundEffects(store, SoundEffects);
    WriteRecentFiles(store, RecentFiles);
    store.setValue("ExternalControls/LyrimoEXE", ThisProgramPath());

    if (SettingsHooks().afterSave)
        SettingsHooks().afterSave(*this);
}

QStringList ResettableSections() {
    return {"customcolours",       "eMultiMon", "ExternalControls", "FileSelector",        "FindSongReq",
            "MiscSettings",        "Playback",  "PreviewMode",      "Recent Loaded Files", "SoundEffects",
            "Timings Editor Font", "Tips",      "VoiceRem",         "Exceptions"};
}

void tSettingsClass::Reset(QSettings& store) {
    for (const QString& section : ResettableSections())
        store.remove(section);
    Load(store);
}

void tSettingsClass::AddRecentFile(const QString& path) {
    if (!ExistingFile(path))
        return;
    RecentFiles.removeAll(path);
    RecentFiles.prepend(path);
    while (RecentFiles.size() > kMaxRecentFiles)
        RecentFiles.removeLast();
}

void tSettingsClass::RenameRecentFile(const QString& oldPath, const QString& newPath) {
    RecentFiles.removeAll(oldPath);
    AddRecentFile(newPath);
}

std::unique_ptr<QSettings> OpenSettingsStore() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "Pellix Software",
                                       "Lyrimo");
}

} // namespace lyrimo
