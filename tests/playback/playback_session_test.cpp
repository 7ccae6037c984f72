// The performance's state machine driven without a window: a recording view, a stepping clock
// and the player manager over a scripted backend.
#include "app/app_services.h"
#include "media/media_player.h"
#include "playback/external_controls.h"
#include "playback/playback_session.h"
#include "playback_fakes.h"
#include "render/frame_composer.h"
#include "render/part_playback.h"
#include "render/title_effect.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <tuple>

namespace lyrimo {
namespace {

using enum tPlaybackState;
using test::tScriptedPlayer;

// Each reading of the title's clock is 50 ms after the last, so the title runs its course in a
// few dozen frames.
int64_t SteppingTitleClock() {
    static int64_t now = 0;
    return now += 50;
}

class tRecordingView : public tPlaybackView {
public:
    std::vector<tPlaybackState> shownStates;
    QStringList statuses;
    std::vector<std::pair<int, int>> progress;
    std::vector<double> opacities;
    QString playerLine;
    QString time;
    QString speed;
    QString key;
    bool keyPanel = false;
    QString statistics;
    int fullPresents = 0;
    int runsEnded = 0;
    std::function<void()> onYield;
    std::function<void(tPlaybackState)> onShowState;

    void Present(const Bitmap&, const tChangesList&, bool full) override { fullPresents += full; }
    void SetOpacity(double opacity) override { opacities.push_back(opacity); }
    void ShowStatus(const QString& text) override { statuses << text; }
    void ShowState(tPlaybackState state) override {
        shownStates.push_back(state);
        if (onShowState)
            onShowState(state);
    }
    void ShowPlayerLine(const QString& text) override { playerLine = text; }
    void ShowSpeedPanel(bool) override {}
    void ShowTime(const QString& text) override { time = text; }
    void ShowProgress(int maximum, int position) override { progress.emplace_back(maximum, position); }
    void ShowSpeed(const QString& text) override { speed = text; }
    void ShowKeyPanel(bool visible) override { keyPanel = visible; }
    void ShowKey(const QString& text) override { key = text; }
    void ShowStatistics(const QString& text) override { statistics = text; }
    void Yield() override {
        if (onYield)
            onYield();
    }
    void EndRun() override { ++runsEnded; }
};

class PlaybackSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        services_.printMessages = false;
        SetApp(&services_);
        media_ = test::ScratchFolder() + "/session.wav";
        test::WriteFile(media_, "RIFF");
        portLog_ = test::ScratchFolder() + "/session-port.log";
        test::WriteFile(portLog_, {});
        SetExternalPortMapping([this](const QString&) { return portLog_; });
        SetTitleClock(&SteppingTitleClock);
    }
    void TearDown() override {
        SetExternalPortMapping({});
        SetTitleClock(nullptr);
        SetApp(nullptr);
    }

    std::unique_ptr<tPlaybackSession> MakeSession() {
        auto manager = std::make_unique<tMyMediaPlayer>([this](uint8_t id) -> std::unique_ptr<tPlayer> {
            if (id != 4)
                return MakeStandardPlayer(id);
            auto fake = std::make_unique<tScriptedPlayer>(&log_);
            configure_(*fake);
            player_ = fake.get();
            return fake;
        });
        return std::make_unique<tPlaybackSession>(view_, std::move(manager), [this] { return now_ += 20; });
    }

    void Start(tPlaybackSession& session, tLyrimoData& song, bool stepMode = false, bool batchMode = false) {
        session.Begin(song, 0, stepMode, batchMode);
        session.Open(320, 240, 24);
    }

    // Fires as the window's timer would until the run ends.
    tPlayResult RunToEnd(tPlaybackSession& session) {
        int firings = 0;
        while (view_.runsEnded == 0 && firings < 500 && session.Fire())
            ++firings;
        EXPECT_LT(firings, 500) << "the performance did not end";
        return session.Finish();
    }

    void FireUntil(tPlaybackSession& session, tPlaybackState state) {
        for (int firings = 0; firings < 100 && session.State() != state; ++firings)
            ASSERT_TRUE(session.Fire());
        ASSERT_EQ(session.State(), state);
    }

