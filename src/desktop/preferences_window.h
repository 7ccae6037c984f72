// The preferences window: every setting a person may change, on tabs, with "Reset to Defaults".
// The window edits a copy of the settings; OK puts the copy in place, saves it and takes the
// interface language up again, Cancel leaves everything as it was.
#pragma once

#include "app/settings.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <vector>

class QComboBox;
class QLabel;
class QListWidget;
class QStackedWidget;
class QTabWidget;

namespace lyrimo {

class TSoundEffectEditor;

// A control that shows one stored value, named "Section/Name" as the settings table names it.
struct tPrefBinding {
    QString key;
    QWidget* widget = nullptr;
};

// Puts each bound value into its control. Check boxes show bools; spin boxes and sliders
// integers; combo boxes an index for integer values and an item for text values (a text no
// item holds is added, an empty one selects nothing); edit boxes texts; list widgets an
// extension list, one extension per row.
void LoadPrefsControls(const tSettingsClass& settings, const std::vector<tPrefBinding>& bindings);
// Takes each control's value back, with the corrections reading the store applies. A combo
// box that selects nothing leaves its value alone.
void StorePrefsControls(const std::vector<tPrefBinding>& bindings, tSettingsClass& settings);

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

// The custom colours of the colour dialogs as the settings keep them ("ColorA=BBGGRR", one per
// dialog slot, the value in hexadecimal in the program's colour order).
void CustomColoursToDialog(const QStringList& colours);
QStringList CustomColoursFromDialog();

class TPrefsWnd : public QDialog {
    Q_OBJECT

public:
    explicit TPrefsWnd(QWidget* parent = nullptr);
    ~TPrefsWnd() override;

    tPrefsSteps Steps = StandardPrefsSteps();
    // Runs the sound-effect editor; replaceable for tests. Returns the dialog's result.
    std::function<int(TSoundEffectEditor&)> RunSoundEffectEditor;

    // The control bound to a stored value ("Section/Name"), or nullptr.
    QWidget* Control(const QString& key) const;
    QTabWidget* Tabs() const { return tabs_; }
    QComboBox* LanguageBox() const { return language_; }
    QListWidget* PlayerOrderList() const { return playerOrder_; }
    QListWidget* SoundEffectList() const { return soundEffects_; }
    // The settings as the window holds them now (sound effects and timing font included).
    const tSettingsClass& Edited() const { return edited_; }

    // Moves the player in row by delta rows (-1 up, +1 down) when there is room.
    void MovePlayer(int row, int delta);
    void AddSoundEffect();
    void EditSoundEffect(int row);
    void RemoveSoundEffect(int row);
    void ResetToDefaults();

    void accept() override;

private:
    QWidget* GeneralPage();
    QWidget* LyricsPage();
    QWidget* PlaybackPage();
    QWidget* MonitorsPage();
    QWidget* PlayersPage();
    QWidget* SoundEffectsPage();
    QWidget* ExternalControlsPage();
    QWidget* PlayerDetails(uint8_t id);
    void Bind(const QString& key, QWidget* widget);

    void LoadControls();
    void StoreControls();
    void ShowPlayerOrder(const tPlayerOrder& order);
    tPlayerOrder PlayerOrderShown() const;
    void ShowSoundEffects();
    void ShowTimingFont();
    void ChooseTimingFont();
    void ChooseTimingColour(bool timed);
    void BrowseBackground();
    void BrowseExternalPlayer();

    tSettingsClass edited_;
    std::vector<tPrefBinding> bindings_;
    std::vector<tLanguageChoice> languages_;
    QTabWidget* tabs_ = nullptr;
    QComboBox* language_ = nullptr;
    QListWidget* playerOrder_ = nullptr;
    QStackedWidget* playerPages_ = nullptr;
    QListWidget* soundEffects_ = nullptr;
    QLabel* timingFont_ = nullptr;
};

} // namespace lyrimo
