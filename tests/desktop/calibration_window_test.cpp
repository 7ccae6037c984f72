// The lyrics-offset window over a scripted backend whose clock the test sets: taps read on that
// clock, the flashing marker, storing the result, and cancelling; and the preferences' offset box
// that the window fills.
#include "desktop/calibration_window.h"
#include "desktop/prefs_pages.h"

#include "app/app_services.h"
#include "fake_player.h"
#include "media/media_player.h"
#include "media/player_presence.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>

#include <gtest/gtest.h>

#include <functional>

namespace lyrimo {
namespace {

const QString kOffsetKey = "Playback/Lyrics offset (ms)";

void PressKey(QWidget& target, int key, bool autoRepeat = false) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(), autoRepeat);
    QApplication::sendEvent(&target, &press);
}

void Click(QWidget& target) {
    const QPointF at(target.width() / 2.0, target.height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, at, target.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&target, &press);
}

// Runs the events until done, or for at most ms; whether done came true.
bool RunEventsUntil(const std::function<bool()>& done, int ms = 3000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && !timer.hasExpired(ms))
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

class CalibrationWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ui_.printMessages = false;
        SetApp(&ui_);
        Settings() = tSettingsClass();
        // The offset in use must not bend the taps: they are measured on the player's own clock.
        Settings().LyricsOffsetMs = 300;
        OpenSettingsStore()->remove(kOffsetKey);
        OverridePlayerPresence([](uint8_t id) { return id == player::Mci; });
    }
    void TearDown() override {
        OverridePlayerPresence({});
        SetApp(nullptr);
    }

    std::unique_ptr<TCalibrationWindow> Window() {
        return std::make_unique<TCalibrationWindow>(nullptr, [this] {
            return std::make_unique<tMyMediaPlayer>([this](uint8_t id) -> std::unique_ptr<tPlayer> {
                if (id != player::Mci)
                    return nullptr;
                auto fake = std::make_unique<test::tFakePlayer>(id, &log_);
                fake->SetExtensions({".wav"});
                fake->playing = true;
                fake->opens = opens_;
                fake->openError = "the sound device is busy";
                fake_ = fake.get();
                return fake;
            });
        });
    }

    // Taps on the first count clicks, each heard delay ms late (give or take 6 ms).
    void TapClicks(TCalibrationWindow& window, int count, int delay) {
        const std::vector<int> clicks = ClickTimes();
        for (int i = 0; i < count; ++i) {
            fake_->position = clicks[size_t(i)] + delay + (i % 3 - 1) * 6;
            if (i % 4 == 3)
                Click(*window.TapArea());
            else
                PressKey(*window.TapArea(), Qt::Key_Space);
        }
    }

    tHeadlessServices ui_;
    QStringList log_;
    test::tFakePlayer* fake_ = nullptr;
    bool opens_ = true;
};

TEST_F(CalibrationWindow, TapsOnTheClockGiveTheOffsetTheMarkerFlashesAndUseStoresIt) {
    auto window = Window();
    ASSERT_EQ(window->PlayerBox()->count(), 1);
    EXPECT_EQ(window->PlayerBox()->currentData().toInt(), player::Mci);
    EXPECT_FALSE(window->UseButton()->isEnabled());
    window->StartButton()->click();
    ASSERT_TRUE(window->Running());
    ASSERT_EQ(log_.filter(" OpenFile ").size(), 1);
    const QString track = log_.filter(" OpenFile ").first().section(' ', 2, -2);
    EXPECT_TRUE(QFileInfo(track).isFile()) << track.toStdString();
    EXPECT_TRUE(log_.contains("4 Play"));

    TapClicks(*window, 15, 140);
    PressKey(*window->TapArea(), Qt::Key_Space, true); // a held key is one tap, not many
    EXPECT_EQ(window->Taps().TapsCounted(), 15);
    EXPECT_FALSE(window->UseButton()->isEnabled());
    // A key that reaches the window itself is a tap as well.
    fake_->position = ClickTimes()[15] + 140;
    PressKey(*window, Qt::Key_A);
    EXPECT_EQ(window->Taps().TapsKept(), 16);
    EXPECT_EQ(window->Taps().Result(), 140);
    EXPECT_TRUE(window->UseButton()->isEnabled());
    EXPECT_TRUE(window->CountsLabel()->text().contains("+140 ms"))
        << window->CountsLabel()->text().toStdString();

    // The marker lights as the clock reaches a click; the run ends after the last one.
    const std::vector<int> clicks = ClickTimes();
    fake_->position = clicks[16] + 1;
    EXPECT_TRUE(RunEventsUntil([&] { return window->MarkerLit(); }));
    fake_->position = clicks[16] + TCalibrationWindow::kFlashMs;
    EXPECT_TRUE(RunEventsUntil([&] { return !window->MarkerLit(); }));
    fake_->position = clicks.back() + click_track::kBeatMs;
    EXPECT_TRUE(RunEventsUntil([&] { return !window->Running(); }));
    EXPECT_TRUE(log_.contains("4 Stop"));
    EXPECT_FALSE(window->Tap());

    window->UseButton()->click();
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_EQ(window->ChosenOffset(), 140);
    EXPECT_EQ(Settings().LyricsOffsetMs, 140);
    EXPECT_EQ(OpenSettingsStore()->value(kOffsetKey).toInt(), 140);
    window.reset();
    EXPECT_FALSE(QFileInfo::exists(track));
}

TEST_F(CalibrationWindow, EscapeStopsTheSoundAtOnceAndNeitherItNorAFailedOpenChangesAnything) {
    auto window = Window();
    window->Start();
    TapClicks(*window, 18, 90);
    ASSERT_TRUE(window->UseButton()->isEnabled());
    log_.clear();
    PressKey(*window->TapArea(), Qt::Key_Escape);
    EXPECT_EQ(window->result(), QDialog::Rejected);
    EXPECT_EQ(log_.mid(0, 2), QStringList({"4 Stop", "4 Close"}));
    EXPECT_TRUE(ui_.shownMessages.isEmpty());

    opens_ = false;
    window = Window();
    window->Start();
    EXPECT_FALSE(window->Running());
    ASSERT_EQ(ui_.shownMessages.size(), 1);
    EXPECT_TRUE(ui_.shownMessages[0].contains("the sound device is busy"))
        << ui_.shownMessages[0].toStdString();

    EXPECT_EQ(window->ChosenOffset(), std::nullopt);
    EXPECT_EQ(Settings().LyricsOffsetMs, 300);
    EXPECT_FALSE(OpenSettingsStore()->contains(kOffsetKey));
}

TEST(CalibrationPreferences, MeasurePutsTheResultIntoTheOffsetBox) {
    tSettingsClass edited;
    std::vector<tPrefBinding> bindings;
    TPrefsPlaybackPage page(edited, bindings);
    auto* offset = qobject_cast<QSpinBox*>(BoundControl(bindings, kOffsetKey));
    ASSERT_NE(offset, nullptr);
    EXPECT_EQ(offset->minimum(), -kMaxLyricsOffsetMs);
    EXPECT_NE(qobject_cast<QCheckBox*>(BoundControl(bindings, "Playback/Remember Song Key And Tempo")),
              nullptr);

    std::optional<int> measured = -85;
    page.MeasureOffset = [&](QWidget*) { return measured; };
    page.MeasureButton()->click();
    EXPECT_EQ(offset->value(), -85);
    measured.reset(); // cancelled: the box keeps its value
    page.MeasureButton()->click();
    EXPECT_EQ(offset->value(), -85);
}

} // namespace
} // namespace lyrimo