    void EnableExternalEvents() {
        Settings().EnableControls = true;
        Settings().Enable = {true, true, true, true};
        Settings().SendData = {"01", "02", "03", "04"};
    }

    tHeadlessServices services_;
    tRecordingView view_;
    int64_t now_ = 0;
    QString media_;
    QString portLog_;
    QStringList log_;
    tScriptedPlayer* player_ = nullptr;
    std::function<void(tScriptedPlayer&)> configure_ = [](tScriptedPlayer& p) { p.length = 300; };
};

TEST_F(PlaybackSessionTest, RunsFromTheFadeThroughTheTitleToPlayingAndClosesWhenTheMediaEnds) {
    EnableExternalEvents();
    auto song = test::MakeSong({2}, media_);
    auto session = MakeSession();
    std::vector<int32_t> drawnFor;
    session->OnFramePresented = [&](int32_t time) { drawnFor.push_back(time); };
    Start(*session, *song);
    EXPECT_EQ(RunToEnd(*session), tPlayResult::Finished);

    EXPECT_EQ(view_.shownStates, (std::vector<tPlaybackState>{ShowingScreen, PreparingTitle, ShowingTitle,
                                                              StartingMedia, Playing, Closing}));
    EXPECT_EQ(session->State(), Finished);
    // The fade starts fully transparent and ends opaque without ever going back.
    ASSERT_GE(view_.opacities.size(), 3u);
    EXPECT_EQ(view_.opacities.front(), 0.0);
    EXPECT_EQ(view_.opacities.back(), 1.0);
    EXPECT_TRUE(std::is_sorted(view_.opacities.begin(), view_.opacities.end()));
    // Screen appears, song starts, song stops, screen disappears.
    EXPECT_EQ(test::ReadFile(portLog_), QByteArray("\x01\x02\x03\x04", 4));
    const qsizetype play = log_.indexOf("Play");
    ASSERT_GE(play, 0);
    EXPECT_LT(play, log_.indexOf("Stop"));
    EXPECT_LT(log_.indexOf("Stop"), log_.indexOf("Close"));
    ASSERT_FALSE(drawnFor.empty());
    EXPECT_TRUE(std::is_sorted(drawnFor.begin(), drawnFor.end()));
    EXPECT_TRUE(services_.shownMessages.isEmpty());
}

TEST_F(PlaybackSessionTest, WaitsAfterTheFadeAndRewindsOnlyWhilePlaying) {
    Settings().DelayWait = true;
    configure_ = [](tScriptedPlayer& p) { p.length = 60000; };
    auto song = test::MakeSong({2}, media_);
    auto session = MakeSession();
    Start(*session, *song);
    FireUntil(*session, WaitAfterFade);
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(session->Fire());
    EXPECT_EQ(session->State(), WaitAfterFade);
    session->Command(tPlaybackCommand::Rewind);
    EXPECT_TRUE(log_.filter("SetPosition").isEmpty());
    session->Click();
    ASSERT_TRUE(session->Fire());
    EXPECT_EQ(session->State(), PreparingTitle);

    QStringList rewound;
    int fullBefore = 0;
    int fullAfter = 0;
    view_.onYield = [&] {
        if (session->State() != Playing)
            return;
        log_.clear();
        fullBefore = view_.fullPresents;
        session->Command(tPlaybackCommand::Rewind);
        fullAfter = view_.fullPresents;
        rewound = log_;
        session->Command(tPlaybackCommand::Stop);
        // Closing: a rewind now is ignored.
        session->Command(tPlaybackCommand::Rewind);
    };
    EXPECT_EQ(RunToEnd(*session), tPlayResult::Ended);
    EXPECT_EQ(rewound, QStringList({"PauseResume", "SetPosition 0", "Play"}));
    EXPECT_EQ(fullAfter - fullBefore, 2); // once paused at the start, once playing again
    EXPECT_EQ(log_.filter("SetPosition").size(), 1);
}

