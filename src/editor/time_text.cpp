#include "editor/time_text.h"

#include <algorithm>

namespace lyrimo {
namespace {

constexpr int64_t kHour = 3600000, kMinute = 60000, kSecond = 1000;

// The place value of each character of "hh:mm:ss.zzz"; 0 for the separators.
constexpr int64_t kPlaceValues[] = {10 * kHour,   kHour,   0, 10 * kMinute, kMinute, 0,
                                    10 * kSecond, kSecond, 0, 100,          10,      1};
constexpr int kTimeTextLength = 12;

int NumberAt(const QString& text, int first, int count) {
    int value = 0;
    for (int i = first; i < first + count; ++i) {
        const QChar c = i < text.size() ? text[i] : QChar(u'0');
        value = value * 10 + (c.isDigit() && c.unicode() < 128 ? c.unicode() - u'0' : 0);
    }
    return value;
}

} // namespace

QString TimeText(int64_t ms) {
    ms = std::max<int64_t>(ms, 0);
    return QString("%1:%2:%3.%4")
        .arg(ms / kHour, 2, 10, QChar(u'0'))
        .arg(ms / kMinute % 60, 2, 10, QChar(u'0'))
        .arg(ms / kSecond % 60, 2, 10, QChar(u'0'))
        .arg(ms % 1000, 3, 10, QChar(u'0'));
}

int64_t ReadTimeText(const QString& text) {
    return NumberAt(text, 0, 2) * kHour + NumberAt(text, 3, 2) * kMinute + NumberAt(text, 6, 2) * kSecond +
           NumberAt(text, 9, 3);
}

int64_t DigitStepAt(int caretPosition) {
    int position = std::clamp(caretPosition, 0, kTimeTextLength - 1);
    if (kPlaceValues[position] == 0)
        --position;
    return kPlaceValues[position];
}

int64_t StepTimeAtDigit(int64_t ms, int caretPosition, int direction, int64_t minimum, int64_t maximum) {
    const int64_t top = maximum < 0 ? kMaxTimeTextMs : std::min(maximum, kMaxTimeTextMs);
    const int64_t stepped = ms + (direction < 0 ? -1 : 1) * DigitStepAt(caretPosition);
    return std::clamp(stepped, std::min(minimum, top), top);
}

} // namespace lyrimo
