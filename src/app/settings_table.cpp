#include "app/settings_table.h"

#include <QSettings>

#include <algorithm>

namespace lyrimo {
namespace {

using tRecord = tSettingsClass;

tSettingValue Bool(const char* section, const char* name, bool tRecord::*member) {
    return {section, name, tSettingType::Bool,
            [member](const tRecord& s) { return QVariant(int(s.*member)); },
            [member](tRecord& s, const QVariant& v) { s.*member = v.toBool(); }};
}

tSettingValue Integer(const char* section, const char* name, int tRecord::*member) {
    return {section, name, tSettingType::Integer, [member](const tRecord& s) { return QVariant(s.*member); },
            [member](tRecord& s, const QVariant& v) { s.*member = v.toInt(); }};
}

tSettingValue Text(const char* section, const char* name, QString tRecord::*member) {
    return {section, name, tSettingType::Text, [member](const tRecord& s) { return QVariant(s.*member); },
            [member](tRecord& s, const QVariant& v) { s.*member = v.toString(); }};
}

// An integer that is corrected while it is read.
tSettingValue Integer(const char* section, const char* name, int tRecord::*member, int (*correct)(int)) {
    tSettingValue value = Integer(section, name, member);
    value.set = [member, correct](tRecord& s, const QVariant& v) { s.*member = correct(v.toInt()); };
    return value;
}

std::vector<tSettingValue> FontValues(const char* section, tFontSetting tRecord::*member) {
    auto font = [member](const tRecord& s) -> const tFontSetting& { return s.*member; };
    auto fontOf = [member](tRecord& s) -> tFontSetting& { return s.*member; };
    return {
        {section, "Font Name", tSettingType::Text, [=](const tRecord& s) { return QVariant(font(s).name); },
         [=](tRecord& s, const QVariant& v) { fontOf(s).name = v.toString().left(kFontNameMaxLength); }},
        {section, "Font Colour", tSettingType::Integer,
         [=](const tRecord& s) { return QVariant(font(s).colour); },
         [=](tRecord& s, const QVariant& v) { fontOf(s).colour = v.toInt(); }},
        {section, "Font Size", tSettingType::Integer,
         [=](const tRecord& s) { return QVariant(font(s).size); },
         [=](tRecord& s, const QVariant& v) { fontOf(s).size = v.toInt(); }},
        {section, "Font Attributes", tSettingType::Integer,
         [=](const tRecord& s) { return QVariant(font(s).attributes); },
         [=](tRecord& s, const QVariant& v) { fontOf(s).attributes = v.toInt(); }},
        {section, "Font Charset", tSettingType::Integer,
         [=](const tRecord& s) { return QVariant(font(s).charset); },
         [=](tRecord& s, const QVariant& v) { fontOf(s).charset = v.toInt(); }},
    };
}

// "Enable0", "SendData0", ... of the external-control events.
std::vector<tSettingValue> EventValues(const char* section) {
    std::vector<tSettingValue> values;
    for (int n = 0; n < 4; ++n) {
        values.push_back({section, "Enable" + QString::number(n), tSettingType::Bool,
                          [n](const tRecord& s) { return QVariant(int(s.Enable[n])); },
                          [n](tRecord& s, const QVariant& v) { s.Enable[n] = v.toBool(); }});
        values.push_back({section, "SendData" + QString::number(n), tSettingType::Text,
                          [n](const tRecord& s) { return QVariant(s.SendData[n]); },
                          [n](tRecord& s, const QVariant& v) { s.SendData[n] = v.toString(); }});
    }
    return values;
}

int AtLeast100(int ms) { return std::max(ms, 100); }
// A stored on-screen display choice outside 0 to 2 falls back to the default.
int OnScreenDisplayChoice(int choice) { return choice >= 0 && choice <= 2 ? choice : 1; }
int LyricsOffsetWithinBounds(int ms) { return std::clamp(ms, -kMaxLyricsOffsetMs, kMaxLyricsOffsetMs); }
int PositiveBounceHeight(int height) { return height <= 0 ? 80 : height; }

std::vector<tSettingValue> BuildTable() {
    using R = tRecord;
    std::vector<tSettingValue> t;
    auto add = [&t](std::vector<tSettingValue> values) { t.insert(t.end(), values.begin(), values.end()); };

    const char* mon = "eMultiMon";
    add({Text(mon, "CtrlMon", &R::CtrlMon), Text(mon, "PlayMon", &R::PlayMon),
         Bool(mon, "FullScreen", &R::FullScreen)});

    const char* misc = "MiscSettings";
    add({
        Bool(misc, "LyrimoDoesTimings", &R::LyrimoDoesTimings),
        Bool(misc, "R2LReading", &R::R2LReading),
        Bool(misc, "AltDrawingMode", &R::AltDrawingMode),
        Bool(misc, "UseMultibyte", &R::UseMultibyte),
        Text(misc, "UseFileExtensionsMCI", &R::UseFileExtensionsMCI),
        Text(misc, "UseFileExtensions", &R::UseFileExtensions),
        Text(misc, "UseFileExtensionsWMP", &R::UseFileExtensionsWMP),
        Text(misc, "UseFileExtensionsDS", &R::UseFileExtensionsDS),
        Text(misc, "UseFileExtensionsQT", &R::UseFileExtensionsQT),
        Text(misc, "WinampEXE", &R::WinampEXE),
        Bool(misc, "Use Winamp", &R::UseWinamp),
        Bool(misc, "Use Windows Media Player", &R::UseWindowsMediaPlayer),
        Bool(misc, "Use Media Player", &R::UseMediaPlayer),
        Bool(misc, "DirectShow", &R::DirectShow),
        Bool(misc, "Use Quicktime Player", &R::UseQuicktimePlayer),
        Bool(misc, "MCI Play CDs", &R::MCIPlayCDs),
        Bool(misc, "WMP Play CDs", &R::WMPPlayCDs),
        Bool(misc, "Winamp Play CDs", &R::WinampPlayCDs),
        Bool(misc, "CDReject", &R::CDReject),
        Integer(misc, "WMPForce", &R::WMPForce),
        {misc, "Player2Order", tSettingType::Text,
         [](const R& s) { return QVariant(EncodePlayerOrder(s.Player2Order)); },
         [](R& s, const QVariant& v) { s.Player2Order = DecodePlayerOrder(v.toString()); }},
        // An empty drive letter keeps the computed default; otherwise only the first character counts.
        {misc, "DefaultCDROM", tSettingType::Text, [](const R& s) { return QVariant(s.DefaultCDROM); },
         [](R& s, const QVariant& v) {
             if (!v.toString().isEmpty())
                 s.DefaultCDROM = v.toString().left(1);
         }},
        Bool(misc, "ShrinkPlaybackControls", &R::ShrinkPlaybackControls),
        Bool(misc, "Hide Taskbar", &R::HideTaskbar),
        Bool(misc, "UseWinFS", &R::UseWinFS),
        Text(misc, "Language", &R::Language),
        Integer(misc, "LastStartTime", &R::LastStartTime),
        Integer(misc, "Early", &R::Early, AtLeast100),
        Integer(misc, "LeadIN", &R::LeadIN),
        Integer(misc, "LeadOut", &R::LeadOut),
        Integer(misc, "MinTimePlay", &R::MinTimePlay),
        Integer(misc, "ScrollTime", &R::ScrollTime),
        Integer(misc, "EndEarlyMin", &R::EndEarlyMin),
        Integer(misc, "EndEarlyMax", &R::EndEarlyMax),
        Bool(misc, "DelayWait", &R::DelayWait),
        Integer(misc, "Bounce", &R::Bounce),
        Integer(misc, "BounceHeightinPercent", &R::BounceHeightinPercent, PositiveBounceHeight),
        Bool(misc, "TrueBounce", &R::TrueBounce),
        Bool(misc, "Skip Blank Lines", &R::SkipBlankLines),
        Bool(misc, "Show First Line", &R::ShowFirstLine),
        Bool(misc, "Remove Lyrics At Song End", &R::RemoveLyricsAtSongEnd),
        Bool(misc, "Multi-Line Display", &R::MultiLineDisplay),
        Bool(misc, "FadeinPreview", &R::FadeinPreview),
        Bool(misc, "FLTL", &R::FLTL),
        Bool(misc, "Mode", &R::Mode),
        Integer(misc, "Priority", &R::Priority),
        Bool(misc, "AutoPause", &R::AutoPause),
        Text(misc, "BgScreenFileName", &R::BgScreenFileName),
        Integer(misc, "ScreenStretchMode", &R::ScreenStretchMode),
        Bool(misc, "BgMaintainAspect", &R::BgMaintainAspect),
        Integer(misc, "AddPixels", &R::AddPixels),
        Bool(misc, "ShowKARImportResult", &R::ShowKARImportResult),
        Bool(misc, "ShowLRCImportResult", &R::ShowLRCImportResult),
        Bool(misc, "ShowKOKImportResult", &R::ShowKOKImportResult),
    });

    const char* font = "Timings Editor Font";
    add(FontValues(font, &R::TimingsEditorFont));
    add({{font, "AltColor", tSettingType::Integer, [](const R& s) { return QVariant(s.AltColor); },
          [](R& s, const QVariant& v) { s.AltColor = v.toInt(); }}});

    const char* selector = "FileSelector";
    add({Bool(selector, "SortMethod", &R::SortMethod), Text(selector, "FileSelPath", &R::FileSelPath)});

    const char* preview = "PreviewMode";
    add({Bool(preview, "Enabled", &R::Enabled), Bool(preview, "HalfSize", &R::HalfSize),
         Bool(preview, "BlendBG", &R::BlendBG), Integer(preview, "PrevAlign", &R::PrevAlign),
         Bool(preview, "PrevDefPos", &R::PrevDefPos), Bool(preview, "NiceWordwrap", &R::NiceWordwrap)});

    const char* playback = "Playback";
    add({Bool(playback, "Framerate", &R::Framerate), Integer(playback, "GraphicsMode", &R::GraphicsMode),
         Bool(playback, "TitleClickWait", &R::TitleClickWait),
         Integer(playback, "OnScreenDisplay", &R::OnScreenDisplay, OnScreenDisplayChoice),
         Integer(playback, "Lyrics offset (ms)", &R::LyricsOffsetMs, LyricsOffsetWithinBounds),
         Bool(playback, "Remember Song Key And Tempo", &R::RememberSongKeyAndTempo)});

    add({Bool("Tips", "Tips Enabled", &R::TipsEnabled), Integer("Tips", "Tips Index", &R::TipsIndex)});

    const char* external = "ExternalControls";
    add({Bool(external, "EnableControls", &R::EnableControls), Text(external, "EnablePort", &R::EnablePort)});
    add(EventValues(external));
    add({Bool(external, "RemoteEnabled", &R::RemoteEnabled)});

    const char* find = "FindSongReq";
    add({Bool(find, "SongName", &R::SongName), Bool(find, "Artists", &R::Artists),
         Bool(find, "Album", &R::Album), Bool(find, "Lyrics", &R::Lyrics),
         Bool(find, "FileNameS", &R::FileNameS), Integer(find, "FindMode", &R::FindMode)});

    const char* voice = "VoiceRem";
    add({Integer(voice, "ReducePos", &R::ReducePos), Integer(voice, "ReverbLevel", &R::ReverbLevel),
         Integer(voice, "ReverbDelay", &R::ReverbDelay), Integer(voice, "BassBoostLevel", &R::BassBoostLevel),
         Bool(voice, "RecursiveReverb", &R::RecursiveReverb)});
    return t;
}

} // namespace

const std::vector<tSettingValue>& SettingValues() {
    static const std::vector<tSettingValue> table = BuildTable();
    return table;
}

std::optional<QVariant> ReadStoredValue(const QSettings& store, const QString& key, tSettingType type) {
    const QVariant stored = store.value(key);
    if (!stored.isValid())
        return std::nullopt;
    // The INI reader turns an unquoted text with commas into a list; such a text was one value.
    const QString text =
        stored.typeId() == QMetaType::QStringList ? stored.toStringList().join(',') : stored.toString();
    if (type == tSettingType::Text)
        return QVariant(text);
    bool ok = false;
    const int number = text.toInt(&ok);
    if (!ok)
        return std::nullopt;
    return type == tSettingType::Bool ? QVariant(number != 0) : QVariant(number);
}

} // namespace lyrimo