// The player's pictures reach the composed frame: in the picture area fitted to the video's
// proportions on a split screen, behind everything with full-screen video; a song that shows
// no video gives the player no window, so nothing is decoded for it.
TEST_F(PlaybackSessionTest, TheVideoPicturesAreComposedIntoThePictureArea) {
    configure_ = [](tScriptedPlayer& p) {
        p.length = 60000;
        p.videoWidth = 160;
        p.videoHeight = 90;
    };
    for (const char* layout : {"none", "split", "full"}) {
        SCOPED_TRACE(layout);
        auto song = test::MakeSong({2}, media_);
        song->SongSettings.setHasVideo(std::string(layout) != "none");
        song->SongSettings.setFullScreenVideo(std::string(layout) == "full");
        song->SongSettings.setSplitSize(50);
        auto session = MakeSession();
        Start(*session, *song);
        if (std::string(layout) == "none") {
            EXPECT_EQ(player_->Window(), nullptr);
            continue;
        }
        FireUntil(*session, Playing);
        const tMyRect area = session->Composer()->PictureArea();
        const tMyRect expected =
            std::string(layout) == "full" ? tMyRect{0, 0, 320, 240} : tMyRect{53, 120, 266, 240};
        EXPECT_EQ(area, expected);
        EXPECT_TRUE(log_.contains(QString("SetDisplayRect %1 %2 %3 %4")
                                      .arg(area.Left)
                                      .arg(area.Top)
                                      .arg(area.Right)
                                      .arg(area.Bottom)));
        // Drawn once more so that the frame holds a picture of the playing position.
        view_.onYield = [&] { session->Command(tPlaybackCommand::Stop); };
        session->Fire();
        ASSERT_TRUE(session->Video().HasFrame());
        const Bitmap& frame = session->Composer()->Frame();
        const int x = area.Left + area.Width() / 2, y = area.Top + area.Height() * 3 / 4;
        EXPECT_EQ(frame.Pixel(x, y) & 0xFFFF00, 0x800000u) << "the picture in the lower half of its area";
        view_.onYield = nullptr;
    }
}

TEST_F(PlaybackSessionTest, ClosingTheWindowEndsEachAnimatingStateWithinTheFrame) {
    EnableExternalEvents();
    configure_ = [](tScriptedPlayer& p) { p.length = 60000; };
    for (tPlaybackState target : {ShowingScreen, ShowingTitle, Playing}) {
        SCOPED_TRACE(int(target));
        view_ = tRecordingView();
        log_.clear();
        test::WriteFile(portLog_, {});
        auto song = test::MakeSong({2}, media_);
        auto session = MakeSession();
        int yields = 0;
        int yieldsAtClose = -1;
        int presentsAtClose = -1;
        view_.onYield = [&] {
            ++yields;
            if (session->State() == target && yieldsAtClose < 0) {
                yieldsAtClose = yields;
                presentsAtClose = view_.fullPresents;
                session->RequestClose();
                EXPECT_EQ(session->State(), Closing);
            }
        };
        Start(*session, *song);
        int firings = 0;
        while (firings < 100 && session->Fire())
            ++firings;
        ASSERT_GE(yieldsAtClose, 0);
        // The loop returned at once: no further frame, the run ended with this firing.
        EXPECT_EQ(yields, yieldsAtClose);
        EXPECT_EQ(view_.fullPresents, presentsAtClose);
        EXPECT_EQ(view_.runsEnded, 1);
        EXPECT_EQ(session->Finish(), tPlayResult::Ended);
        EXPECT_EQ(log_.contains("Play"), target == Playing);
        EXPECT_TRUE(log_.contains("Stop"));
        // Screen appears, (song starts,) screen disappears; the closing step with its song-stops
        // event does not run.
        EXPECT_EQ(test::ReadFile(portLog_),
                  target == Playing ? QByteArray("\x01\x02\x04", 3) : QByteArray("\x01\x04", 2));
    }
}

