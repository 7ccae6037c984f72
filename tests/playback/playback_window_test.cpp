#include "app/app_services.h"
#include "media_fixtures.h"
#include "playback/external_controls.h"
#include "playback/monitors.h"
#include "playback/playback_controls.h"
#include "playback/playback_rules.h"
#include "playback/playback_window.h"
#include "playback_fakes.h"
#include "render/frame_composer.h"
#include "render/part_playback.h"
#include "render/title_effect.h"
#include "test_support.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <set>

namespace lyrimo {
namespace {

using test::tScriptedPlayer;

// Fades and the title run eight times faster than the wall clock.
int64_t FastClock() {
    using namespace std::chrono;
    return 8 * duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void Press(QWidget& target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(&target, &press);
}

void Click(QWidget& target) {
    QMouseEvent click(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&target, &click);
}

class PlaybackWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Sound goes nowhere, whatever the test runner passes on.
        ::setenv("SDL_AUDIODRIVER", "dummy", 0);
        services_.printMessages = false;
        SetApp(&services_);
        Settings().Priority = 1;
        media_ = test::ScratchFolder() + "/song.wav";
        test::WriteFile(media_, "RIFF");
        portLog_ = test::ScratchFolder() + "/port.log";
        test::WriteFile(portLog_, {});
        SetExternalPortMapping([this](const QString&) { return portLog_; });
        SetMediaPlayerFactory([this] {
            return std::make_unique<tMyMediaPlayer>([this](uint8_t id) -> std::unique_ptr<tPlayer> {
                if (id != 4)
                    return MakeStandardPlayer(id);
                auto fake = std::make_unique<tScriptedPlayer>(&log_);
                configure_(*fake);
                player_ = fake.get();
                return fake;
            });
        });
        SetPlaybackClock(&FastClock);
        SetTitleClock(&FastClock);
        SetMonitorsForTesting({{"\\\\.\\Display0", {0, 0, 640, 480}, {}, 0}});
    }

    void TearDown() override {
        SetMediaPlayerFactory({});
        SetExternalPortMapping({});
        SetPlaybackClock(nullptr);
        SetTitleClock(nullptr);
        UseRealMonitors();
        SetApp(nullptr);
    }

    // Performs the song; onYield runs between frames, poll every 10 ms. A performance that
    // does not end within 20 s is closed, which the tests see as result 2.
    int Perform(tLyrimoData& song, int32_t start, bool step, bool batch,
                std::function<void(TPlaybackWnd&)> onYield = {},
                std::function<void(TPlaybackWnd&)> poll = {}) {
        TPlaybackWnd window;
        window.OnYield = [&, onYield] {
            states_.insert(window.State());
            if (onYield)
                onYield(window);
        };
        window.Session().OnFramePresented = [&](int32_t drawnFor) {
            if (window.State() == tPlaybackState::Playing)
                drawnFor_.push_back(drawnFor);
        };
        QTimer poller;
        QObject::connect(&poller, &QTimer::timeout, [&] {
            states_.insert(window.State());
            if (poll)
                poll(window);
        });
        poller.start(10);
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            ADD_FAILURE() << "performance did not end";
            window.close();
        });
        watchdog.start(20000);
        const int result = window.Perform(song, start, step, batch);
        lastTimeText_ = window.Controls().TimeText();
        lastSpeedText_ = window.Controls().SpeedText();
        return result;
    }

    void EnableAllExternalEvents() {
        Settings().EnableControls = true;
        Settings().Enable = {true, true, true, true};
    }

    tHeadlessServices services_;
    QString media_;
    QString portLog_;
    QStringList log_;
    tScriptedPlayer* player_ = nullptr;
    std::function<void(tScriptedPlayer&)> configure_ = [](tScriptedPlayer&) {};
    std::set<tPlaybackState> states_;
    std::vector<int32_t> drawnFor_; // media times of the frames drawn while playing
    QString lastTimeText_;
    QString lastSpeedText_;
};

