// One performance of a song without a window: the state machine that fades in, shows the title,
// starts the media, draws the lyrics many times a second and closes, the commands that steer it
// and the statistics that keep the line renderers' end-early margin.
//
// The window that shows it implements tPlaybackView and drives it: it calls Fire() every time
// its 80 ms timer fires (with the timer stopped meanwhile). The animating states loop inside one
// firing and let the view pump events between frames, so commands, clicks and the window's
// closing arrive in the middle of a step; they talk to it only through the state, the request
// flags and the player.
#pragma once

#include "media/video_window.h"
#include "picture/bitmap.h"
#include "playback/playback_state.h"
#include "render/changes_list.h"
#include "render/on_screen_display.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace lyrimo {

class tLyrimoData;
class tMyMediaPlayer;
class tTitleEffect;
class tFrameComposer;

// What a performance needs from the screen it is shown on and from its controls window.
class tPlaybackView {
public:
    virtual ~tPlaybackView() = default;

    // Shows the frame: all of it when full, otherwise only the changed rectangles. The frame
    // stays alive and unchanged until the next call, so paint requests may copy from it.
    virtual void Present(const Bitmap& frame, const tChangesList& changes, bool full) = 0;
    // 0 is fully transparent, 1 opaque.
    virtual void SetOpacity(double opacity) = 0;

    // The controls window: its status line, the state it shows and its other lines.
    virtual void ShowStatus(const QString& text) = 0;
    virtual void ShowState(tPlaybackState state) = 0;
    virtual void ShowPlayerLine(const QString& text) = 0;
    virtual void ShowSpeedPanel(bool visible) = 0;
    virtual void ShowTime(const QString& text) = 0;
    virtual void ShowProgress(int maximum, int position) = 0;
    virtual void ShowSpeed(const QString& text) = 0;
    virtual void ShowKeyPanel(bool visible) = 0;
    virtual void ShowKey(const QString& text) = 0;
    // The frame counter's text.
    virtual void ShowStatistics(const QString& text) = 0;

    // Between two frames of an animating state: lets pending events run.
    virtual void Yield() = 0;
    // Ends the modal run of the performance (nothing when none is running).
    virtual void EndRun() = 0;
};

// The clock the fade-in and the statistics are timed by, in milliseconds.
using tPlaybackClock = std::function<int64_t()>;

// How a performance ended; the numbers are the play results.
enum class tPlayResult { Finished = 0, Skipped = 1, Ended = 2 };

// Whether commands are shown over the lyrics, for the "OnScreenDisplay" choice (0 never, 1 only
// while the controls window is hidden because it shares the playback monitor, 2 always).
bool OnScreenDisplayWanted(int choice, bool controlsHidden);

class tPlaybackSession {
public:
    // Takes the player manager.
    tPlaybackSession(tPlaybackView& view, std::unique_ptr<tMyMediaPlayer> player, tPlaybackClock clock);
    ~tPlaybackSession();
    tPlaybackSession(const tPlaybackSession&) = delete;
    tPlaybackSession& operator=(const tPlaybackSession&) = delete;

    // A step that fails on this many firings in a row ends the performance.
    static constexpr int kFailedFiringsToGiveUp = 3;

    // Remembers the song and how to play it (a negative start time is 0) and starts at state 0
    // with the view fully transparent.
    void Begin(tLyrimoData& song, int32_t startTime, bool stepMode, bool batchMode);
    // The first showing on a client of width × height: the title held at its start, the media
    // opened (not in step mode) and the frame composer. Media that does not open is reported
    // and the performance goes straight to closing.
    void Open(int width, int height, int screenBitsPerPixel);
    // One firing of the timer: runs the state's step. False when the run has ended and the timer
    // must stay stopped.
    bool Fire();
    // After the run: stops the media and restores what Begin changed.
    tPlayResult Finish();

