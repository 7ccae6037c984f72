// The program-wide preferences record, loaded from and saved to the per-user settings store.
//
// The store is QSettings in INI form; each section below is a group of that file and each
// value keeps its stored name (blanks included). Booleans are stored as 0 or 1.
#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QSettings;

namespace lyrimo {

// Player identifiers as the preference list holds them.
namespace player {
constexpr uint8_t None = 0, External = 1, QuickTime = 2, WindowsMediaPlayer = 3, Mci = 4, DirectShow = 5;
} // namespace player

// The players in trying order, five identifiers; 0 marks an entry that names no player.
using tPlayerOrder = std::array<uint8_t, 5>;

// "Player2Order" text to the preference list: the digits 1, 4, 5, 3, 2 missing from the text
// are appended in that order, then the first five characters are translated.
tPlayerOrder DecodePlayerOrder(const QString& text);
QString EncodePlayerOrder(const tPlayerOrder& order);

// Extension lists are stored as one text joined with "|".
QStringList SplitExtensions(const QString& text);
QString JoinExtensions(const QStringList& extensions);

// A font kept in the settings: what a song's font record holds plus its character set.
struct tFontSetting {
    QString name = "Arial"; // at most 31 characters
    int32_t colour = 0x00FFFF;
    int size = 19;
    int attributes = 0; // low 4 bits: bold, italic, underline, strike-out
    int charset = 0;

    bool operator==(const tFontSetting&) const = default;
};

constexpr int kFontNameMaxLength = 31;

// Reads and writes a font under a section with the names "Font Name", "Font Colour", "Font Size",
// "Font Attributes" and "Font Charset"; missing or unreadable values take those of defaults.
tFontSetting ReadFontSetting(QSettings& store, const QString& section, const tFontSetting& defaults);
void WriteFontSetting(QSettings& store, const QString& section, const tFontSetting& font);

// A sound played by a shortcut during playback. The shortcut holds the key code in the low
// byte and the Shift, Ctrl and Alt states in bits 13, 14 and 15.
struct tSoundEffect {
    QString FileName;
    uint16_t Shortcut = 0;

    bool operator==(const tSoundEffect&) const = default;
};

constexpr int kMaxRecentFiles = 16;
constexpr int kMaxLyricsOffsetMs = 2000;
// Upper bound on the entries read from a counted list, so that a damaged count cannot make
// loading allocate without end.
constexpr int kMaxListEntries = 1024;

class tSettingsClass;

// Answers and steps that belong to other parts of the program. Each is optional; while one is
// not installed the settings use the stated fallback.
struct tSettingsHooks {
    // Whether a player's engine can be initialised on this machine (asked for player::QuickTime
    // and player::WindowsMediaPlayer, the defaults of "Use Quicktime Player" and
    // "Use Windows Media Player"). Fallback: not available.
    std::function<bool(uint8_t player)> engineAvailable;
    // The name of the first monitor, the default of "CtrlMon" and "PlayMon". Fallback: empty.
    std::function<QString()> firstMonitorName;
    // The machine's CD devices in drive-letter order. Fallback: libcdio's device list.
    std::function<QStringList()> cdDevices;
    // Runs at the end of every load: registering the file types, selecting the monitors.
    std::function<void(tSettingsClass&)> afterLoad;
    // Runs at the end of every save: starting, updating or stopping the remote program.
    std::function<void(const tSettingsClass&)> afterSave;
};

tSettingsHooks& SettingsHooks();

class tSettingsClass {
public:
    // "eMultiMon"
    QString CtrlMon;
    QString PlayMon;
    bool FullScreen = true;