TEST_F(PlaybackWindowTest, MediaThatCannotOpenShowsOneErrorAndEndsAsFinishedWithoutTitle) {
    configure_ = [](tScriptedPlayer& p) {
        p.opens = false;
        p.openError = "no decoder for this file";
    };
    auto song = test::MakeSong({2}, media_);
    EXPECT_EQ(Perform(*song, 0, false, false), 0);
    ASSERT_EQ(services_.shownMessages.size(), 1);
    EXPECT_EQ(services_.shownMessages[0],
              "Error: There was an error starting the media for this karaoke\r\n" + media_ +
                  "\r\nno decoder for this file");
    EXPECT_FALSE(states_.count(tPlaybackState::ShowingTitle));
    EXPECT_FALSE(states_.count(tPlaybackState::ShowingScreen));
    EXPECT_FALSE(log_.contains("Play"));
}

TEST_F(PlaybackWindowTest, EscapeDuringTitleEndsThePresentationWithoutStartingTheMedia) {
    EnableAllExternalEvents();
    auto song = test::MakeSong({2}, media_);
    EXPECT_EQ(Perform(*song, 0, false, false,
                      [](TPlaybackWnd& w) {
                          if (w.State() == tPlaybackState::ShowingTitle)
                              Press(w, Qt::Key_Escape);
                      }),
              2);
    EXPECT_TRUE(states_.count(tPlaybackState::ShowingTitle));
    EXPECT_FALSE(log_.contains("Play"));
    // Screen appears and screen disappears; the song never started and was not stopped by itself.
    EXPECT_EQ(test::ReadFile(portLog_), QByteArray("\x0F\x00", 2));
}

TEST_F(PlaybackWindowTest, TheWindowManagersCloseEndsTheFadeTheTitleAndThePlayingAtOnce) {
    EnableAllExternalEvents();
    configure_ = [](tScriptedPlayer& p) { p.length = 60000; };
    for (tPlaybackState target :
         {tPlaybackState::ShowingScreen, tPlaybackState::ShowingTitle, tPlaybackState::Playing}) {
        SCOPED_TRACE(int(target));
        log_.clear();
        auto song = test::MakeSong({2}, media_);
        int framesAfterClose = -1;
        const int result = Perform(*song, 0, false, false, [&](TPlaybackWnd& w) {
            if (framesAfterClose >= 0) {
                ++framesAfterClose;
            } else if (w.State() == target) {
                // As the close box and Alt+F4 arrive: a close event on the window's platform window.
                QCloseEvent close;
                QApplication::sendEvent(w.windowHandle(), &close);
                framesAfterClose = 0;
            }
        });
        EXPECT_EQ(result, 2);
        EXPECT_EQ(framesAfterClose, 0);
        EXPECT_EQ(log_.contains("Play"), target == tPlaybackState::Playing);
    }
}

TEST_F(PlaybackWindowTest, MediaEndingByItselfFinishesAndSpaceOutsideBatchModeDoesNothing) {
    EnableAllExternalEvents();
    Settings().SendData = {"0f", "Ff", "0F", "00"};
    auto song = test::MakeSong({3}, media_);
    int spaces = 0;
    EXPECT_EQ(Perform(*song, 0, false, false,
                      [&](TPlaybackWnd& w) {
                          if (w.State() == tPlaybackState::Playing && spaces++ < 3)
                              Press(w, Qt::Key_Space);
                      }),
              0);
    EXPECT_GT(spaces, 0);
    EXPECT_EQ(lastTimeText_, "00:01/00:01");
    // The frames follow the media to its end, the last one included: no jump back to the start.
    ASSERT_FALSE(drawnFor_.empty());
    EXPECT_TRUE(std::is_sorted(drawnFor_.begin(), drawnFor_.end()));
    EXPECT_GE(drawnFor_.back(), 1300);
    EXPECT_EQ(test::ReadFile(portLog_), QByteArray("\x0F\xFF\x0F\x00", 4));
}

TEST_F(PlaybackWindowTest, SpaceInBatchModeSkipsTheSong) {
    configure_ = [](tScriptedPlayer& p) { p.length = 60000; };
    auto song = test::MakeSong({3}, media_);
    EXPECT_EQ(Perform(*song, 0, false, true,
                      [](TPlaybackWnd& w) {
                          if (w.State() == tPlaybackState::Playing)
                              Press(w, Qt::Key_Space);
                      }),
              1);
    EXPECT_TRUE(log_.contains("Stop"));
}

