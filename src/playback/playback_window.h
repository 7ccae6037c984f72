// The playback window: shows one performance (tPlaybackSession) full screen on the playback
// monitor, with the controls window beside it. It copies the frames the session presents to the
// screen, fades itself in, turns keys and clicks into the session's commands and pumps events
// between frames.
//
// An 80 ms timer (Starter) fires the session's state machine, one step per firing, with the
// timer stopped meanwhile so that a firing never nests inside another.
#pragma once

#include "playback/playback_session.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

class QEventLoop;
class QLabel;

namespace lyrimo {

class tSoundEffectPlayer;
class TPlaybackControls;

// Makes the player manager of each playback window; tests put one with fake backends here.
// An empty function restores the standard manager.
using tMediaPlayerFactory = std::function<std::unique_ptr<tMyMediaPlayer>()>;
void SetMediaPlayerFactory(tMediaPlayerFactory factory);

// The clock the fade-in and the statistics are timed by: the tick count unless replaced (tests
// run it faster). nullptr restores the tick count.
int64_t PlaybackNow();
void SetPlaybackClock(int64_t (*clock)());

// Called with every playback window as it is created (tests reach the window PlaySong makes).
void SetPlaybackWindowHook(std::function<void(class TPlaybackWnd&)> hook);

class TPlaybackWnd : public QWidget, private tPlaybackView {
    Q_OBJECT

public:
    explicit TPlaybackWnd(QWidget* parent = nullptr);
    ~TPlaybackWnd() override;

    // Performs the song and returns 0 finished (or media failed), 1 skipped, 2 ended by the user.
    int Perform(tLyrimoData& song, int32_t startTime, bool stepMode, bool batchMode);

    // Commands from the controls window and the keys.
    void Command(tPlaybackCommand command) { session_->Command(command); }
    // Keys of this window and of the controls window.
    void HandleKey(QKeyEvent* event);
    // A click on the window or its panels.
    void HandleClick() { session_->Click(); }

    tPlaybackSession& Session() { return *session_; }
    tPlaybackState State() const { return session_->State(); }
    bool StepMode() const { return session_->StepMode(); }
    int32_t StartTime() const { return session_->StartTime(); }
    TPlaybackControls& Controls() { return *controls_; }
    tMyMediaPlayer& Player() { return session_->Player(); }
    tFrameComposer* Composer() { return session_->Composer(); }
    QLabel* FrameCounter() { return fc_; }
    int FrameBitDepth() const { return session_->FrameBitDepth(); }

    // Runs between frames of the animating states, before events are pumped (tests act here).
    std::function<void()> OnYield;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Showing();
    void StarterTimer();
    void PlaySoundEffect(QKeyEvent* event);
    void PaceFrame();
    void PlaceFrameCounter();

    // The performance's view.
    void Present(const Bitmap& frame, const tChangesList& changes, bool full) override;
    void SetOpacity(double opacity) override;
    void ShowStatus(const QString& text) override;
    void ShowState(tPlaybackState state) override;
    void ShowPlayerLine(const QString& text) override;
    void ShowSpeedPanel(bool visible) override;
    void ShowTime(const QString& text) override;
    void ShowProgress(int maximum, int position) override;
    void ShowSpeed(const QString& text) override;
    void ShowKeyPanel(bool visible) override;
    void ShowKey(const QString& text) override;
    void ShowStatistics(const QString& text) override;
    void Yield() override;
    void EndRun() override;

    std::unique_ptr<TPlaybackControls> controls_;
    std::unique_ptr<tPlaybackSession> session_;
    std::unique_ptr<tSoundEffectPlayer> soundEffects_;
    const Bitmap* shown_ = nullptr; // what paint requests copy to the screen
    QLabel* fc_ = nullptr;          // the frame counter

    QTimer starter_;
    QEventLoop* modalLoop_ = nullptr;
    bool cursorHidden_ = false;

    int64_t lastFrameStart_ = 0; // steady-clock microseconds, for pacing
    double frameIntervalUs_ = 1e6 / 60;
};

} // namespace lyrimo
