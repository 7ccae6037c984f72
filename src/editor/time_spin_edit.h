// The time field: a millisecond value shown as "hh:mm:ss.zzz" in a masked box. The arrows and
// the Up and Down keys step the digit at the caret (the hundreds of milliseconds while the box
// has no focus), carrying into the digits to its left; values stay within the limits.
#pragma once

#include <QAbstractSpinBox>

#include <cstdint>

namespace lyrimo {

class TTimeSpinEdit : public QAbstractSpinBox {
    Q_OBJECT

public:
    explicit TTimeSpinEdit(QWidget* parent = nullptr);

    int64_t Value() const { return value_; }
    // Clamped into the limits; emits ValueChanged when the value changes.
    void SetValue(int64_t ms);

    int64_t Minimum() const { return minimum_; }
    int64_t Maximum() const { return maximum_; } // below 0: no maximum but 99:59:59.999
    void SetLimits(int64_t minimum, int64_t maximum);

    void stepBy(int steps) override;

signals:
    void ValueChanged(int64_t ms);

protected:
    StepEnabled stepEnabled() const override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void ReadTypedText();
    int64_t Clamped(int64_t ms) const;
    void ShowValue();

    int64_t value_ = 0;
    int64_t minimum_ = 0;
    int64_t maximum_ = -1;
};

} // namespace lyrimo
