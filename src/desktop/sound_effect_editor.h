// Editing one sound effect of the preferences: its sound file and the shortcut that plays it
// during playback.
#pragma once

#include "app/settings.h"

#include <QDialog>
#include <QLineEdit>
#include <QPoint>
#include <QString>

#include <cstdint>
#include <vector>

class QLabel;

namespace lyrimo {

// The file dialog's filter in the "Name|patterns|..." form.
inline constexpr const char* kSoundEffectFilter = "WAVE Files (*.wav)|*.wav|All Files (*.*)|*.*";

enum class tShortcutProblem { None, ControlsPlayback, AlreadyInUse };

// True for the keys that control playback when pressed alone: Enter, Escape, Space, Left,
// Up and Down without Shift, Ctrl or Alt.
bool IsPlaybackControlShortcut(uint16_t shortcut);

// Whether the entry at editedIndex may take the shortcut; editedIndex is -1 for an entry
// not yet in the list.
tShortcutProblem CheckSoundEffectShortcut(uint16_t shortcut, const std::vector<tSoundEffect>& effects,
                                          int editedIndex);
// The message for a problem (untranslated); empty for none.
QString ShortcutProblemText(tShortcutProblem problem);

// A shortcut as people write it: "Ctrl+Shift+F5", "Alt+A"; empty for none.
QString ShortcutText(uint16_t shortcut);

// An edit box that takes the next key pressed in it, with its Shift, Ctrl and Alt states,
// as the shortcut. Backspace alone clears it.
class TShortcutEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit TShortcutEdit(QWidget* parent = nullptr);

    uint16_t Shortcut() const { return shortcut_; }
    void SetShortcut(uint16_t shortcut);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    uint16_t shortcut_ = 0;
};

// The window "Sound Effect Editor". It shows one entry of the list; OK checks the shortcut
// against the playback keys and the other entries and then closes, leaving the result in
// Entry(). The list itself is not changed.
class TSoundEffectEditor : public QDialog {
    Q_OBJECT

public:
    // index is the entry edited, or -1 for a new one.
    TSoundEffectEditor(const std::vector<tSoundEffect>& effects, int index, QWidget* parent = nullptr);

    tSoundEffect Entry() const;
    QLineEdit* FileNameEdit() const { return fileName_; }
    TShortcutEdit* ShortcutEdit() const { return shortcut_; }

    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Browse();
    bool Drag(QEvent* event);

    const std::vector<tSoundEffect>& effects_;
    int index_;
    QLineEdit* fileName_ = nullptr;
    TShortcutEdit* shortcut_ = nullptr;
    bool dragging_ = false;
    QPoint dragOffset_;
};

} // namespace lyrimo
