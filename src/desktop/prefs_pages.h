// The tabs of the preferences window. Each page builds its controls and binds them into the
// window's binding list; the window loads and stores the bound controls, and each page shows
// and takes back what no single control holds. Pages work on the edited copy of the settings
// that the window owns.
#pragma once

#include "desktop/prefs_confirm.h"
#include "desktop/prefs_controls.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSlider;
class QSpinBox;
class QStackedWidget;

namespace lyrimo {

class TSoundEffectEditor;

class TPrefsPage : public QWidget {
public:
    TPrefsPage(tSettingsClass& edited, std::vector<tPrefBinding>& bindings);

    // Called once the bound controls show the edited settings.
    virtual void Load() {}
    // Called once the bound controls were taken back into the edited settings.
    virtual void Store() {}

protected:
    tSettingsClass& Edited() const { return edited_; }
    void Bind(const QString& key, QWidget* widget);

private:
    tSettingsClass& edited_;
    std::vector<tPrefBinding>& bindings_;
};

// Interface language, start-up and import messages, the timing recorder's look.
class TPrefsGeneralPage : public TPrefsPage {
public:
    TPrefsGeneralPage(tSettingsClass& edited, std::vector<tPrefBinding>& bindings);
    void Load() override;

    QComboBox* LanguageBox() const { return language_; }
    // The "Language" setting chosen, or fallback when the box selects nothing.
    QString LanguageChosen(const QString& fallback) const;

private:
    void ShowTimingFont();
    void ChooseTimingFont();
    void ChooseTimingColour(bool timed);

    std::vector<tLanguageChoice> languages_;
    QComboBox* language_ = nullptr;
    QLabel* timingFont_ = nullptr;
    QLabel* timingSample_ = nullptr; // lyrics as the timing recorder shows them
};

// New songs' defaults, coming lines, text, ball and animations.
class TPrefsLyricsPage : public TPrefsPage {
public:
    TPrefsLyricsPage(tSettingsClass& edited, std::vector<tPrefBinding>& bindings);
    void Load() override;

private:
    QCheckBox* multiLine_ = nullptr;
    QCheckBox* oldPreview_ = nullptr; // only with multiLine_
};

// Line timing, starting the karaoke, performance.
class TPrefsPlaybackPage : public TPrefsPage {
public:
    // Measures the lyrics offset in a window of its own; nothing when the person cancelled.
    using tMeasureOffset = std::function<std::optional<int>(QWidget* parent)>;
    static tMeasureOffset StandardMeasureOffset();

    TPrefsPlaybackPage(tSettingsClass& edited, std::vector<tPrefBinding>& bindings);
    void Load() override;

    // "Measure...": the offset measured goes into the offset box. Replaceable for tests.
    tMeasureOffset MeasureOffset = StandardMeasureOffset();
    void MeasureLyricsOffset();
    QPushButton* MeasureButton() const { return measure_; }

private:
    QSpinBox* lyricsOffset_ = nullptr;
    QPushButton* measure_ = nullptr;
    QCheckBox* lowPriority_ = nullptr;
    QSlider* priority_ = nullptr; // only with lowPriority_
};

// Which monitor shows what, and the background screen.
class TPrefsMonitorsPage : public TPrefsPage {
public:
    TPrefsMonitorsPage(tSettingsClass& edited, std::vector<tPrefBinding>& bindings);

private:
    void BrowseBackground();

    QLineEdit* picture_ = nullptr;
};

// The order players are tried in, each player's own settings, audio CDs.
class TPrefsPlayersPage : public TPrefsPage {
public:
    TPrefsPlayersPage(tSettingsClass& edited, std::vector<tPrefBinding>& bindings);
    void Load() override;
    void Store() override;

    QListWidget* PlayerOrderList() const { return playerOrder_; }
    // Moves the player in row by delta rows (-1 up, +1 down) when there is room.
    void MovePlayer(int row, int delta);

private:
    QWidget* PlayerDetails(uint8_t id);
    void ShowPlayerOrder(const tPlayerOrder& order);
    tPlayerOrder PlayerOrderShown() const;
    void BrowseExternalPlayer();

    QListWidget* playerOrder_ = nullptr;
    QStackedWidget* playerPages_ = nullptr; // one per player identifier
    QLineEdit* externalProgram_ = nullptr;
};

// Sounds played by a key during the karaoke.
class TPrefsSoundEffectsPage : public TPrefsPage {
public:
    // Runs the sound-effect editor and returns the dialog's result.
    using tRunEditor = std::function<int(TSoundEffectEditor&)>;

    // runEditor is read at each use, so whoever owns it may replace it later.
    TPrefsSoundEffectsPage(tSettingsClass& edited, std::vector<tPrefBinding>& bindings,
                           const tRunEditor& runEditor);
    void Load() override;

    QListWidget* SoundEffectList() const { return soundEffects_; }
    void AddSoundEffect();
    void EditSoundEffect(int row);
    void RemoveSoundEffect(int row);

private:
    void ShowSoundEffects();

    const tRunEditor& runEditor_;
    QListWidget* soundEffects_ = nullptr;
};

// The bytes sent to an external device at the karaoke's events.
class TPrefsExternalControlsPage : public TPrefsPage {
public:
    TPrefsExternalControlsPage(tSettingsClass& edited, std::vector<tPrefBinding>& bindings);
};

} // namespace lyrimo