TEST_F(PlaybackSessionTest, ClosingBetweenFiringsEndsTheRunAtOnceAndOnlyOnce) {
    Settings().DelayWait = true;
    auto song = test::MakeSong({2}, media_);
    auto session = MakeSession();
    Start(*session, *song);
    FireUntil(*session, WaitAfterFade);
    session->RequestClose();
    EXPECT_EQ(view_.runsEnded, 1);
    session->RequestClose();
    session->Command(tPlaybackCommand::Skip);
    EXPECT_EQ(view_.runsEnded, 1);
    EXPECT_EQ(session->Finish(), tPlayResult::Ended);
}

TEST_F(PlaybackSessionTest, CommandsAreIgnoredOnceClosing) {
    configure_ = [](tScriptedPlayer& p) {
        p.opens = false;
        p.openError = "no decoder";
    };
    auto song = test::MakeSong({2}, media_);
    auto session = MakeSession();
    Start(*session, *song);
    EXPECT_EQ(services_.shownMessages,
              QStringList({"Error: There was an error starting the media for this karaoke\r\n" + media_ +
                           "\r\nno decoder"}));
    EXPECT_EQ(session->State(), Closing);

    log_.clear();
    for (tPlaybackCommand command :
         {tPlaybackCommand::Play, tPlaybackCommand::Pause, tPlaybackCommand::Skip, tPlaybackCommand::Stop,
          tPlaybackCommand::Faster, tPlaybackCommand::Continue, tPlaybackCommand::Rewind})
        session->Command(command);
    EXPECT_TRUE(log_.isEmpty()) << log_.join(", ").toStdString();
    EXPECT_FALSE(session->HasResult());
    EXPECT_EQ(view_.runsEnded, 0);
    EXPECT_TRUE(view_.speed.isEmpty());

    // The closing step still runs, and the skip asked for above does not count.
    EXPECT_EQ(RunToEnd(*session), tPlayResult::Finished);
    EXPECT_EQ(view_.shownStates, std::vector<tPlaybackState>{Closing});
}

TEST_F(PlaybackSessionTest, SpeedCommandsWhilePlayingShowTheRateReadBack) {
    configure_ = [](tScriptedPlayer& p) { p.length = 60000; };
    auto song = test::MakeSong({1}, media_);
    auto session = MakeSession();
    QStringList speeds;
    view_.onYield = [&] {
        if (session->State() != Playing)
            return;
        player_->rate = 4.45;
        session->Command(tPlaybackCommand::Faster);
        speeds << view_.speed;
        player_->rate = 1.0;
        session->Command(tPlaybackCommand::Slower);
        speeds << view_.speed;
        session->Command(tPlaybackCommand::Stop);
    };
    Start(*session, *song);
    EXPECT_EQ(RunToEnd(*session), tPlayResult::Ended);
    EXPECT_EQ(speeds, QStringList({"350%", "-10%"}));
}

