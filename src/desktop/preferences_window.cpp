#include "desktop/preferences_window.h"

#include "app/app_services.h"
#include "desktop/prefs_pages.h"
#include "desktop/sound_effect_editor.h"
#include "playback/monitors.h"
#include "ui/translate_window.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace lyrimo {

TPrefsWnd::TPrefsWnd(QWidget* parent) : QDialog(parent), edited_(Settings()) {
    setWindowTitle("Lyrimo Preferences");
    RunSoundEffectEditor = [](TSoundEffectEditor& editor) { return editor.exec(); };
    EnumerateMonitors();

    tabs_ = new QTabWidget(this);
    general_ = new TPrefsGeneralPage(edited_, bindings_);
    AddPage(general_, "General");
    AddPage(new TPrefsLyricsPage(edited_, bindings_), "Lyrics");
    AddPage(new TPrefsPlaybackPage(edited_, bindings_), "Playback");
    AddPage(new TPrefsMonitorsPage(edited_, bindings_), "Monitors");
    players_ = new TPrefsPlayersPage(edited_, bindings_);
    AddPage(players_, "Players");
    soundEffects_ = new TPrefsSoundEffectsPage(edited_, bindings_, RunSoundEffectEditor);
    AddPage(soundEffects_, "Sound Effects");
    AddPage(new TPrefsExternalControlsPage(edited_, bindings_), "External Controls");

    auto* reset = new QPushButton("Reset to Defaults", this);
    auto* ok = new QPushButton("OK", this);
    auto* cancel = new QPushButton("Cancel", this);
    ok->setDefault(true);
    connect(reset, &QPushButton::clicked, this, &TPrefsWnd::ResetToDefaults);
    connect(ok, &QPushButton::clicked, this, &TPrefsWnd::accept);
    connect(cancel, &QPushButton::clicked, this, &TPrefsWnd::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(reset);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addLayout(buttons);

    // The program's own texts are translated before the settings fill in names, paths and
    // extensions, which are no phrases of the program's.
    TranslateWindow(this);
    LoadControls();
}

TPrefsWnd::~TPrefsWnd() = default;

void TPrefsWnd::AddPage(TPrefsPage* page, const char* title) {
    pages_.push_back(page);
    tabs_->addTab(page, title);
}

QWidget* TPrefsWnd::Control(const QString& key) const { return BoundControl(bindings_, key); }

QComboBox* TPrefsWnd::LanguageBox() const { return general_->LanguageBox(); }

QListWidget* TPrefsWnd::PlayerOrderList() const { return players_->PlayerOrderList(); }

QListWidget* TPrefsWnd::SoundEffectList() const { return soundEffects_->SoundEffectList(); }

void TPrefsWnd::MovePlayer(int row, int delta) { players_->MovePlayer(row, delta); }

void TPrefsWnd::AddSoundEffect() { soundEffects_->AddSoundEffect(); }

void TPrefsWnd::EditSoundEffect(int row) { soundEffects_->EditSoundEffect(row); }

void TPrefsWnd::RemoveSoundEffect(int row) { soundEffects_->RemoveSoundEffect(row); }

void TPrefsWnd::LoadControls() {
    LoadPrefsControls(edited_, bindings_);
    for (TPrefsPage* page : pages_)
        page->Load();
}

void TPrefsWnd::StoreControls() {
    StorePrefsControls(bindings_, edited_);
    for (TPrefsPage* page : pages_)
        page->Store();
}

void TPrefsWnd::ResetToDefaults() {
    if (!AskToResetPreferences(Steps))
        return;
    edited_ = Settings();
    LoadControls();
}

void TPrefsWnd::accept() {
    StoreControls();
    const QString language = general_->LanguageChosen(edited_.Language);
    const tPrefsOutcome outcome = ConfirmPreferences(edited_, language, Steps);
    SelectPlayMonitor(Settings().PlayMon);
    SelectControlMonitor(Settings().CtrlMon);
    (void)outcome;
    QDialog::accept();
}

} // namespace lyrimo
