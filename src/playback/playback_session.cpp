#include "playback/playback_session.h"

#include "app/app_services.h"
#include "app/settings.h"
#include "app/song_memory.h"
#include "document/song.h"
#include "media/media_player.h"
#include "media/player_catalog.h"
#include "playback/external_controls.h"
#include "playback/playback_rules.h"
#include "render/drawing_utils.h"
#include "render/frame_composer.h"
#include "render/line_setup.h"
#include "render/title_effect.h"

#include <QSettings>

#include <algorithm>
#include <exception>
#include <optional>

namespace lyrimo {

using enum tPlaybackState;

bool OnScreenDisplayWanted(int choice, bool controlsHidden) {
    return choice == 2 || (choice == 1 && controlsHidden);
}

tPlaybackSession::tPlaybackSession(tPlaybackView& view, std::unique_ptr<tMyMediaPlayer> player,
                                   tPlaybackClock clock)
    : view_(view), clock_(std::move(clock)), player_(std::move(player)),
      title_(std::make_unique<tTitleEffect>()) {}

tPlaybackSession::~tPlaybackSession() { player_->Stop(); }

int tPlaybackSession::FrameBitDepth() const {
    switch (frameFormat_) {
    case tPixelFormat::Bits16: return 16;
    case tPixelFormat::Bits24: return 24;
    case tPixelFormat::Bits32: return 32;
    }
    return 0;
}

int32_t tPlaybackSession::EndEarlyMargin() const {
    return composer_ ? composer_->EndEarlyMargin() : Settings().EndEarlyMin;
}

QString tPlaybackSession::IdleStatisticsText() const {
    return StatisticsText(0, 0, FrameBitDepth(), 1, EndEarlyMargin());
}

void tPlaybackSession::Begin(tLyrimoData& song, int32_t startTime, bool stepMode, bool batchMode) {
    song_ = &song;
    startTime_ = std::max(startTime, 0);
    stepMode_ = stepMode;
    batchMode_ = batchMode;
    state_ = ShowingScreen;
    clicked_ = false;
    result_ = tResult::None;
    view_.SetOpacity(0.0);
}

void tPlaybackSession::Open(int width, int height, int screenBitsPerPixel) {
    tLyrimoData& song = *song_;
    const tSongSettings& s = song.SongSettings;
    width_ = width;
    height_ = height;

    SetFramePixelFormat(screenBitsPerPixel);
    view_.ShowStatus(Translate("Preparing title") + "...");
    PrepareTitleForSong(*title_, song, false, width, height);
    titleFrame_ = Bitmap(width, height, frameFormat_);
    title_->Step(titleFrame_, true, false);
    view_.Present(titleFrame_, titleChanges_, true);

    view_.ShowStatus(Translate("Opening media for playback") + "...");
    // Pictures are composed into the frame under the lyrics, from the video window the player
    // fills; a song without pictures of its media gets none, so none are decoded.
    mediaOpened_ = stepMode_ || player_->OpenSongMedia(song, ShowsVideo(song) ? &video_ : nullptr);

    if (stepMode_)
        view_.ShowPlayerLine(Translate("None. Running in step mode") + ".");
    else
        view_.ShowPlayerLine(PlayerName(player_->PlayerID()));

    if (mediaOpened_) {
        view_.ShowStatus(Translate("Preparing background for playback") + "...");
        composer_ = std::make_unique<tFrameComposer>(
            song_, width, height, tComposerSetup{LineSetupFrom(Settings()), frameFormat_, stepMode_});
        if (s.HasVideo() && !s.FullScreenVideo())
            composer_->FitPictureAreaToVideo(player_->VideoWidth(), player_->VideoHeight());
        player_->SetDisplayRect({width + 100, height + 100, width + 200, height + 200});
        view_.ShowSpeedPanel(player_->CanChangeRate());
        view_.ShowKeyPanel(player_->CanChangeKey());
    } else {
        App().MessageBox(MediaStartErrorText(song, player_->TakeLastError()), Translate("Error"),
                         mb::Ok | mb::IconWarning);
        state_ = Closing;
    }
}

void tPlaybackSession::SetFramePixelFormat(int screenBitsPerPixel) {
    frameFormat_ = PixelFormatForGraphicsMode(Settings().GraphicsMode, screenBitsPerPixel);
    title_->SetPixelFormat(frameFormat_);
}

tPlayResult tPlaybackSession::Finish() {
    state_ = Finished;
    player_->Stop();
    SendEvent(extevent::ScreenDisappears);
    switch (result_) {
    case tResult::Ok: return tPlayResult::Finished;
    case tResult::Ignore: return tPlayResult::Skipped;
    default: return tPlayResult::Ended;
    }
}

bool tPlaybackSession::Fire() {
    std::optional<QString> failure;
    inStep_ = true;
    try {
        RunState();
    } catch (const std::exception& error) {
        failure = QString::fromLocal8Bit(error.what());
    } catch (...) {
        failure = QString();
    }
    inStep_ = false;
    // A failed step is tried again at the next firing; one that keeps failing would leave the
    // performance hanging without a word, so it ends it.
    failedFirings_ = failure ? failedFirings_ + 1 : 0;
    if (failure && failedFirings_ >= kFailedFiringsToGiveUp)
        GiveUp(*failure);
    if (result_ != tResult::None) {
        EndRun();
        return false;
    }
    return true;
}

// Ends the performance as the user's stop does, whatever the state, after telling the user why.
void tPlaybackSession::GiveUp(const QString& reason) {
    stopRequested_ = true;
    skipRequested_ = false;
    state_ = Closing;
    const QString text = Translate("The karaoke could not go on");
    App().MessageBox(reason.isEmpty() ? text + "." : text + ": " + reason, Translate("Error"),
                     mb::Ok | mb::IconStop);
    result_ = tResult::Cancel;
}

void tPlaybackSession::RunState() {
    switch (state_) {
    case ShowingScreen: ShowingScreenStep(); break;
    case WaitAfterFade:
        if (clicked_)
            state_ = PreparingTitle;
        break;
    case PreparingTitle: PreparingTitleStep(); break;
    case ShowingTitle: ShowingTitleStep(); break;
    case WaitAfterTitle:
        if (clicked_)
            state_ = StartingMedia;
        break;
    case StartingMedia: StartingMediaStep(); break;
    case Playing: PlayingStep(); break;
    case Stepping: SteppingStep(); break;
    case Closing: ClosingStep(); break;
    default: break;
    }
}

void tPlaybackSession::ShowingScreenStep() {
    TellControls(ShowingScreen);
    view_.ShowStatus(Translate("Showing playback screen"));
    const int64_t start = clock_();
    SendEvent(extevent::ScreenAppears);
    ResetStatistics();
    int alpha = 0;
    do {
        const int64_t elapsed = clock_() - start;
        alpha = elapsed < 0 ? 0 : int(std::min<int64_t>(255, elapsed / 2));
        view_.SetOpacity(alpha / 255.0);
        view_.Yield();
        UpdateStatistics();
    } while (alpha < 255 && state_ == ShowingScreen);
    view_.SetOpacity(1.0);
    if (state_ != ShowingScreen)
        return;
    if (Settings().DelayWait) {
        state_ = WaitAfterFade;
        TellControls(WaitAfterFade);
        clicked_ = false;
        view_.ShowStatus(Translate("Waiting for you to click to continue"));
    } else {
        state_ = PreparingTitle;
    }
}

void tPlaybackSession::PreparingTitleStep() {
    TellControls(PreparingTitle);
    view_.ShowStatus(Translate("Preparing Title"));
    PrepareTitleForSong(*title_, *song_, true, width_, height_);
    if (state_ == PreparingTitle)
        state_ = ShowingTitle;
}

void tPlaybackSession::ShowingTitleStep() {
    TellControls(ShowingTitle);
    view_.ShowStatus(Translate("Showing Karaoke Title"));
    titleDone_ = false;
    do {
        DrawState(false);
        UpdateStatistics();
        view_.Yield();
    } while (!titleDone_ && state_ == ShowingTitle);
    DrawState(true);
    player_->SetDisplayRect({-100, -100, -99, -99});
    if (state_ != ShowingTitle)
        return;
    if (stepMode_) {
        state_ = Stepping;
        TellControls(Stepping);
        view_.ShowStatus(Translate("Click to advance a line in the song"));
        DrawState(true);
    } else if (Settings().TitleClickWait) {
        state_ = WaitAfterTitle;
        clicked_ = false;
        TellControls(WaitAfterTitle);
        view_.ShowStatus(Translate("Waiting for you to click to continue"));
    } else {
        state_ = StartingMedia;
    }
}

void tPlaybackSession::StartingMediaStep() {
    TellControls(StartingMedia);
    view_.ShowStatus(Translate("Starting media") + "...");
    const tSongSettings& s = song_->SongSettings;
    if (s.FullScreenVideo() || s.HasVideo()) {
        const tMyRect area = composer_->PictureArea();
        player_->SetDisplayRect({area.Left, area.Top, area.Right, area.Bottom});
    }
    SendEvent(extevent::SongStarts);
    StartAsLastTime();
    player_->Play();
    player_->SetPlaybackCursor();
    if (startTime_ > 0) {
        player_->SetPosition(startTime_);
        player_->Play();
    }
    player_->FocusDisplay();
    view_.ShowStatus(Translate("Playing Karaoke") + "...");
    state_ = Playing;
}

void tPlaybackSession::PlayingStep() {
    TellControls(Playing);
    DrawState(true);
    ResetStatistics();
    player_->FocusDisplay();
    do {
        DrawState(false);
        if (!player_->IsPlaying())
            state_ = Closing;
        const int length = player_->GetLength();
        const int position = player_->GetPosition();
        view_.ShowTime(PlaybackTimeText(position, length));
        view_.ShowProgress(length, position);
        view_.Yield();
        UpdateStatistics();
    } while (state_ == Playing);
    if (player_->IsPlaying())
        lastPosition_ = player_->GetPosition();
}

void tPlaybackSession::SteppingStep() {
    if (stepRequested_) {
        stepRequested_ = false;
        composer_->StepAllParts();
        auto& renderers = composer_->Renderers();
        for (size_t part = 0; part < renderers.size(); ++part) {
            const tLyricsData* lyrics = song_->GetPart(int(part));
            const int lineCount = lyrics ? lyrics->LineCount() : 0;
            view_.ShowProgress(lineCount, renderers[part]->ShownLine());
            if (renderers[part]->ShownLine() >= lineCount)
                state_ = Closing;
        }
    }
    DrawState(false);
}

void tPlaybackSession::ClosingStep() {
    TellControls(Closing);
    view_.ShowStatus(Translate("Closing") + "...");
    SendEvent(extevent::SongStops);
    player_->Stop();
    player_->CloseCurrent();
    view_.ShowStatus(Translate("Closing Playback Window") + "...");
    SetResult(skipRequested_ ? tResult::Ignore : stopRequested_ ? tResult::Cancel : tResult::Ok);
    state_ = Finished;
}

int32_t tPlaybackSession::MediaTimeForDrawing() {
    if (stepMode_)
        return kStepModeTime;
    // The last position read stays the drawing time once the medium has ended, so the frame
    // drawn in the moment the player stops still shows the song's end rather than its start.
    if (player_->IsPlaying())
        lastPosition_ = player_->GetPosition();
    return lastPosition_;
}

void tPlaybackSession::DrawState(bool full) {
    if (state_ > Stepping)
        return; // closing: neither the title nor the lyrics are shown any more
    if (state_ <= WaitAfterTitle) {
        titleChanges_.Clear();
        titleDone_ = title_->Step(titleFrame_, full, state_ == ShowingTitle, &titleChanges_);
        view_.Present(titleFrame_, titleChanges_, full);
        return;
    }
    if (!composer_)
        return;
    tComposerInput input;
    input.mediaTime = MediaTimeForDrawing();
    input.full = full;
    if (!stepMode_) {
        player_->RefreshDisplay();
        input.videoFrame = video_.HasFrame() ? &video_.Frame() : nullptr;
        input.videoFrameChanged = video_.TakeChanged();
    }
    input.onScreen = onScreen_;
    input.clock = clock_();
    const tChangesList& changes = composer_->Compose(input);
    view_.Present(composer_->Frame(), changes, full || composer_->LastWasFull());
    if (OnFramePresented)
        OnFramePresented(input.mediaTime);
    if (!stepMode_)
        composer_->PrepareWantedLines();
}

void tPlaybackSession::Command(tPlaybackCommand command) {
    if (state_ > Stepping)
        return;
    switch (command) {
    case tPlaybackCommand::Play:
        player_->Play();
        TellControls(state_);
        ShowOnScreen(Translate("Continued") + "   " + OnScreenTimeText());
        break;
    case tPlaybackCommand::Pause:
        player_->PauseResume();
        TellControls(Paused);
        ShowOnScreen(Translate(player_->IsPaused() ? "Paused" : "Continued") + "   " + OnScreenTimeText());
        break;
    case tPlaybackCommand::Stop:
        stopRequested_ = true;
        skipRequested_ = false;
        state_ = Closing;
        SetResult(tResult::Cancel);
        break;
    case tPlaybackCommand::Skip:
        skipRequested_ = true;
        stopRequested_ = false;
        state_ = Closing;
        SetResult(tResult::Ignore);
        break;
    case tPlaybackCommand::Faster: ChangeRate(true); break;
    case tPlaybackCommand::Slower: ChangeRate(false); break;
    case tPlaybackCommand::KeyUp: ChangeKey(true); break;
    case tPlaybackCommand::KeyDown: ChangeKey(false); break;
    case tPlaybackCommand::Continue:
        if (state_ == WaitAfterFade)
            state_ = PreparingTitle;
        else if (state_ == WaitAfterTitle)
            state_ = StartingMedia;
        break;
    case tPlaybackCommand::Step: stepRequested_ = true; break;
    case tPlaybackCommand::Rewind:
        if (state_ == Playing) {
            ShowOnScreen(Translate("Rewound"));
            Rewind();
        }
        break;
    }
}

void tPlaybackSession::ChangeRate(bool faster) {
    player_->SetRate(NextRate(player_->GetRate(), faster));
    const QString speed = SpeedText(player_->GetRate());
    view_.ShowSpeed(speed);
    ShowOnScreen(Translate("Speed") + " " + (player_->GetRate() > 1.0 ? "+" : "") + speed);
    RememberKeyAndTempo();
}

// The lyrics need nothing: a key change leaves the media time as it is.
void tPlaybackSession::ChangeKey(bool up) {
    if (!player_->CanChangeKey())
        return;
    player_->SetKey(player_->GetKey() + (up ? 1 : -1));
    view_.ShowKey(KeyText(player_->GetKey()));
    ShowOnScreen(Translate("Key") + " " + KeyText(player_->GetKey()));
    RememberKeyAndTempo();
}

void tPlaybackSession::StartAsLastTime() {
    if (stepMode_ || !Settings().RememberSongKeyAndTempo)
        return;
    const std::optional<tKeyAndTempo> kept = RememberedKeyAndTempo(*OpenSettingsStore(), song_->FilePath);
    if (!kept)
        return;
    if (player_->CanChangeRate())
        player_->SetRate(std::clamp(kept->tempo, kSlowestRate, kFastestRate));
    player_->SetKey(kept->key);
    view_.ShowSpeed(SpeedText(player_->GetRate()));
    view_.ShowKey(KeyText(player_->GetKey()));
    ShowOnScreen(Translate("As last time:") + " " + Translate("Key") + " " + KeyText(player_->GetKey()) +
                 "   " + Translate("Speed") + " " + SpeedText(player_->GetRate()));
}

void tPlaybackSession::RememberKeyAndTempo() {
    if (stepMode_ || !Settings().RememberSongKeyAndTempo)
        return;
    lyrimo::RememberKeyAndTempo(*OpenSettingsStore(), song_->FilePath,
                                {player_->GetKey(), player_->GetRate()});
}

// Step mode plays no media, so pausing, speed and time mean nothing there.
void tPlaybackSession::ShowOnScreen(const QString& text) {
    if (!stepMode_ && OnScreenDisplayWanted(Settings().OnScreenDisplay, controlsHidden_))
        onScreen_ = tOnScreenText{text, clock_()};
}

// The position and length as the controls window's time shows them, spaced out for the screen.
QString tPlaybackSession::OnScreenTimeText() {
    return MinutesSecondsText(player_->GetPosition()) + " / " + MinutesSecondsText(player_->GetLength());
}

void tPlaybackSession::Rewind() {
    const bool wasPaused = player_->IsPaused();
    if (!wasPaused)
        player_->PauseResume();
    player_->SetPosition(0);
    composer_->CreateRenderers();
    DrawState(true);
    if (!wasPaused)
        player_->Play();
    DrawState(true);
}

void tPlaybackSession::Click() {
    clicked_ = true;
    if (state_ == Stepping)
        stepRequested_ = true;
}

void tPlaybackSession::RequestClose() {
    if (result_ != tResult::None)
        return;
    // As the user's stop, but the closing step does not run: the loop of an animating state sees
    // the state change and returns, and the run ends with that firing.
    stopRequested_ = true;
    skipRequested_ = false;
    state_ = Closing;
    SetResult(tResult::Cancel);
}

void tPlaybackSession::SetResult(tResult result) {
    result_ = result;
    // Inside a step the run ends once the step returns; elsewhere at once.
    if (!inStep_)
        EndRun();
}

void tPlaybackSession::EndRun() {
    state_ = Closing; // commands from here on are ignored
    view_.EndRun();
}

void tPlaybackSession::SendEvent(int event) { SendExternalEvent(Settings(), event); }

void tPlaybackSession::ResetStatistics() {
    framesSinceUpdate_ = 0;
    statsStart_ = clock_();
}

void tPlaybackSession::UpdateStatistics() {
    ++framesSinceUpdate_;
    const int32_t prep = composer_ ? composer_->AveragePrepTime() : 1;
    if (composer_)
        composer_->UpdateEndEarlyMargin();
    if (!Settings().Framerate || framesSinceUpdate_ <= 10)
        return;
    const int64_t now = clock_();
    const int64_t elapsed = now - statsStart_;
    if (elapsed > 0) {
        const int fps = int(framesSinceUpdate_ * 1000 / elapsed);
        view_.ShowStatistics(StatisticsText(fps, lastFps_, FrameBitDepth(), prep, EndEarlyMargin()));
        lastFps_ = fps;
    }
    framesSinceUpdate_ = 0;
    statsStart_ = now;
}

} // namespace lyrimo
