#include "editor/time_spin_edit.h"

#include "editor/time_text.h"

#include <QLineEdit>

#include <algorithm>

namespace lyrimo {

TTimeSpinEdit::TTimeSpinEdit(QWidget* parent) : QAbstractSpinBox(parent) {
    lineEdit()->setInputMask("99:99:99.999;0");
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    connect(this, &QAbstractSpinBox::editingFinished, this, &TTimeSpinEdit::ReadTypedText);
    ShowValue();
}

int64_t TTimeSpinEdit::Clamped(int64_t ms) const {
    const int64_t top = maximum_ < 0 ? kMaxTimeTextMs : std::min(maximum_, kMaxTimeTextMs);
    return std::clamp(ms, std::min(minimum_, top), top);
}

void TTimeSpinEdit::SetValue(int64_t ms) {
    const int64_t clamped = Clamped(ms);
    const bool changed = clamped != value_;
    value_ = clamped;
    ShowValue();
    if (changed)
        emit ValueChanged(value_);
}

void TTimeSpinEdit::SetLimits(int64_t minimum, int64_t maximum) {
    minimum_ = std::max<int64_t>(minimum, 0);
    maximum_ = maximum;
    SetValue(value_);
}

void TTimeSpinEdit::ShowValue() {
    const int caret = lineEdit()->cursorPosition();
    lineEdit()->setText(TimeText(value_));
    lineEdit()->setCursorPosition(caret);
}

// The shown text: with the mask, text() leaves out the blanks, which are the zeros here.
void TTimeSpinEdit::ReadTypedText() { SetValue(ReadTimeText(lineEdit()->displayText())); }

void TTimeSpinEdit::stepBy(int steps) {
    ReadTypedText();
    const int caret = hasFocus() ? lineEdit()->cursorPosition() : kUnfocusedStepPosition;
    int64_t ms = value_;
    for (int i = 0; i < std::abs(steps); ++i)
        ms = StepTimeAtDigit(ms, caret, steps, minimum_, maximum_);
    SetValue(ms);
    lineEdit()->setCursorPosition(caret);
}

QAbstractSpinBox::StepEnabled TTimeSpinEdit::stepEnabled() const {
    StepEnabled enabled = StepNone;
    if (value_ > Clamped(minimum_))
        enabled |= StepDownEnabled;
    if (value_ < Clamped(kMaxTimeTextMs))
        enabled |= StepUpEnabled;
    return enabled;
}

void TTimeSpinEdit::focusOutEvent(QFocusEvent* event) {
    ReadTypedText();
    QAbstractSpinBox::focusOutEvent(event);
}

} // namespace lyrimo
