#include "desktop/sound_effect_editor.h"

#include "app/app_services.h"
#include "playback/playback_rules.h"
#include "ui/picture_dialogs.h"
#include "ui/translate_window.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

namespace lyrimo {
namespace {

constexpr uint16_t kModifierBits = kShortcutShift | kShortcutCtrl | kShortcutAlt;

// Key codes of the low byte.
constexpr uint8_t kBackspace = 0x08, kTab = 0x09, kEnter = 0x0D, kPause = 0x13, kEscape = 0x1B, kSpace = 0x20,
                  kPageUp = 0x21, kPageDown = 0x22, kEnd = 0x23, kHome = 0x24, kLeft = 0x25, kUp = 0x26,
                  kRight = 0x27, kDown = 0x28, kInsert = 0x2D, kDelete = 0x2E, kF1 = 0x70, kF24 = 0x87;

QString KeyName(uint8_t code) {
    if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z'))
        return QString(QChar(code));
    if (code >= kF1 && code <= kF24)
        return "F" + QString::number(code - kF1 + 1);
    switch (code) {
    case kBackspace: return Translate("Backspace");
    case kTab: return Translate("Tab");
    case kEnter: return Translate("Enter");
    case kPause: return Translate("Pause");
    case kEscape: return Translate("Escape");
    case kSpace: return Translate("Space");
    case kPageUp: return Translate("Page Up");
    case kPageDown: return Translate("Page Down");
    case kEnd: return Translate("End");
    case kHome: return Translate("Home");
    case kLeft: return Translate("Left");
    case kUp: return Translate("Up");
    case kRight: return Translate("Right");
    case kDown: return Translate("Down");
    case kInsert: return Translate("Insert");
    case kDelete: return Translate("Delete");
    default: return Translate("Key") + " " + QString::number(code);
    }
}

bool IsModifierKey(int key) {
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta ||
           key == Qt::Key_AltGr || key == Qt::Key_CapsLock || key == Qt::Key_NumLock;
}

} // namespace

bool IsPlaybackControlShortcut(uint16_t shortcut) {
    if (shortcut & kModifierBits)
        return false;
    switch (shortcut & 0xFF) {
    case kEnter:
    case kEscape:
    case kSpace:
    case kLeft:
    case kUp:
    case kDown: return true;
    default: return false;
    }
}

tShortcutProblem CheckSoundEffectShortcut(uint16_t shortcut, const std::vector<tSoundEffect>& effects,
                                          int editedIndex) {
    if (IsPlaybackControlShortcut(shortcut))
        return tShortcutProblem::ControlsPlayback;
    for (size_t i = 0; i < effects.size(); ++i)
        if (int(i) != editedIndex && effects[i].Shortcut == shortcut)
            return tShortcutProblem::AlreadyInUse;
    return tShortcutProblem::None;
}

QString ShortcutProblemText(tShortcutProblem problem) {
    switch (problem) {
    case tShortcutProblem::ControlsPlayback:
        return "This shortcut is already used to control Lyrimo during playback";
    case tShortcutProblem::AlreadyInUse: return "This keyboard shortcut is already in use";
    case tShortcutProblem::None: break;
    }
    return QString();
}

QString ShortcutText(uint16_t shortcut) {
    if (shortcut == 0)
        return QString();
    QString text;
    if (shortcut & kShortcutCtrl)
        text += Translate("Ctrl") + "+";
    if (shortcut & kShortcutAlt)
        text += Translate("Alt") + "+";
    if (shortcut & kShortcutShift)
        text += Translate("Shift") + "+";
    return text + KeyName(uint8_t(shortcut & 0xFF));
}

TShortcutEdit::TShortcutEdit(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
    SetShortcut(0);
}

void TShortcutEdit::SetShortcut(uint16_t shortcut) {
    shortcut_ = shortcut;
    setText(shortcut ? ShortcutText(shortcut) : Translate("None"));
}

bool TShortcutEdit::event(QEvent* event) {
    // Every key, Tab, Enter and Escape included, belongs to the shortcut while the box has the focus.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        keyPressEvent(static_cast<QKeyEvent*>(event));
        return true;
    }
    return QLineEdit::event(event);
}

