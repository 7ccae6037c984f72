// The time field as a person uses it: typing, arrows at the caret, limits; and the time picker.
#include "document/song.h"
#include "editor/editor_pages.h"
#include "editor/time_picker_window.h"
#include "editor/time_spin_edit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>

#include <gtest/gtest.h>

using namespace lyrimo;

namespace {

QLineEdit* Box(TTimeSpinEdit& field) { return field.findChild<QLineEdit*>(); }

void Press(QWidget& widget, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
}

TEST(TimeSpinEdit, ShowsAndClampsItsValue) {
    TTimeSpinEdit field;
    int changed = 0;
    QObject::connect(&field, &TTimeSpinEdit::ValueChanged, [&] { ++changed; });
    field.SetValue(65250);
    EXPECT_EQ(Box(field)->displayText(), "00:01:05.250");
    field.SetLimits(70000, 80000);
    EXPECT_EQ(field.Value(), 70000);
    field.SetValue(90000);
    EXPECT_EQ(field.Value(), 80000);
    field.SetValue(80000);
    EXPECT_EQ(changed, 3);
}

TEST(TimeSpinEdit, TypedTextIsReadAndClampedWhenTheBoxIsLeft) {
    TTimeSpinEdit field;
    field.SetLimits(0, 60000);
    field.show();
    field.setFocus();
    Box(field)->setText("00:00:30.500");
    emit field.editingFinished();
    EXPECT_EQ(field.Value(), 30500);
    Box(field)->setText("00:05:00.000");
    emit field.editingFinished();
    EXPECT_EQ(field.Value(), 60000);
    EXPECT_EQ(Box(field)->displayText(), "00:01:00.000");
}

TEST(TimeSpinEdit, ArrowsStepTheDigitAtTheCaret) {
    TTimeSpinEdit field;
    field.SetValue(59950);
    // Without the focus the hundreds of milliseconds step.
    field.stepBy(1);
    EXPECT_EQ(field.Value(), 60050);
    field.show();
    field.activateWindow();
    field.setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(field.hasFocus());
    Box(field)->setCursorPosition(4); // the minutes' units
    Press(field, Qt::Key_Up);
    EXPECT_EQ(field.Value(), 120050);
    Press(field, Qt::Key_Down);
    Press(field, Qt::Key_Down);
    Press(field, Qt::Key_Down);
    EXPECT_EQ(field.Value(), 0); // borrowing stops at the minimum
}

} // namespace

// The time picker: one tab per part, a click on a line takes its start less the part's offset.
TEST(TimeSpinEdit, ThePickerTakesTheStartOfTheLineClicked) {
    tLyrimoData song;
    auto addLine = [](tLyricsData& part, const char* text, int32_t start) {
        tTimingsLineType* line = part.AddLine();
        line->SetWideText(text);
        line->LineRecord.setLineStart(start);
    };
    addLine(*song.GetPart(0), "first", 1000);
    auto second = std::make_unique<tLyricsData>();
    second->PartRecord.setStartOffset(250);
    addLine(*second, "second a", 4000);
    addLine(*second, "second b", 9000);
    song.AddPart(std::move(second));

    TGetTimings picker("Please select a new start time", song, 777);
    EXPECT_EQ(picker.Time(), 777);
    EXPECT_EQ(picker.Tabs()->count(), 2);
    EXPECT_EQ(picker.Lines()->count(), 1);
    picker.Tabs()->setCurrentIndex(1);
    ASSERT_EQ(picker.Lines()->count(), 2);
    picker.Lines()->setCurrentRow(1);
    EXPECT_EQ(picker.Time(), 9000 - 250);
}