TEST_F(PlaybackWindowTest, StepModeNeverOpensTheMediaAndEndsAfterTheLastLineOfAPart) {
    auto song = test::MakeSong({4, 2}, media_);
    int requests = 0;
    std::vector<int> shownAfterEachStep;
    const int result = Perform(*song, 0, true, false, {}, [&](TPlaybackWnd& w) {
        if (w.State() != tPlaybackState::Stepping || !w.Composer())
            return;
        auto& renderers = w.Composer()->Renderers();
        // The next request only once the last one was carried out.
        if (renderers[0]->ShownLine() != requests)
            return;
        if (requests > 0)
            shownAfterEachStep.push_back(renderers[1]->ShownLine());
        // Enter, a click and the controls' "Next" all advance.
        if (requests % 3 == 0)
            Press(w, Qt::Key_Return);
        else if (requests % 3 == 1)
            Click(w);
        else
            w.Command(tPlaybackCommand::Step);
        ++requests;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(requests, 2); // the second part has two lines
    EXPECT_EQ(shownAfterEachStep, std::vector<int>{1});
    EXPECT_FALSE(log_.contains("Play"));
    EXPECT_TRUE(
        std::none_of(log_.begin(), log_.end(), [](const QString& c) { return c.startsWith("OpenFile"); }));
}

TEST_F(PlaybackWindowTest, DelayWaitAndTitleClickWaitHoldUntilTheUserContinues) {
    Settings().DelayWait = true;
    Settings().TitleClickWait = true;
    configure_ = [](tScriptedPlayer& p) { p.length = 60000; };
    auto song = test::MakeSong({2}, media_);
    std::vector<tPlaybackState> order;
    int waitedPolls = 0;
    const int result = Perform(*song, 0, false, false, {}, [&](TPlaybackWnd& w) {
        if (order.empty() || order.back() != w.State())
            order.push_back(w.State());
        if (w.State() == tPlaybackState::WaitAfterFade || w.State() == tPlaybackState::WaitAfterTitle) {
            // Still waiting after 300 ms; then the first wait takes a click, the second Enter.
            if (++waitedPolls < 30)
                return;
            waitedPolls = 0;
            EXPECT_FALSE(log_.contains("Play"));
            if (w.State() == tPlaybackState::WaitAfterFade)
                Click(w);
            else
                Press(w, Qt::Key_Enter);
        } else if (w.State() == tPlaybackState::Playing) {
            Press(w, Qt::Key_Escape);
        }
    });
    EXPECT_EQ(result, 2);
    auto position = [&](tPlaybackState state) {
        return std::find(order.begin(), order.end(), state) - order.begin();
    };
    ASSERT_LT(position(tPlaybackState::WaitAfterFade), position(tPlaybackState::ShowingTitle));
    ASSERT_LT(position(tPlaybackState::ShowingTitle), position(tPlaybackState::WaitAfterTitle));
    ASSERT_LT(position(tPlaybackState::WaitAfterTitle), position(tPlaybackState::Playing));
    EXPECT_NE(position(tPlaybackState::Playing), long(order.size()));
}

TEST_F(PlaybackWindowTest, StartTimeSeeksAfterStartingAndNegativeStartsAtZero) {
    auto song = test::MakeSong({2}, media_);
    configure_ = [](tScriptedPlayer& p) { p.length = 6000; };
    EXPECT_EQ(Perform(*song, 5000, false, false), 0);
    const qsizetype seek = log_.indexOf("SetPosition 5000");
    ASSERT_GE(seek, 0);
    EXPECT_GT(seek, log_.indexOf("Play"));
    EXPECT_EQ(log_.indexOf("Play", seek), seek + 1);
    EXPECT_EQ(lastTimeText_, "00:06/00:06");

    log_.clear();
    configure_ = [](tScriptedPlayer& p) { p.length = 800; };
    int32_t startTime = -1;
    EXPECT_EQ(Perform(*song, -3000, false, false, [&](TPlaybackWnd& w) { startTime = w.StartTime(); }), 0);
    EXPECT_EQ(startTime, 0);
    EXPECT_TRUE(
        std::none_of(log_.begin(), log_.end(), [](const QString& c) { return c.startsWith("SetPosition"); }));
}

TEST_F(PlaybackWindowTest, SpeedKeysKeepTheRateWithinItsLimits) {
    configure_ = [](tScriptedPlayer& p) { p.length = 60000; };
    auto song = test::MakeSong({2}, media_);
    QStringList speeds;
    int step = 0;
    Perform(*song, 0, false, false, [&](TPlaybackWnd& w) {
        if (w.State() != tPlaybackState::Playing)
            return;
        switch (step++) {
        case 0:
            player_->rate = 4.45;
            Press(w, Qt::Key_Up);
            break;
        case 1:
            speeds << QString::number(player_->rate) << w.Controls().SpeedText();
            player_->rate = 0.45;
            Press(w, Qt::Key_Down);
            break;
        case 2:
            speeds << QString::number(player_->rate) << w.Controls().SpeedText();
            player_->rate = 1.0;
            Press(w, Qt::Key_Down);
            break;
        case 3:
            speeds << w.Controls().SpeedText();
            // Shift+Up is free for a sound effect and must leave the speed alone.
            Press(w, Qt::Key_Up, Qt::ShiftModifier);
            break;
        default: speeds << w.Controls().SpeedText(); Press(w, Qt::Key_Escape);
        }
    });
    EXPECT_EQ(speeds, QStringList({"4.5", "350%", "0.4", "-60%", "-10%", "-10%"}));
}

TEST_F(PlaybackWindowTest, EnterPausesAndResumesAndLeftRewindsToTheStart) {
    configure_ = [](tScriptedPlayer& p) { p.length = 60000; };
    auto song = test::MakeSong({2}, media_);
    int step = 0;
    QList<tPlaybackState> shownStates;
    Perform(*song, 0, false, false, [&](TPlaybackWnd& w) {
        if (w.State() != tPlaybackState::Playing)
            return;
        switch (step++) {
        case 0: Press(w, Qt::Key_Return); break;
        case 1:
            shownStates << w.Controls().ShownState();
            Press(w, Qt::Key_Return);
            break;
        case 2:
            shownStates << w.Controls().ShownState();
            log_.clear();
            Press(w, Qt::Key_Left);
            break;
        default: Press(w, Qt::Key_Escape);
        }
    });
    EXPECT_EQ(shownStates, QList<tPlaybackState>({tPlaybackState::Paused, tPlaybackState::Playing}));
    ASSERT_GE(log_.size(), 3);
    EXPECT_EQ(log_.mid(0, 3), QStringList({"PauseResume", "SetPosition 0", "Play"}));
}

TEST_F(PlaybackWindowTest, VideoInASplitScreenIsPlacedInThePictureArea) {
    SetMonitorsForTesting({{"\\\\.\\Display0", {0, 0, 1024, 768}, {}, 0}});
    configure_ = [](tScriptedPlayer& p) {
        p.videoWidth = 640;
        p.videoHeight = 480;
        p.length = 300;
    };
    auto song = test::MakeSong({1}, media_);
    song->SongSettings.setHasVideo(1);
    song->SongSettings.setSplitSize(40);
    tMyRect lyrics;
    Perform(*song, 0, false, false, [&](TPlaybackWnd& w) {
        if (w.Composer())
            lyrics = w.Composer()->LyricsArea();
    });
    // The picture area is the bottom 307 pixels; the 4:3 video is centred in it.
    EXPECT_EQ(lyrics, (tMyRect{0, 0, 1024, 461}));
    EXPECT_TRUE(log_.contains("SetDisplayRect 307 461 716 768")) << log_.join("\n").toStdString();
}

TEST_F(PlaybackWindowTest, PlaysAGeneratedWavThroughTheBuiltInPlayer) {
    SetMediaPlayerFactory({});
    ASSERT_TRUE(test::WriteWav(media_, test::TestSignal(48000, 1.2)));
    auto song = test::MakeSong({2}, media_);
    EXPECT_EQ(Perform(*song, 0, false, false), 0);
    EXPECT_TRUE(services_.shownMessages.isEmpty()) << services_.shownMessages.join("\n").toStdString();
    EXPECT_TRUE(states_.count(tPlaybackState::Playing));
    EXPECT_TRUE(lastTimeText_.endsWith("/00:01")) << lastTimeText_.toStdString();
}

} // namespace
} // namespace lyrimo