TEST_F(PlaybackSessionTest, TheKeyAndTempoChosenAreOfferedTheNextTimeTheSongIsPlayed) {
    configure_ = [](tScriptedPlayer& p) { p.length = 60000; };
    auto song = test::MakeSong({1}, media_);
    song->FilePath = test::ScratchFolder() + "/remembered.lym";
    Settings().OnScreenDisplay = 2;
    auto play = [&](const std::function<void(tPlaybackSession&)>& whilePlaying) {
        log_.clear();
        view_ = tRecordingView();
        auto session = MakeSession();
        QString shown;
        view_.onYield = [&] {
            if (session->State() != Playing)
                return;
            shown = session->OnScreen().Text;
            whilePlaying(*session);
            session->Command(tPlaybackCommand::Stop);
        };
        Start(*session, *song);
        EXPECT_EQ(RunToEnd(*session), tPlayResult::Ended);
        return shown;
    };

    play([&](tPlaybackSession& session) {
        for (int i = 0; i < 8; ++i)
            session.Command(tPlaybackCommand::KeyUp);
        session.Command(tPlaybackCommand::KeyDown);
        session.Command(tPlaybackCommand::Slower);
        EXPECT_EQ(session.OnScreen().Text, "Speed -10%");
    });
    EXPECT_TRUE(view_.keyPanel);
    EXPECT_EQ(view_.key, "+5") << "six semitones up at most, then one down";
    EXPECT_TRUE(log_.contains("SetKey 6") && !log_.contains("SetKey 7"));

    const QString offered = play([](tPlaybackSession&) {});
    EXPECT_EQ(offered, "As last time: Key +5   Speed -10%");
    const qsizetype play1 = log_.indexOf("Play");
    EXPECT_LT(log_.indexOf("SetKey 5"), play1) << "the song starts in the key, not after a moment";
    EXPECT_LT(log_.indexOf("SetRate 0.9"), play1);

    Settings().RememberSongKeyAndTempo = false;
    play([](tPlaybackSession&) {});
    EXPECT_FALSE(log_.contains("SetKey 5")) << "the preference turns the memory off";
    Settings().RememberSongKeyAndTempo = true;

    play([](tPlaybackSession& session) {
        for (int i = 0; i < 5; ++i)
            session.Command(tPlaybackCommand::KeyDown);
        session.Command(tPlaybackCommand::Faster);
    });
    play([](tPlaybackSession&) {});
    EXPECT_FALSE(log_.contains("SetKey 0")) << "back to normal, nothing is left to offer";
    Settings().OnScreenDisplay = 1;
}

TEST_F(PlaybackSessionTest, TheLyricsOffsetIsTakenOffTheMediaTimeOnce) {
    configure_ = [](tScriptedPlayer& p) { p.length = 60000; };
    auto song = test::MakeSong({1}, media_);
    Settings().LyricsOffsetMs = 250;
    auto session = MakeSession();
    std::vector<std::pair<int32_t, int32_t>> drawnAndHeard;
    session->OnFramePresented = [&](int32_t drawnFor) {
        drawnAndHeard.emplace_back(drawnFor, player_->GetPosition());
        if (drawnAndHeard.back().second > 600)
            session->Command(tPlaybackCommand::Stop);
    };
    Start(*session, *song, false);
    RunToEnd(*session);
    Settings().LyricsOffsetMs = 0;
    ASSERT_FALSE(drawnAndHeard.empty());
    const auto [drawn, heard] = drawnAndHeard.back();
    ASSERT_GT(heard, 600);
    EXPECT_NEAR(heard - drawn, 250, 40) << "drawn for " << drawn << " while " << heard << " was heard";
}

TEST_F(PlaybackSessionTest, CommandsAreShownOverTheLyricsWhenTheControlsAreHidden) {
    configure_ = [](tScriptedPlayer& p) { p.length = 225000; };
    auto song = test::MakeSong({1}, media_);
    auto session = MakeSession();
    session->SetControlsHidden(true);
    QStringList shown;
    std::vector<int64_t> setAt;
    bool boxDrawn = false;
    auto record = [&] {
        shown << session->OnScreen().Text;
        setAt.push_back(session->OnScreen().SetAt);
    };
    bool commanded = false;
    view_.onYield = [&] {
        if (session->State() != Playing || commanded)
            return;
        commanded = true;
        session->Command(tPlaybackCommand::Pause);
        record();
        session->Command(tPlaybackCommand::Pause);
        record();
        player_->rate = 1.0;
        session->Command(tPlaybackCommand::Faster);
        record();
        player_->rate = 1.0;
        session->Command(tPlaybackCommand::Slower);
        record();
        session->Command(tPlaybackCommand::Rewind);
        record();
        boxDrawn = !session->Composer()->OnScreenBox().IsEmpty();
        session->Command(tPlaybackCommand::Play);
        record();
        session->Command(tPlaybackCommand::Stop);
    };
    Start(*session, *song);
    EXPECT_TRUE(session->OnScreen().Text.isEmpty()) << "nothing before the first command";
    EXPECT_EQ(RunToEnd(*session), tPlayResult::Ended);
    ASSERT_EQ(shown.size(), 6);
    EXPECT_TRUE(shown[0].startsWith("Paused   00:0")) << shown[0].toStdString();
    EXPECT_TRUE(shown[0].endsWith(" / 03:45")) << shown[0].toStdString();
    EXPECT_TRUE(shown[1].startsWith("Continued   00:0")) << shown[1].toStdString();
    EXPECT_EQ(shown.mid(2, 3), QStringList({"Speed +10%", "Speed -10%", "Rewound"}));
    EXPECT_TRUE(shown[5].startsWith("Continued")) << shown[5].toStdString();
    EXPECT_TRUE(std::is_sorted(setAt.begin(), setAt.end()));
    EXPECT_LT(setAt.front(), setAt.back()) << "each message is timed by the session's clock";
    EXPECT_TRUE(boxDrawn) << "the rewound frame carries the message";
}

