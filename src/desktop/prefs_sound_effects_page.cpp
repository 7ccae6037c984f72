#include "desktop/prefs_pages.h"

#include "app/app_services.h"
#include "desktop/sound_effect_editor.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace lyrimo {

TPrefsSoundEffectsPage::TPrefsSoundEffectsPage(tSettingsClass& edited, std::vector<tPrefBinding>& bindings,
                                               const tRunEditor& runEditor)
    : TPrefsPage(edited, bindings), runEditor_(runEditor) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Sounds played by a key during the karaoke:"));
    soundEffects_ = new QListWidget;
    layout->addWidget(soundEffects_, 1);
    auto* add = new QPushButton("Add...");
    auto* edit = new QPushButton("Edit...");
    auto* remove = new QPushButton("Remove");
    connect(add, &QPushButton::clicked, this, &TPrefsSoundEffectsPage::AddSoundEffect);
    connect(edit, &QPushButton::clicked, this, [this] { EditSoundEffect(soundEffects_->currentRow()); });
    connect(remove, &QPushButton::clicked, this, [this] { RemoveSoundEffect(soundEffects_->currentRow()); });
    connect(soundEffects_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { EditSoundEffect(soundEffects_->row(item)); });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(edit);
    buttons->addWidget(remove);
    buttons->addStretch();
    layout->addLayout(buttons);
}

void TPrefsSoundEffectsPage::Load() { ShowSoundEffects(); }

void TPrefsSoundEffectsPage::ShowSoundEffects() {
    const int row = soundEffects_->currentRow();
    soundEffects_->clear();
    for (const tSoundEffect& effect : Edited().SoundEffects) {
        const QString shortcut = effect.Shortcut ? ShortcutText(effect.Shortcut) : Translate("no shortcut");
        soundEffects_->addItem(shortcut + "  —  " + effect.FileName);
    }
    soundEffects_->setCurrentRow(std::min(row, soundEffects_->count() - 1));
}

void TPrefsSoundEffectsPage::AddSoundEffect() {
    TSoundEffectEditor editor(Edited().SoundEffects, -1, window());
    if (runEditor_(editor) != QDialog::Accepted)
        return;
    Edited().SoundEffects.push_back(editor.Entry());
    ShowSoundEffects();
    soundEffects_->setCurrentRow(soundEffects_->count() - 1);
}

void TPrefsSoundEffectsPage::EditSoundEffect(int row) {
    if (row < 0 || row >= int(Edited().SoundEffects.size()))
        return;
    TSoundEffectEditor editor(Edited().SoundEffects, row, window());
    if (runEditor_(editor) != QDialog::Accepted)
        return;
    Edited().SoundEffects[size_t(row)] = editor.Entry();
    ShowSoundEffects();
}

void TPrefsSoundEffectsPage::RemoveSoundEffect(int row) {
    if (row < 0 || row >= int(Edited().SoundEffects.size()))
        return;
    Edited().SoundEffects.erase(Edited().SoundEffects.begin() + row);
    ShowSoundEffects();
}

} // namespace lyrimo