    void Command(tPlaybackCommand command);
    // A click on the window: continues a wait and, in step mode, asks for the next line.
    void Click();
    // The controls window is hidden because it shares the playback monitor, so commands are
    // shown over the lyrics unless the preferences say otherwise.
    void SetControlsHidden(bool hidden) { controlsHidden_ = hidden; }
    // The message over the lyrics the last command left (empty text before any).
    const tOnScreenText& OnScreen() const { return onScreen_; }
    // Asks for the next line in step mode.
    void RequestStep() { stepRequested_ = true; }
    // The window is being closed while the run goes on: ends it at once as the user's stop, from
    // inside the loops of the fade-in, the title and the playing too.
    void RequestClose();
    bool HasResult() const { return result_ != tResult::None; }

    tPlaybackState State() const { return state_; }
    bool StepMode() const { return stepMode_; }
    bool BatchMode() const { return batchMode_; }
    int32_t StartTime() const { return startTime_; }
    tLyrimoData* Song() const { return song_; }
    tMyMediaPlayer& Player() { return *player_; }
    // The pictures of the song's video, as the player last put them in.
    const tVideoWindow& Video() const { return video_; }
    tFrameComposer* Composer() { return composer_.get(); }
    // Bit depth of the frames: 16, 24 or 32.
    int FrameBitDepth() const;
    // How early lines end: the composer's, or the least the preferences allow before it exists.
    int32_t EndEarlyMargin() const;
    // The frame counter's text before the first measurement.
    QString IdleStatisticsText() const;

    // Runs after a frame of states 5 to 7 was presented, with the media time it was drawn for.
    std::function<void(int32_t drawnFor)> OnFramePresented;

private:
    // The modal results the run can end with.
    enum class tResult { None, Ok, Cancel, Ignore };

    void RunState();
    void ShowingScreenStep();
    void PreparingTitleStep();
    void ShowingTitleStep();
    void StartingMediaStep();
    void PlayingStep();
    void SteppingStep();
    void ClosingStep();
    void GiveUp(const QString& reason);

    void DrawState(bool full);
    int32_t MediaTimeForDrawing();
    void Rewind();
    void ChangeRate(bool faster);
    void ChangeKey(bool up);
    // The key and tempo the song was left in last time, when the preferences want them.
    void StartAsLastTime();
    void RememberKeyAndTempo();
    void SendEvent(int event);
    void ShowOnScreen(const QString& text);
    QString OnScreenTimeText();
    void SetFramePixelFormat(int screenBitsPerPixel);

    void ResetStatistics();
    void UpdateStatistics();

    void SetResult(tResult result);
    void EndRun();
    void TellControls(tPlaybackState state) { view_.ShowState(state); }

    tPlaybackView& view_;
    tPlaybackClock clock_;
    tVideoWindow video_; // declared before the player, which puts pictures in it until it closes
    std::unique_ptr<tMyMediaPlayer> player_;
    std::unique_ptr<tTitleEffect> title_;
    std::unique_ptr<tFrameComposer> composer_;

    tLyrimoData* song_ = nullptr;
    int32_t startTime_ = 0;
    bool stepMode_ = false;
    bool batchMode_ = false;
    int width_ = 0;
    int height_ = 0;
    tPixelFormat frameFormat_ = tPixelFormat::Bits24; // of the title and the composed frames

    tPlaybackState state_ = tPlaybackState::ShowingScreen;
    bool clicked_ = false;
    bool stepRequested_ = false;
    bool skipRequested_ = false;
    bool stopRequested_ = false;
    int32_t lastPosition_ = 0;
    bool titleDone_ = false;
    bool mediaOpened_ = false;
    tResult result_ = tResult::None;
    bool inStep_ = false;
    int failedFirings_ = 0;
    bool controlsHidden_ = false;
    tOnScreenText onScreen_;

    Bitmap titleFrame_;
    tChangesList titleChanges_;

    int framesSinceUpdate_ = 0;
    int64_t statsStart_ = 0;
    int lastFps_ = 0;
};

} // namespace lyrimo