TEST_F(PlaybackSessionTest, TheOnScreenChoiceDecidesWhetherCommandsAreShown) {
    EXPECT_EQ(tSettingsClass().OnScreenDisplay, 1) << "shown while the controls are hidden by default";

    configure_ = [](tScriptedPlayer& p) { p.length = 60000; };
    auto song = test::MakeSong({1}, media_);
    for (auto [choice, hidden, expected] : {std::tuple{0, true, false}, std::tuple{1, false, false},
                                            std::tuple{1, true, true}, std::tuple{2, false, true}}) {
        Settings().OnScreenDisplay = choice;
        auto session = MakeSession();
        session->SetControlsHidden(hidden);
        QString text;
        view_.onYield = [&] {
            if (session->State() != Playing)
                return;
            session->Command(tPlaybackCommand::Faster);
            text = session->OnScreen().Text;
            session->Command(tPlaybackCommand::Stop);
        };
        Start(*session, *song);
        EXPECT_EQ(RunToEnd(*session), tPlayResult::Ended);
        EXPECT_EQ(!text.isEmpty(), expected) << "choice " << choice << ", controls hidden " << hidden;
        view_ = tRecordingView();
    }
    Settings().OnScreenDisplay = 1;
}

TEST_F(PlaybackSessionTest, StepModeShowsALineOfEveryPartPerStepAndEndsAfterThePartWithFewestLines) {
    auto song = test::MakeSong({3, 2}, media_);
    auto session = MakeSession();
    Start(*session, *song, true);
    EXPECT_EQ(view_.playerLine, "None. Running in step mode.");
    FireUntil(*session, Stepping);
    ASSERT_NE(session->Composer(), nullptr);
    auto& renderers = session->Composer()->Renderers();
    ASSERT_EQ(renderers.size(), 2u);
    Settings().OnScreenDisplay = 2;
    session->Command(tPlaybackCommand::Faster);
    EXPECT_TRUE(session->OnScreen().Text.isEmpty()) << "nothing plays, so no speed is shown";
    Settings().OnScreenDisplay = 1;

    // Without a request a firing shows no new line.
    ASSERT_TRUE(session->Fire());
    EXPECT_TRUE(view_.progress.empty());
    session->RequestStep();
    ASSERT_TRUE(session->Fire());
    EXPECT_EQ(renderers[0]->ShownLine(), 1);
    EXPECT_EQ(renderers[1]->ShownLine(), 1);
    EXPECT_EQ(session->State(), Stepping);
    session->Click();
    EXPECT_EQ(RunToEnd(*session), tPlayResult::Finished);
    EXPECT_EQ(view_.progress, (std::vector<std::pair<int, int>>{{3, 1}, {2, 1}, {3, 2}, {2, 2}}));
    EXPECT_TRUE(log_.filter("OpenFile").isEmpty());
    EXPECT_FALSE(log_.contains("Play"));
}