void TShortcutEdit::keyPressEvent(QKeyEvent* event) {
    event->accept();
    const int key = event->key();
    if (IsModifierKey(key))
        return;
    const Qt::KeyboardModifiers m = event->modifiers();
    if (key == Qt::Key_Backspace && !(m & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))) {
        SetShortcut(0);
        return;
    }
    const uint16_t shortcut =
        ShortcutOfKey(key, m & Qt::ShiftModifier, m & Qt::ControlModifier, m & Qt::AltModifier);
    if (shortcut != 0)
        SetShortcut(shortcut);
}

TSoundEffectEditor::TSoundEffectEditor(const std::vector<tSoundEffect>& effects, int index, QWidget* parent)
    : QDialog(parent), effects_(effects), index_(index) {
    setWindowTitle("Sound Effect Editor");
    auto* fileLabel = new QLabel("Filename:", this);
    auto* shortcutLabel = new QLabel("Keyboard Shortcut:", this);
    fileName_ = new QLineEdit(this);
    fileName_->setMinimumWidth(300);
    shortcut_ = new TShortcutEdit(this);
    auto* browse = new QPushButton("Browse...", this);
    auto* ok = new QPushButton("OK", this);
    auto* cancel = new QPushButton("Cancel", this);
    ok->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(fileLabel, 0, 0);
    grid->addWidget(fileName_, 0, 1);
    grid->addWidget(browse, 0, 2);
    grid->addWidget(shortcutLabel, 1, 0);
    grid->addWidget(shortcut_, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, 2, 0, 1, 3);

    connect(browse, &QPushButton::clicked, this, &TSoundEffectEditor::Browse);
    connect(ok, &QPushButton::clicked, this, &TSoundEffectEditor::accept);
    connect(cancel, &QPushButton::clicked, this, &TSoundEffectEditor::reject);
    for (QLabel* label : {fileLabel, shortcutLabel})
        label->installEventFilter(this);

    if (index >= 0 && index < int(effects.size())) {
        fileName_->setText(effects[size_t(index)].FileName);
        shortcut_->SetShortcut(effects[size_t(index)].Shortcut);
    }
    TranslateWindow(this);
}

tSoundEffect TSoundEffectEditor::Entry() const { return {fileName_->text(), shortcut_->Shortcut()}; }

void TSoundEffectEditor::accept() {
    const tShortcutProblem problem = CheckSoundEffectShortcut(shortcut_->Shortcut(), effects_, index_);
    if (problem != tShortcutProblem::None) {
        App().MessageBox(Translate(ShortcutProblemText(problem)), Translate("Error"),
                         mb::Ok | mb::IconInformation);
        return;
    }
    QDialog::accept();
}

void TSoundEffectEditor::Browse() {
    QFileDialog dialog(this, Translate("Select a sound effect..."));
    dialog.setNameFilters(QtNameFilters(kSoundEffectFilter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    const QFileInfo current(fileName_->text());
    if (!fileName_->text().isEmpty() && current.isFile()) {
        dialog.setDirectory(current.absolutePath());
        dialog.selectFile(current.absoluteFilePath());
    }
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        fileName_->setText(dialog.selectedFiles().first());
}

// The window has no title bar of its own to hold; it moves with its surface and labels.
bool TSoundEffectEditor::Drag(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        dragging_ = true;
        dragOffset_ = mouse->globalPosition().toPoint() - pos();
        return true;
    }
    case QEvent::MouseMove:
        if (!dragging_)
            return false;
        move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - dragOffset_);
        return true;
    case QEvent::MouseButtonRelease:
        if (!dragging_)
            return false;
        dragging_ = false;
        return true;
    default: return false;
    }
}

bool TSoundEffectEditor::eventFilter(QObject* watched, QEvent* event) {
    if (qobject_cast<QLabel*>(watched) && Drag(event))
        return true;
    return QDialog::eventFilter(watched, event);
}

void TSoundEffectEditor::mousePressEvent(QMouseEvent* event) {
    if (!Drag(event))
        QDialog::mousePressEvent(event);
}

void TSoundEffectEditor::mouseMoveEvent(QMouseEvent* event) {
    if (!Drag(event))
        QDialog::mouseMoveEvent(event);
}

void TSoundEffectEditor::mouseReleaseEvent(QMouseEvent* event) {
    if (!Drag(event))
        QDialog::mouseReleaseEvent(event);
}

} // namespace lyrimo
