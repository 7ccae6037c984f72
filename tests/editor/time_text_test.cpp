// Time text and the digit stepping of the time fields.
#include "editor/time_text.h"

#include <gtest/gtest.h>

using namespace lyrimo;

TEST(TimeText, WritesEveryFieldWithLeadingZeros) {
    EXPECT_EQ(TimeText(65250), "00:01:05.250");
    EXPECT_EQ(TimeText(0), "00:00:00.000");
    EXPECT_EQ(TimeText(kMaxTimeTextMs), "99:59:59.999");
    EXPECT_EQ(TimeText(100LL * 3600000 + 7), "100:00:00.007");
    EXPECT_EQ(TimeText(-5), "00:00:00.000");
}

TEST(TimeText, ReadsTheFourNumbersWhereverTheyStand) {
    EXPECT_EQ(ReadTimeText("00:01:05.250"), 65250);
    EXPECT_EQ(ReadTimeText("99:99:99.999"), 99LL * 3600000 + 99 * 60000 + 99 * 1000 + 999);
    EXPECT_EQ(ReadTimeText(""), 0);
    EXPECT_EQ(ReadTimeText("0a:0b:1c.2d5"), 10205);        // letters count as 0
    EXPECT_EQ(ReadTimeText("01:02"), 3600000 + 2 * 60000); // what is missing counts as 0
    EXPECT_EQ(ReadTimeText(" 1:  :03.  7"), 3600000 + 3000 + 7);
    EXPECT_EQ(ReadTimeText(QString::fromUtf16(u"\u0661\u0662:00:00.000")), 0); // only ASCII digits
}

TEST(TimeText, StepsTheDigitAtTheCaretWithCarryAndBorrow) {
    EXPECT_EQ(DigitStepAt(0), 36000000);
    EXPECT_EQ(DigitStepAt(2), 3600000); // on a separator: the digit to its left
    EXPECT_EQ(DigitStepAt(kUnfocusedStepPosition), 100);
    EXPECT_EQ(DigitStepAt(11), 1);
    EXPECT_EQ(DigitStepAt(40), 1);

    EXPECT_EQ(StepTimeAtDigit(ReadTimeText("00:00:59.950"), 9, 1, 0, -1), ReadTimeText("00:01:00.050"));
    EXPECT_EQ(StepTimeAtDigit(ReadTimeText("00:01:00.000"), 11, -1, 0, -1), ReadTimeText("00:00:59.999"));
    EXPECT_EQ(StepTimeAtDigit(ReadTimeText("00:59:59.999"), 11, 1, 0, -1), ReadTimeText("01:00:00.000"));
}

TEST(TimeText, SteppingStaysWithinTheLimits) {
    EXPECT_EQ(StepTimeAtDigit(50, 9, -1, 0, -1), 0);
    EXPECT_EQ(StepTimeAtDigit(1050, 7, -1, 500, -1), 500);
    EXPECT_EQ(StepTimeAtDigit(1050, 7, 1, 0, 1500), 1500);
    EXPECT_EQ(StepTimeAtDigit(ReadTimeText("99:59:59.000"), 4, 1, 0, -1), kMaxTimeTextMs);
}
