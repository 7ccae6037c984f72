#include "desktop/prefs_confirm.h"

#include "app/app_services.h"
#include "app/start_program.h"
#include "app/translation.h"
#include "playback/monitors.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>

namespace lyrimo {
namespace {

const char* const kDefaultLanguage = "default";

QString ThisProgram() {
    return QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
}

} // namespace

tPrefsSteps StandardPrefsSteps() {
    tPrefsSteps steps;
    steps.save = [] { Settings().Save(*OpenSettingsStore()); };
    steps.reloadLanguage = [] { ProgramTranslator().Reload(); };
    steps.reset = [] {
        Settings().Reset(*OpenSettingsStore());
        SelectPlayMonitor(Settings().PlayMon);
        SelectControlMonitor(Settings().CtrlMon);
    };
    steps.restart = [] {
        StartProgram(ThisProgram(), {}, false, false);
        QCoreApplication::exit(0);
    };
    return steps;
}

tPrefsOutcome ConfirmPreferences(const tSettingsClass& edited, const QString& language,
                                 const tPrefsSteps& steps) {
    const QString languageInUse = Settings().Language;
    Settings() = edited;
    Settings().Language = languageInUse;
    if (language.compare(languageInUse, Qt::CaseInsensitive) != 0) {
        Settings().Language = language;
        steps.save();
        const QString question =
            Translate("Language has been changed. Please restart Lyrimo for changes to take effect") +
            "\n\n" + Translate("Would you like to restart Lyrimo now?");
        if (App().MessageBox(question, "Lyrimo", mb::OkCancel | mb::IconInformation) == mb::IdOk) {
            steps.restart();
            return tPrefsOutcome::Restarting;
        }
    }
    steps.save();
    steps.reloadLanguage();
    return tPrefsOutcome::Closed;
}

bool AskToResetPreferences(const tPrefsSteps& steps) {
    if (App().MessageBox(Translate("Reset preferences to defaults? Are you sure?"),
                         Translate("Reset to Defaults"), mb::OkCancel | mb::IconQuestion) != mb::IdOk)
        return false;
    steps.reset();
    return true;
}

std::vector<tLanguageChoice> LanguageChoices() {
    std::vector<tLanguageChoice> choices;
    bool hasDefault = false;
    for (const tLanguageEntry& entry : ProgramTranslator().ListLanguages()) {
        const QString name = QFileInfo(entry.FileName).completeBaseName();
        hasDefault = hasDefault || name.compare(kDefaultLanguage, Qt::CaseInsensitive) == 0;
        choices.push_back({entry.DisplayName + " (" + Translate("by") + " " + entry.Author + ")", name});
    }
    if (!hasDefault)
        choices.insert(choices.begin(), {"English (Default)", kDefaultLanguage});
    return choices;
}

int LanguageChoiceIndex(const std::vector<tLanguageChoice>& choices, const QString& current) {
    auto find = [&](const QString& name) {
        for (size_t i = 0; i < choices.size(); ++i)
            if (choices[i].name.compare(name, Qt::CaseInsensitive) == 0)
                return int(i);
        return -1;
    };
    if (int index = find(current); index >= 0)
        return index;
    return std::max(find(kDefaultLanguage), 0);
}

} // namespace lyrimo
