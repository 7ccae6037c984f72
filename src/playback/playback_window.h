// The playback window: performs one song full screen on the playback monitor. It fades in, shows
// the title, starts the media and then, many times a second, reads the media time, lets the frame
// composer draw what changed and copies only those rectangles to the screen. It ends when the
// media ends, when the user stops or skips, or in step mode after the last line.
//
// An 80 ms timer (Starter) runs one step of the state machine per firing; the animating states
// (fading in, title, playing) loop inside one firing and pump events between frames, so commands,
// keys, clicks and closing run in the middle of a step and talk to it only through the state
// fields and the player.
#pragma once

#include "picture/bitmap.h"
#include "render/changes_list.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

class QEventLoop;
class QLabel;

namespace lyrimo {

class tLyrimoData;
class tMyMediaPlayer;
class tTitleEffect;
class tFrameComposer;
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

class TPlaybackWnd : public QWidget {
    Q_OBJECT

public:
    explicit TPlaybackWnd(QWidget* parent = nullptr);
    ~TPlaybackWnd() override;

    // Performs the song and returns 0 finished (or media failed), 1 skipped, 2 ended by the user.
    int Perform(tLyrimoData& song, int32_t startTime, bool stepMode, bool batchMode);

    // Commands 0 to 8 (playback_command), from the controls window and the keys.
    void Command(int command);
    // Keys of this window and of the controls window.
    void HandleKey(QKeyEvent* event);
    // A click on the window or its panels.
    void HandleClick();

    int State() const { return state_; }
    bool StepMode() const { return stepMode_; }
    int32_t StartTime() const { return startTime_; }
    TPlaybackControls& Controls() { return *controls_; }
    tMyMediaPlayer& Player() { return *player_; }
    tFrameComposer* Composer() { return composer_.get(); }
    QLabel* FrameCounter() { return fc_; }
    // Bit depth of the frames: 16, 24 or 32.
    int FrameBitDepth() const;

    // Runs between frames of the animating states, before events are pumped (tests act here).
    std::function<void()> OnYield;
    // Runs after a playing frame reached the screen, with the media time it was drawn for.
    std::function<void(int32_t drawnFor)> OnFramePresented;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    enum tModalResult { NoResult = 0, ResultOk = 1, ResultCancel = 2, ResultIgnore = 5 };

    void Showing();
    void StarterTimer();
    void RunState();
    void ShowingScreenStep();
    void PreparingTitleStep();
    void ShowingTitleStep();
    void StartingMediaStep();
    void PlayingStep();
    void SteppingStep();
    void ClosingStep();

    void DrawState(bool full);
    int32_t MediaTimeForDrawing();
    void Present(const Bitmap& source, const tChangesList& changes, bool full);
    void Rewind();
    void ChangeRate(bool faster);
    void PlaySoundEffect(QKeyEvent* event);
    void SendEvent(int event);

    void Yield();
    void PaceFrame();
    void ResetStatistics();
    void UpdateStatistics();

    void SetModalResult(tModalResult result);
    void EndModal();
    void ShowStatus(const QString& text);
    void SetOpacity(double opacity);
    void TellControls(int state);
    void SetFramePixelFormat();
    void PlaceFrameCounter();

    tLyrimoData* song_ = nullptr;
    int32_t startTime_ = 0;
    bool stepMode_ = false;
    bool batchMode_ = false;
    int state_ = 0;
    bool clicked_ = false;
    bool stepRequested_ = false;
    bool skipRequested_ = false;
    bool stopRequested_ = false;
    int32_t lastPosition_ = 0;
    bool titleDone_ = false;
    bool mediaOpened_ = false;

    std::unique_ptr<tMyMediaPlayer> player_;
    std::unique_ptr<tTitleEffect> title_;
    std::unique_ptr<tFrameComposer> composer_;
    std::unique_ptr<TPlaybackControls> controls_;
    std::unique_ptr<tSoundEffectPlayer> soundEffects_;
    tPixelFormat frameFormat_ = tPixelFormat::Bits24; // of the title and the composed frames
    Bitmap titleFrame_;
    tChangesList titleChanges_;
    const Bitmap* shown_ = nullptr; // what paint requests copy to the screen
    QLabel* fc_ = nullptr;          // the frame counter

    QTimer starter_;
    QEventLoop* modalLoop_ = nullptr;
    tModalResult modalResult_ = NoResult;
    bool inStep_ = false;
    bool cursorHidden_ = false;

    int framesSinceUpdate_ = 0;
    int64_t statsStart_ = 0;
    int lastFps_ = 0;
    int64_t lastFrameStart_ = 0; // steady-clock microseconds, for pacing
    double frameIntervalUs_ = 1e6 / 60;
};

} // namespace lyrimo
