#include "playback/playback_controls.h"

#include "app/app_services.h"
#include "app/settings.h"
#include "playback/monitors.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSettings>

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace lyrimo {
namespace {

using enum tPlaybackCommand;

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Settings().ShrinkPlaybackControls = false;
        Settings().PlayMon = "MAIN";
        Settings().CtrlMon = "SIDE";
        SetMonitorsForTesting(
            {{"MAIN", SizedRect(0, 0, 1024, 768), {}, 0}, {"SIDE", SizedRect(1024, 0, 1024, 768), {}, 0}});
        controls.OnCommand = [this](tPlaybackCommand command) { sent.push_back(command); };
    }
    void TearDown() override {
        controls.OnCommand = nullptr;
        controls.hide();
        UseRealMonitors();
        Settings().ShrinkPlaybackControls = false;
    }

    TPlaybackControls controls;
    std::vector<tPlaybackCommand> sent;
};

TEST_F(ControlsTest, StartButtonFollowsTheStateTable) {
    struct tRow {
        tPlaybackState state;
        QString caption;
        tPlaybackCommand command;
        bool rewind;
    };
    using enum tPlaybackState;
    const tRow rows[] = {
        {WaitAfterFade, "Start", Continue, false}, {WaitAfterTitle, "Start", Continue, false},
        {StartingMedia, "Pause", Pause, false},    {Playing, "Pause", Pause, true},
        {Stepping, "Next", Step, false},           {Paused, "Play", Play, true}};
    for (const tRow& row : rows) {
        SCOPED_TRACE(int(row.state));
        sent.clear();
        controls.ShowState(row.state);
        EXPECT_EQ(controls.ShownState(), row.state);
        EXPECT_FALSE(controls.RunButton()->isHidden());
        EXPECT_EQ(controls.RunButton()->text(), row.caption);
        EXPECT_EQ(controls.RewindButton()->isHidden(), !row.rewind);
        controls.RunButton()->click();
        EXPECT_EQ(sent, std::vector<tPlaybackCommand>{row.command});
    }

    // Other states hide both buttons and keep the last caption.
    for (tPlaybackState state : {ShowingScreen, PreparingTitle, ShowingTitle, Closing, Finished}) {
        SCOPED_TRACE(int(state));
        sent.clear();
        controls.ShowState(Paused);
        controls.ShowState(state);
        EXPECT_TRUE(controls.RunButton()->isHidden());
        EXPECT_TRUE(controls.RewindButton()->isHidden());
        EXPECT_EQ(controls.RunButton()->text(), "Play");
        EXPECT_EQ(controls.RunCommand(), std::nullopt);
        controls.RunButton()->click();
        EXPECT_TRUE(sent.empty());
    }
}

TEST_F(ControlsTest, OtherButtonsSendTheirCommands) {
    controls.ShowState(tPlaybackState::Playing);
    controls.RewindButton()->click();
    controls.FasterButton()->click();
    controls.SlowerButton()->click();
    controls.KeyUpButton()->click();
    controls.KeyDownButton()->click();
    EXPECT_EQ(sent, (std::vector<tPlaybackCommand>{Rewind, Faster, Slower, KeyUp, KeyDown}));

    controls.OnCommand = nullptr; // without a receiver nothing is sent, nothing breaks
    controls.FasterButton()->click();
    EXPECT_EQ(sent.size(), 5u);
}

TEST_F(ControlsTest, AbortHidesItselfSoClosingSendsNoSecondStop) {
    controls.show();
    controls.AbortButton()->click();
    EXPECT_TRUE(controls.AbortButton()->isHidden());
    controls.close();
    EXPECT_EQ(sent, std::vector<tPlaybackCommand>{Stop});
}

TEST_F(ControlsTest, ClosingWhileAbortIsOfferedStops) {
    controls.show();
    controls.close();
    EXPECT_EQ(sent, std::vector<tPlaybackCommand>{Stop});
}

TEST_F(ControlsTest, TheSongsPlaceInTheBatchShowsOnlyInBatchMode) {
    Status().BatchPosition = 2;
    Status().BatchCount = 5;
    controls.SetBatchMode(false);
    EXPECT_EQ(controls.BatchText(), "");
    controls.SetBatchMode(true);
    EXPECT_EQ(controls.BatchText(), "Song 2 of 5");
    // Batch mode without a batch in the status (a song played on its own with Skip) shows nothing.
    Status().BatchPosition = 0;
    Status().BatchCount = 0;
    controls.SetBatchMode(true);
    EXPECT_EQ(controls.BatchText(), "");
}