    // "MiscSettings"
    bool LyrimoDoesTimings = true;
    bool R2LReading = false;
    bool AltDrawingMode = false;
    bool UseMultibyte = true;
    QString UseFileExtensionsMCI;
    QString UseFileExtensions; // the external player's list
    QString UseFileExtensionsWMP;
    QString UseFileExtensionsDS;
    QString UseFileExtensionsQT;
    QString WinampEXE; // the external player program, driven over MPRIS
    bool UseWinamp = false;
    bool UseWindowsMediaPlayer = false;
    bool UseMediaPlayer = true;
    bool DirectShow = true;
    bool UseQuicktimePlayer = false;
    bool MCIPlayCDs = true;
    bool WMPPlayCDs = true;
    bool WinampPlayCDs = true;
    bool CDReject = true;
    int WMPForce = 0;
    tPlayerOrder Player2Order = DecodePlayerOrder("15324");
    QString DefaultCDROM; // a drive letter, or empty when there is no CD device
    bool ShrinkPlaybackControls = false;
    bool HideTaskbar = true;
    bool UseWinFS = false;
    QString Language = "default";
    int LastStartTime = 0;
    int Early = 800;
    int LeadIN = 500;
    int LeadOut = 500;
    int MinTimePlay = 2000;
    int ScrollTime = 2000;
    int EndEarlyMin = 30;
    int EndEarlyMax = 50;
    bool DelayWait = false;
    int Bounce = 8;
    int BounceHeightinPercent = 80;
    bool TrueBounce = true;
    bool SkipBlankLines = false;
    bool ShowFirstLine = false;
    bool RemoveLyricsAtSongEnd = true;
    bool MultiLineDisplay = true;
    bool FadeinPreview = true;
    bool FLTL = true;
    bool Mode = true; // low-priority playback
    int Priority = 3;
    bool AutoPause = false;
    QString BgScreenFileName;
    int ScreenStretchMode = 0;
    bool BgMaintainAspect = true;
    int AddPixels = 0;
    bool ShowKARImportResult = true;
    bool ShowLRCImportResult = true;
    bool ShowKOKImportResult = true;

    // "Timings Editor Font"
    tFontSetting TimingsEditorFont;
    int32_t AltColor = 255;

    // "FileSelector"
    bool SortMethod = true;
    QString FileSelPath; // empty means the current folder

    // "PreviewMode"
    bool Enabled = false; // with "Multi-Line Display": next-line preview instead of multi-line display
    bool HalfSize = true;
    bool BlendBG = false;
    int PrevAlign = 1;
    bool PrevDefPos = true;
    bool NiceWordwrap = true;

    // "Playback"
    bool Framerate = false;
    int GraphicsMode = 0;
    bool TitleClickWait = false;
    // The short messages over the lyrics after a playback command: 0 never, 1 only while the
    // controls window is hidden (it shares the playback monitor), 2 always.
    int OnScreenDisplay = 1;
    // Milliseconds the lyrics are drawn later than the player's clock says, for a sound system
    // that is heard late (negative: earlier); within kMaxLyricsOffsetMs either way.
    int LyricsOffsetMs = 0;
    // Whether a song starts in the key and at the tempo last chosen for it.
    bool RememberSongKeyAndTempo = true;

    // "Tips"
    bool TipsEnabled = true;
    int TipsIndex = 0;

    // "ExternalControls"
    bool EnableControls = false;
    QString EnablePort = "LPT1";
    std::array<bool, 4> Enable = {true, false, false, true};
    std::array<QString, 4> SendData = {"0F", "FF", "0F", "00"};
    bool RemoteEnabled = false;

    // "FindSongReq"
    bool SongName = true;
    bool Artists = false;
    bool Album = false;
    bool Lyrics = false;
    bool FileNameS = false;
    int FindMode = 0;

    // "VoiceRem"
    int ReducePos = 90;
    int ReverbLevel = 5;
    int ReverbDelay = 4;
    int BassBoostLevel = 1;
    bool RecursiveReverb = true;

    // "customcolours": the colour dialogs' custom colours, in the dialog's own text form.
    QStringList CustomColours;
    // "SoundEffects"
    std::vector<tSoundEffect> SoundEffects;
    // "Recent Loaded Files": most recent first, at most kMaxRecentFiles.
    QStringList RecentFiles;

    tSettingsClass();

    // The values a fresh store yields on this machine, computed defaults included.
    static tSettingsClass Defaults();

    // Reads every value, taking the default for values that are missing or unreadable.
    void Load(QSettings& store);
    // Writes every value, and this program's path for the remote program.
    void Save(QSettings& store) const;
    // Erases the preference sections from the store and loads again, so every value takes
    // its default.
    void Reset(QSettings& store);

    // Ignored unless the file exists; an equal entry moves to the top.
    void AddRecentFile(const QString& path);
    void RenameRecentFile(const QString& oldPath, const QString& newPath);

    bool operator==(const tSettingsClass&) const = default;
};

// The sections Reset erases.
QStringList ResettableSections();

// The per-user settings store: $XDG_CONFIG_HOME/Pellix Software/Lyrimo.ini (~/.config by default).
std::unique_ptr<QSettings> OpenSettingsStore();

} // namespace lyrimo
