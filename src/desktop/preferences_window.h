// The preferences window: every setting a person may change, on tabs, with "Reset to Defaults".
// The window edits a copy of the settings; OK puts the copy in place, saves it and takes the
// interface language up again, Cancel leaves everything as it was. The tabs are the pages of
// prefs_pages.h; the window loads and stores what they bound and forwards to them.
#pragma once

#include "app/settings.h"
#include "desktop/prefs_confirm.h"
#include "desktop/prefs_controls.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <vector>

class QComboBox;
class QListWidget;
class QTabWidget;

namespace lyrimo {

class TPrefsGeneralPage;
class TPrefsPage;
class TPrefsPlayersPage;
class TPrefsSoundEffectsPage;
class TSoundEffectEditor;

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
    QComboBox* LanguageBox() const;
    QListWidget* PlayerOrderList() const;
    QListWidget* SoundEffectList() const;
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
    void AddPage(TPrefsPage* page, const char* title);
    void LoadControls();
    void StoreControls();

    tSettingsClass edited_;
    std::vector<tPrefBinding> bindings_;
    std::vector<TPrefsPage*> pages_; // in tab order; owned by the tabs
    QTabWidget* tabs_ = nullptr;
    TPrefsGeneralPage* general_ = nullptr;
    TPrefsPlayersPage* players_ = nullptr;
    TPrefsSoundEffectsPage* soundEffects_ = nullptr;
};

} // namespace lyrimo