TEST_F(ControlsTest, SkipOnlyInBatchModeAndOnlyOnce) {
    EXPECT_TRUE(controls.SkipButton()->isHidden());
    controls.SetBatchMode(true);
    EXPECT_FALSE(controls.SkipButton()->isHidden());
    EXPECT_EQ(controls.SkipButton()->toolTip(), "Click to skip this song");
    controls.SkipButton()->click();
    EXPECT_TRUE(controls.SkipButton()->isHidden());
    EXPECT_EQ(sent, std::vector<tPlaybackCommand>{Skip});
    controls.SetBatchMode(false);
    EXPECT_TRUE(controls.SkipButton()->isHidden());
}

TEST_F(ControlsTest, KeysGoToThePlaybackWindowNotToTheButtons) {
    std::vector<int> keys;
    controls.OnKey = [&keys](QKeyEvent* event) { keys.push_back(event->key()); };
    controls.ShowState(tPlaybackState::Playing);
    controls.show();
    for (int key : {Qt::Key_Return, Qt::Key_Space, Qt::Key_Escape, Qt::Key_Left}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&controls, &press);
    }
    EXPECT_EQ(keys, (std::vector<int>{Qt::Key_Return, Qt::Key_Space, Qt::Key_Escape, Qt::Key_Left}));
    EXPECT_TRUE(sent.empty()); // no button was pressed by a key
    for (QPushButton* button : controls.findChildren<QPushButton*>()) {
        EXPECT_EQ(button->focusPolicy(), Qt::NoFocus) << button->objectName().toStdString();
    }
}

TEST_F(ControlsTest, ShownOnTheControlMonitor) {
    controls.show();
    const QRect frame = controls.frameGeometry();
    EXPECT_EQ(frame.left(), 1024 + 512 - frame.width() / 2);
    EXPECT_EQ(frame.top(), 384 - frame.height() / 2);
    EXPECT_GE(controls.width(), TPlaybackControls::kFullMinWidth);
    EXPECT_GE(controls.height(), TPlaybackControls::kFullMinHeight);
}

TEST_F(ControlsTest, ShrinkButtonSwitchesLayoutAndSavesTheSetting) {
    controls.ShowSpeedPanel(true);
    controls.show();
    controls.ShrinkButton()->click();

    EXPECT_TRUE(Settings().ShrinkPlaybackControls);
    EXPECT_TRUE(controls.Compact());
    EXPECT_TRUE(controls.isVisible());
    EXPECT_EQ(controls.size(), TPlaybackControls::BubbleWindowSize());
    EXPECT_EQ(controls.mask(), TPlaybackControls::BubbleRegion());
    EXPECT_EQ(controls.frameGeometry().left(), 1024 + 512 - controls.frameGeometry().width() / 2);
    // The bubble shows the status and the two speed buttons, not the key list or the tempo text.
    EXPECT_TRUE(controls.FasterButton()->isVisible());
    EXPECT_TRUE(controls.SlowerButton()->isVisible());
    for (QLabel* label : controls.findChildren<QLabel*>()) {
        if (label->text() == "Escape:" || label->text() == "Playback Progress:" ||
            label->text() == "Tempo:") {
            EXPECT_FALSE(label->isVisible()) << label->text().toStdString();
        }
    }
    {
        tSettingsClass stored;
        stored.Load(*OpenSettingsStore());
        EXPECT_TRUE(stored.ShrinkPlaybackControls);
    }

    controls.ShrinkButton()->click();
    EXPECT_FALSE(controls.Compact());
    EXPECT_TRUE(controls.mask().isEmpty());
    EXPECT_GE(controls.width(), TPlaybackControls::kFullMinWidth);
    tSettingsClass stored;
    stored.Load(*OpenSettingsStore());
    EXPECT_FALSE(stored.ShrinkPlaybackControls);
}

TEST_F(ControlsTest, CompactLayoutChosenWhenShown) {
    Settings().ShrinkPlaybackControls = true;
    controls.show();
    EXPECT_TRUE(controls.Compact());
    EXPECT_EQ(controls.size(), TPlaybackControls::BubbleWindowSize());
}

TEST(BubbleShapeTest, TwoRoundedRectanglesJoined) {
    const QRegion bubble = TPlaybackControls::BubbleRegion();
    EXPECT_EQ(TPlaybackControls::BubbleWindowSize(), QSize(479 + 20, 276));
    EXPECT_TRUE(bubble.contains(QPoint(95, 70)));   // small bubble
    EXPECT_TRUE(bubble.contains(QPoint(300, 200))); // large bubble
    EXPECT_TRUE(bubble.contains(QPoint(185, 60)));  // where they meet
    EXPECT_FALSE(bubble.contains(QPoint(1, 1)));    // a rounded corner
    EXPECT_FALSE(bubble.contains(QPoint(400, 20))); // beside the small bubble, above the large one
    EXPECT_FALSE(bubble.contains(QPoint(20, 250))); // below the small bubble, left of the large one
    EXPECT_FALSE(bubble.contains(QPoint(478, 275)));
    EXPECT_EQ(bubble.boundingRect(), QRect(QPoint(0, 0), QPoint(478, 275)));
}

} // namespace
} // namespace lyrimo
