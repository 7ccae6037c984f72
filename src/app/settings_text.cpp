#include "app/settings_text.h"

#include "app/settings.h"
#include "app/settings_table.h"

#include <QRegularExpression>
#include <QSettings>

#include <climits>
#include <utility>

namespace lyrimo {
namespace {

const QString kProgramPathKey = "ExternalControls/LyrimoEXE";

// What a key accepts, and what an entry of a list reads as beyond the list's end.
struct tKeyRule {
    explicit tKeyRule(tSettingType type, int minimum = INT_MIN, int maximum = INT_MAX,
                      QString missingEntry = {})
        : type(type), minimum(minimum), maximum(maximum), missingEntry(std::move(missingEntry)) {}

    tSettingType type;
    int minimum;
    int maximum;
    QString missingEntry;
};

// n from prefix + n, written the way the store writes it (no sign, no leading zeros).
std::optional<int> EntryNumber(const QString& name, const QString& prefix, int first, int last) {
    static const QRegularExpression number("^(0|[1-9][0-9]{0,8})$");
    if (!name.startsWith(prefix) || !number.match(name.mid(prefix.size())).hasMatch())
        return std::nullopt;
    const int n = name.mid(prefix.size()).toInt();
    return n >= first && n <= last ? std::optional<int>(n) : std::nullopt;
}

std::optional<tKeyRule> ListRule(const QString& section, const QString& name) {
    const tKeyRule count(tSettingType::Integer, 0, kMaxListEntries);
    const tKeyRule text(tSettingType::Text);
    const int lastEntry = kMaxListEntries - 1;
    if (section == "customcolours") {
        if (name == "count")
            return count;
        if (EntryNumber(name, "col", 0, lastEntry))
            return text;
    } else if (section == "SoundEffects") {
        if (name == "Count")
            return count;
        if (EntryNumber(name, "Filename", 0, lastEntry))
            return text;
        if (EntryNumber(name, "Shortkey", 0, lastEntry))
            return tKeyRule(tSettingType::Integer, 0, 0xFFFF, "0");
    } else if (section == "Recent Loaded Files") {
        if (EntryNumber(name, "File ", 1, kMaxRecentFiles))
            return text;
    }
    return std::nullopt;
}

std::optional<tKeyRule> RuleFor(const QString& key) {
    for (const tSettingValue& value : SettingValues())
        if (value.Key() == key)
            return tKeyRule(value.type);
    const int slash = key.indexOf('/');
    if (slash < 0)
        return std::nullopt;
    return ListRule(key.left(slash), key.mid(slash + 1));
}

// The typed value to store, or the reason text does not fit.
std::optional<QVariant> ParseValue(const QString& key, const tKeyRule& rule, const QString& text,
                                   QString& problem) {
    if (rule.type == tSettingType::Text)
        return QVariant(text);
    if (rule.type == tSettingType::Bool) {
        if (text == "0" || text == "1")
            return QVariant(text.toInt());
        problem = QString("%1 is an on/off setting: give 1 for on or 0 for off, not \"%2\"").arg(key, text);
        return std::nullopt;
    }
    static const QRegularExpression integer("^[+-]?[0-9]+$");
    bool ok = false;
    const int number = integer.match(text).hasMatch() ? text.toInt(&ok) : 0;
    if (!ok) {
        problem = QString("%1 takes a whole number, not \"%2\"").arg(key, text);
        return std::nullopt;
    }
    if (number < rule.minimum || number > rule.maximum) {
        problem = QString("%1 takes a number from %2 to %3, not %4")
                      .arg(key)
                      .arg(rule.minimum)
                      .arg(rule.maximum)
                      .arg(number);
        return std::nullopt;
    }
    return QVariant(number);
}

void AddListLines(const tSettingsClass& s, const QString& section, std::vector<tSettingLine>& lines) {
    auto add = [&](const QString& name, const QString& value) {
        lines.push_back({section + '/' + name, value});
    };
    if (section == "customcolours") {
        add("count", QString::number(s.CustomColours.size()));
        for (int n = 0; n < s.CustomColours.size(); ++n)
            add("col" + QString::number(n), s.CustomColours[n]);
    } else if (section == "SoundEffects") {
        add("Count", QString::number(s.SoundEffects.size()));
        for (size_t n = 0; n < s.SoundEffects.size(); ++n) {
            add("Filename" + QString::number(n), s.SoundEffects[n].FileName);
            add("Shortkey" + QString::number(n), QString::number(s.SoundEffects[n].Shortcut));
        }
    } else if (section == "Recent Loaded Files") {
        for (int n = 0; n < s.RecentFiles.size(); ++n)
            add("File " + QString::number(n + 1), s.RecentFiles[n]);
    }
}

} // namespace

std::vector<tSettingLine> SettingLines(const tSettingsClass& settings) {
    static const QStringList kSectionOrder = {
        "customcolours",       "eMultiMon",   "MiscSettings", "Timings Editor Font", "FileSelector",
        "PreviewMode",         "Playback",    "Tips",         "SoundEffects",        "ExternalControls",
        "Recent Loaded Files", "FindSongReq", "VoiceRem"};
    std::vector<tSettingLine> lines;
    for (const QString& section : kSectionOrder) {
        AddListLines(settings, section, lines);
        for (const tSettingValue& value : SettingValues())
            if (value.section == section)
                lines.push_back({value.Key(), value.get(settings).toString()});
    }
    return lines;
}

std::optional<QString> SettingText(const tSettingsClass& settings, const QString& key) {
    for (const tSettingLine& line : SettingLines(settings))
        if (line.key == key)
            return line.value;
    if (auto rule = RuleFor(key))
        return rule->missingEntry;
    return std::nullopt;
}

QString UnknownSettingMessage(const QString& key) {
    if (key == kProgramPathKey)
        return QString("%1 is not a preference: Lyrimo writes its own path there each time it saves")
            .arg(key);
    return QString("there is no setting \"%1\" (\"lyrimo-cli config list\" shows them all)").arg(key);
}

QString StoreSettingText(QSettings& store, const QString& key, const QString& text) {
    const std::optional<tKeyRule> rule = RuleFor(key);
    if (!rule)
        return UnknownSettingMessage(key);
    QString problem;
    const std::optional<QVariant> value = ParseValue(key, *rule, text, problem);
    if (!value)
        return problem;
    store.setValue(key, *value);
    store.sync();
    if (store.status() != QSettings::NoError)
        return QString("the settings file %1 could not be written").arg(store.fileName());
    return {};
}

} // namespace lyrimo
