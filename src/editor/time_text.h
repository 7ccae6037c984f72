// Times as the editors show and read them: "hh:mm:ss.zzz", every field with leading zeros.
#pragma once

#include <QString>

#include <cstdint>

namespace lyrimo {

// The largest time the time fields hold: 99:59:59.999.
constexpr int64_t kMaxTimeTextMs = 99LL * 3600000 + 59 * 60000 + 59 * 1000 + 999;

// 65,250 ms is "00:01:05.250"; hours take more digits past 99. Negative times show as zero.
QString TimeText(int64_t ms);

// Reads the four numbers at characters 1-2, 4-5, 7-8 and 10-12; any other character in them
// (and a text too short to reach them) counts as 0. Minutes and seconds are taken as typed, so
// "00:75:00.000" is 75 minutes.
int64_t ReadTimeText(const QString& text);

// What one step of the digit at a caret position is worth: the caret stands before the
// character it steps; on a separator it steps the digit to its left. Positions past the end step
// the milliseconds.
int64_t DigitStepAt(int caretPosition);

// The caret's digit stepped up (+1) or down (-1), carrying into and borrowing from the digits
// to its left, then kept within minimum..maximum (maximum below 0: none but kMaxTimeTextMs).
int64_t StepTimeAtDigit(int64_t ms, int caretPosition, int direction, int64_t minimum, int64_t maximum);

// The hundreds-of-milliseconds digit, stepped while the field has no focus.
constexpr int kUnfocusedStepPosition = 9;

} // namespace lyrimo
