// What confirming or resetting the preferences does beyond the window, and the interface
// languages a person may choose from.
#pragma once

#include "app/settings.h"

#include <QString>

#include <functional>
#include <vector>

namespace lyrimo {

// The steps that reach beyond the window; replaceable so the window can be driven in tests.
struct tPrefsSteps {
    std::function<void()> save;           // saves the program's settings to the store
    std::function<void()> reloadLanguage; // loads the interface language again
    std::function<void()> reset;          // erases the preference sections and loads again
    std::function<void()> restart;        // starts a new copy of the program and ends this one
};
tPrefsSteps StandardPrefsSteps();

enum class tPrefsOutcome { Closed, Restarting };

// What OK does with the edited copy and the language chosen (a language file name without
// its extension): the copy becomes the program's settings and is saved, and the language is
// loaded again. A language other than the one in use (ignoring case) is saved at once and
// the person is asked whether to restart now.
tPrefsOutcome ConfirmPreferences(const tSettingsClass& edited, const QString& language,
                                 const tPrefsSteps& steps);

// Asks "Reset preferences to defaults? Are you sure?" and resets on OK; true when reset.
bool AskToResetPreferences(const tPrefsSteps& steps);

struct tLanguageChoice {
    QString caption; // "Deutsch (by Author)"
    QString name;    // the "Language" setting: the file name without ".ini"
};
// The language files, with the program's own English first unless a file takes the name
// "default", so there is always a way back to English.
std::vector<tLanguageChoice> LanguageChoices();
// The choice naming current (ignoring case), else the one named "default", else 0.
int LanguageChoiceIndex(const std::vector<tLanguageChoice>& choices, const QString& current);

} // namespace lyrimo