TEST_F(PlaybackSessionTest, AFailingStepIsTriedAgainAndAfterThreeFailuresInARowEndsThePerformance) {
    EnableExternalEvents();
    auto song = test::MakeSong({2}, media_);
    auto session = MakeSession();
    int failures = 0;
    view_.onShowState = [&](tPlaybackState state) {
        if (state == PreparingTitle) {
            ++failures;
            throw std::runtime_error("the title font is gone");
        }
    };
    Start(*session, *song);
    FireUntil(*session, PreparingTitle);
    for (int firing = 1; firing < tPlaybackSession::kFailedFiringsToGiveUp; ++firing) {
        EXPECT_TRUE(session->Fire());
        EXPECT_EQ(session->State(), PreparingTitle);
    }
    EXPECT_TRUE(services_.shownMessages.isEmpty());
    EXPECT_FALSE(session->Fire());
    EXPECT_EQ(failures, tPlaybackSession::kFailedFiringsToGiveUp);
    EXPECT_EQ(services_.shownMessages,
              QStringList({"Error: The karaoke could not go on: the title font is gone"}));
    EXPECT_EQ(view_.runsEnded, 1);
    EXPECT_EQ(session->Finish(), tPlayResult::Ended);
    // Ended as a stop ends it: the closing step never ran, so the song-stops event was not sent.
    EXPECT_EQ(test::ReadFile(portLog_), QByteArray("\x01\x04", 2));
    EXPECT_FALSE(log_.contains("Play"));
}

TEST_F(PlaybackSessionTest, FailuresWithSuccessesBetweenThemAreOnlyRetried) {
    configure_ = [](tScriptedPlayer& p) { p.length = 60000; };
    auto song = test::MakeSong({2}, media_);
    auto session = MakeSession();
    std::map<tPlaybackState, int> failures;
    view_.onShowState = [&](tPlaybackState state) {
        if ((state == PreparingTitle || state == ShowingTitle) && failures[state] < 2) {
            ++failures[state];
            throw 42; // not a std::exception
        }
    };
    view_.onYield = [&] {
        if (session->State() == Playing)
            session->Command(tPlaybackCommand::Stop);
    };
    Start(*session, *song);
    EXPECT_EQ(RunToEnd(*session), tPlayResult::Ended);
    EXPECT_EQ(failures[PreparingTitle] + failures[ShowingTitle], 4);
    EXPECT_TRUE(services_.shownMessages.isEmpty());
    EXPECT_TRUE(log_.contains("Play"));
}

TEST_F(PlaybackSessionTest, AFailureWithoutAReasonIsStillReported) {
    auto song = test::MakeSong({1}, media_);
    auto session = MakeSession();
    view_.onYield = [] { throw 7; };
    Start(*session, *song);
    EXPECT_EQ(RunToEnd(*session), tPlayResult::Ended);
    EXPECT_EQ(services_.shownMessages, QStringList({"Error: The karaoke could not go on."}));
    EXPECT_EQ(view_.shownStates, std::vector<tPlaybackState>(3, ShowingScreen));
}

TEST_F(PlaybackSessionTest, EndEarlyMarginStaysWithinItsSettingsAndTheCounterShowsIt) {
    Settings().EndEarlyMin = 33;
    Settings().EndEarlyMax = 50;
    auto session = MakeSession();
    EXPECT_EQ(session->EndEarlyMargin(), 33);
    EXPECT_TRUE(session->IdleStatisticsText().endsWith("IntelliCrop: 33 "))
        << session->IdleStatisticsText().toStdString();

    // Nothing prepared yet: 1 ms on average, plus 10, is below the minimum; then above the maximum.
    Settings().Framerate = true;
    Settings().EndEarlyMin = 5;
    Settings().EndEarlyMax = 8;
    auto song = test::MakeSong({1}, media_);
    view_.onShowState = [&](tPlaybackState state) {
        if (state == PreparingTitle)
            session->Command(tPlaybackCommand::Stop);
    };
    Start(*session, *song);
    RunToEnd(*session);
    ASSERT_TRUE(session->Composer());
    EXPECT_EQ(session->EndEarlyMargin(), 8);
    EXPECT_TRUE(view_.statistics.endsWith("fps - 24Bit - Av.PrepTime: 1 IntelliCrop: 8 "))
        << view_.statistics.toStdString();
}

} // namespace
} // namespace lyrimo
