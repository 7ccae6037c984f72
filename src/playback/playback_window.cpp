#include "playback/playback_window.h"

#include "app/app_services.h"
#include "document/song.h"
#include "document/song_loading.h"
#include "media/media_player.h"
#include "media/player_catalog.h"
#include "media/sound_effect_player.h"
#include "playback/external_controls.h"
#include "playback/monitors.h"
#include "playback/playback_controls.h"
#include "playback/playback_rules.h"
#include "render/drawing_utils.h"
#include "render/frame_composer.h"
#include "render/title_effect.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <chrono>
#include <thread>

namespace lyrimo {

namespace {

tMediaPlayerFactory& PlayerFactory() {
    static tMediaPlayerFactory factory;
    return factory;
}

int64_t (*playbackClock)() = nullptr;

std::function<void(TPlaybackWnd&)>& WindowHook() {
    static std::function<void(TPlaybackWnd&)> hook;
    return hook;
}

int64_t SteadyMicroseconds() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

QColor QtColour(tColour colour) {
    return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

// Rows of a Bitmap as a QImage, without copying.
QImage ImageOf(const Bitmap& bitmap) {
    if (bitmap.IsEmpty())
        return {};
    const QImage::Format format =
        bitmap.Format() == tPixelFormat::Bits16 ? QImage::Format_RGB16 : QImage::Format_RGB32;
    return QImage(bitmap.Row(0), bitmap.Width(), bitmap.Height(), bitmap.Stride(), format);
}

QRect QtRect(const tMyRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

} // namespace

void SetMediaPlayerFactory(tMediaPlayerFactory factory) { PlayerFactory() = std::move(factory); }

int64_t PlaybackNow() { return playbackClock ? playbackClock() : TickCount(); }
void SetPlaybackClock(int64_t (*clock)()) { playbackClock = clock; }

void SetPlaybackWindowHook(std::function<void(TPlaybackWnd&)> hook) { WindowHook() = std::move(hook); }

TPlaybackWnd::TPlaybackWnd(QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setWindowTitle("Lyrimo Karaoke Playback");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);

    controls_ = std::make_unique<TPlaybackControls>();
    controls_->OnCommand = [this](int command) { Command(command); };
    controls_->OnKey = [this](QKeyEvent* event) { HandleKey(event); };
    controls_->ShowSpeedPanel(false);

    player_ = PlayerFactory() ? PlayerFactory()() : std::make_unique<tMyMediaPlayer>();
    title_ = std::make_unique<tTitleEffect>();

    fc_ = new QLabel(this);
    fc_->setStyleSheet("QLabel { color: white; font-weight: bold; background: black; border: 1px solid red; "
                       "padding: 2px; }");
    fc_->hide();

    starter_.setInterval(80);
    connect(&starter_, &QTimer::timeout, this, &TPlaybackWnd::StarterTimer);

    if (WindowHook())
        WindowHook()(*this);
}

TPlaybackWnd::~TPlaybackWnd() {
    starter_.stop();
    player_->Stop();
}

int TPlaybackWnd::FrameBitDepth() const {
    switch (frameFormat_) {
    case tPixelFormat::Bits16: return 16;
    case tPixelFormat::Bits24: return 24;
    case tPixelFormat::Bits32: return 32;
    }
    return 0;
}

int TPlaybackWnd::Perform(tLyrimoData& song, int32_t startTime, bool stepMode, bool batchMode) {
    RefreshMonitorRoles();
    song_ = &song;
    startTime_ = std::max(startTime, 0);
    stepMode_ = stepMode;
    batchMode_ = batchMode;
    CoverRole(this, monitor_role::Play);

    controls_->SetBatchMode(batchMode);
    state_ = pstate::ShowingScreen;
    clicked_ = false;
    modalResult_ = NoResult;
    SetOpacity(0.0);

    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
    Showing();
    starter_.start();

    QEventLoop loop;
    modalLoop_ = &loop;
    if (modalResult_ == NoResult)
        loop.exec();
    else
        EndModal();
    modalLoop_ = nullptr;

    state_ = pstate::Finished;
    starter_.stop();
    player_->Stop();
    SendEvent(extevent::ScreenDisappears);
    hide();
    controls_->hide();

    switch (modalResult_) {
    case ResultOk: return 0;
    case ResultIgnore: return 1;
    default: return 2;
    }
}

// The first showing: the controls, the title held at its start, the media and the renderers.
void TPlaybackWnd::Showing() {
    tLyrimoData& song = *song_;
    const tSongSettings& s = song.SongSettings;
    CoverRole(this, monitor_role::Play);
    setLayoutDirection(s.RightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
    const int width = this->width();
    const int height = this->height();

    controls_->SetSongDetails(SongDetailText(song, song.AlbumName(), song.WideAlbumName()),
                              SongDetailText(song, song.ArtistName(), song.WideArtistName()),
                              SongDetailText(song, song.SongName(), song.WideSongName()),
                              SongDetailText(song, song.SongYear(), song.WideSongYear()));
    controls_->SetPlayerLine(Translate("Unknown at present") + "...");
    if (SameMonitor(monitor_role::Play, monitor_role::Control)) {
        setCursor(Qt::BlankCursor);
        cursorHidden_ = true;
    } else {
        controls_->show();
    }

    SetFramePixelFormat();
    ShowStatus(Translate("Preparing title") + "...");
    PrepareTitleForSong(*title_, song, false, width, height);
    titleFrame_ = Bitmap(width, height, frameFormat_);
    title_->Step(titleFrame_, true, false);
    shown_ = &titleFrame_;
    repaint();

    ShowStatus(Translate("Opening media for playback") + "...");
    // No backend draws into a window of its own (video frames are composed into the frame), so
    // the media gets no parent window.
    mediaOpened_ = stepMode_ || player_->OpenSongMedia(song, nullptr);

    if (stepMode_)
        controls_->SetPlayerLine(Translate("None. Running in step mode") + ".");
    else
        controls_->SetPlayerLine(PlayerName(player_->PlayerID()));

    if (mediaOpened_) {
        ShowStatus(Translate("Preparing background for playback") + "...");
        composer_ = std::make_unique<tFrameComposer>(
            song_, width, height, tComposerSetup{LineSetupFrom(Settings()), frameFormat_, stepMode_});
        if (s.HasVideo() && !s.FullScreenVideo())
            composer_->FitPictureAreaToVideo(player_->VideoWidth(), player_->VideoHeight());
        player_->SetDisplayRect({width + 100, height + 100, width + 200, height + 200});
        controls_->ShowSpeedPanel(player_->CanChangeRate());
    } else {
        App().MessageBox(Translate("There was an error starting the media for this karaoke") + "\r\n" +
                             player_->TakeLastError(),
                         Translate("Error"), mb::Ok | mb::IconWarning);
        state_ = pstate::Closing;
    }
    PlaceFrameCounter();
}

void TPlaybackWnd::SetFramePixelFormat() {
    const QScreen* screen = this->screen();
    frameFormat_ = PixelFormatForGraphicsMode(Settings().GraphicsMode, screen ? screen->depth() : 24);
    title_->SetPixelFormat(frameFormat_);
}

void TPlaybackWnd::PlaceFrameCounter() {
    fc_->setVisible(Settings().Framerate);
    const int32_t margin = composer_ ? composer_->EndEarlyMargin() : Settings().EndEarlyMin;
    fc_->setText(StatisticsText(0, 0, FrameBitDepth(), 1, margin));
    fc_->adjustSize();
    fc_->resize(std::max(fc_->width(), 420), fc_->height());
    fc_->move(width() - fc_->width() - 8, height() - fc_->height() - 8);
}

void TPlaybackWnd::StarterTimer() {
    starter_.stop();
    inStep_ = true;
    try {
        RunState();
    } catch (...) {
        // A failed step is tried again at the next firing.
    }
    inStep_ = false;
    if (modalResult_ != NoResult) {
        EndModal();
        return;
    }
    if (modalLoop_)
        starter_.start();
}

void TPlaybackWnd::RunState() {
    switch (state_) {
    case pstate::ShowingScreen: ShowingScreenStep(); break;
    case pstate::WaitAfterFade:
        if (clicked_)
            state_ = pstate::PreparingTitle;
        break;
    case pstate::PreparingTitle: PreparingTitleStep(); break;
    case pstate::ShowingTitle: ShowingTitleStep(); break;
    case pstate::WaitAfterTitle:
        if (clicked_)
            state_ = pstate::StartingMedia;
        break;
    case pstate::StartingMedia: StartingMediaStep(); break;
    case pstate::Playing: PlayingStep(); break;
    case pstate::Stepping: SteppingStep(); break;
    case pstate::Closing: ClosingStep(); break;
    default: break;
    }
}

void TPlaybackWnd::ShowingScreenStep() {
    TellControls(pstate::ShowingScreen);
    ShowStatus(Translate("Showing playback screen"));
    const int64_t start = PlaybackNow();
    SendEvent(extevent::ScreenAppears);
    ResetStatistics();
    int alpha = 0;
    do {
        const int64_t elapsed = PlaybackNow() - start;
        alpha = elapsed < 0 ? 0 : int(std::min<int64_t>(255, elapsed / 2));
        SetOpacity(alpha / 255.0);
        Yield();
        UpdateStatistics();
    } while (alpha < 255 && state_ == pstate::ShowingScreen);
    SetOpacity(1.0);
    if (state_ != pstate::ShowingScreen)
        return;
    if (Settings().DelayWait) {
        state_ = pstate::WaitAfterFade;
        TellControls(pstate::WaitAfterFade);
        clicked_ = false;
        ShowStatus(Translate("Waiting for you to click to continue"));
    } else {
        state_ = pstate::PreparingTitle;
    }
}

void TPlaybackWnd::PreparingTitleStep() {
    TellControls(pstate::PreparingTitle);
    ShowStatus(Translate("Preparing Title"));
    PrepareTitleForSong(*title_, *song_, true, width(), height());
    if (state_ == pstate::PreparingTitle)
        state_ = pstate::ShowingTitle;
}

void TPlaybackWnd::ShowingTitleStep() {
    TellControls(pstate::ShowingTitle);
    ShowStatus(Translate("Showing Karaoke Title"));
    titleDone_ = false;
    do {
        DrawState(false);
        UpdateStatistics();
        Yield();
    } while (!titleDone_ && state_ == pstate::ShowingTitle);
    DrawState(true);
    player_->SetDisplayRect({-100, -100, -99, -99});
    if (state_ != pstate::ShowingTitle)
        return;
    if (stepMode_) {
        state_ = pstate::Stepping;
        TellControls(pstate::Stepping);
        ShowStatus(Translate("Click to advance a line in the song"));
        DrawState(true);
    } else if (Settings().TitleClickWait) {
        state_ = pstate::WaitAfterTitle;
        clicked_ = false;
        TellControls(pstate::WaitAfterTitle);
        ShowStatus(Translate("Waiting for you to click to continue"));
    } else {
        state_ = pstate::StartingMedia;
    }
}

void TPlaybackWnd::StartingMediaStep() {
    TellControls(pstate::StartingMedia);
    ShowStatus(Translate("Starting media") + "...");
    const tSongSettings& s = song_->SongSettings;
    if (s.FullScreenVideo() || s.HasVideo()) {
        const tMyRect area = composer_->PictureArea();
        player_->SetDisplayRect({area.Left, area.Top, area.Right, area.Bottom});
    }
    SendEvent(extevent::SongStarts);
    player_->Play();
    player_->SetPlaybackCursor();
    if (startTime_ > 0) {
        player_->SetPosition(startTime_);
        player_->Play();
    }
    player_->FocusDisplay();
    ShowStatus(Translate("Playing Karaoke") + "...");
    state_ = pstate::Playing;
}

void TPlaybackWnd::PlayingStep() {
    TellControls(pstate::Playing);
    DrawState(true);
    ResetStatistics();
    player_->FocusDisplay();
    do {
        DrawState(false);
        if (!player_->IsPlaying())
            state_ = pstate::Closing;
        const int length = player_->GetLength();
        const int position = player_->GetPosition();
        controls_->SetTimeText(PlaybackTimeText(position, length));
        controls_->SetProgress(length, position);
        Yield();
        UpdateStatistics();
    } while (state_ == pstate::Playing);
    if (player_->IsPlaying())
        lastPosition_ = player_->GetPosition();
}

void TPlaybackWnd::SteppingStep() {
    if (stepRequested_) {
        stepRequested_ = false;
        composer_->StepAllParts();
        auto& renderers = composer_->Renderers();
        for (size_t part = 0; part < renderers.size(); ++part) {
            const tLyricsData* lyrics = song_->GetPart(int(part));
            const int lineCount = lyrics ? lyrics->LineCount() : 0;
            controls_->SetProgress(lineCount, renderers[part]->ShownLine());
            if (renderers[part]->ShownLine() >= lineCount)
                state_ = pstate::Closing;
        }
    }
    DrawState(false);
}

void TPlaybackWnd::ClosingStep() {
    TellControls(pstate::Closing);
    ShowStatus(Translate("Closing") + "...");
    SendEvent(extevent::SongStops);
    player_->Stop();
    player_->CloseCurrent();
    ShowStatus(Translate("Closing Playback Window") + "...");
    SetModalResult(skipRequested_ ? ResultIgnore : stopRequested_ ? ResultCancel : ResultOk);
    state_ = pstate::Finished;
}

int32_t TPlaybackWnd::MediaTimeForDrawing() {
    if (stepMode_)
        return kStepModeTime;
    // The last position read stays the drawing time once the medium has ended, so the frame
    // drawn in the moment the player stops still shows the song's end rather than its start.
    if (player_->IsPlaying())
        lastPosition_ = player_->GetPosition();
    return lastPosition_;
}

void TPlaybackWnd::DrawState(bool full) {
    if (state_ <= pstate::WaitAfterTitle) {
        titleChanges_.Clear();
        titleDone_ = title_->Step(titleFrame_, full, state_ == pstate::ShowingTitle, &titleChanges_);
        Present(titleFrame_, titleChanges_, full);
        return;
    }
    if (!composer_)
        return;
    tComposerInput input;
    input.mediaTime = MediaTimeForDrawing();
    input.full = full;
    const tChangesList& changes = composer_->Compose(input);
    Present(composer_->Frame(), changes, full || composer_->LastWasFull());
    if (OnFramePresented)
        OnFramePresented(input.mediaTime);
    if (!stepMode_)
        composer_->PrepareWantedLines();
}

void TPlaybackWnd::Present(const Bitmap& source, const tChangesList& changes, bool full) {
    shown_ = &source;
    if (full) {
        repaint();
        return;
    }
    QRegion region;
    for (const tMyRect& r : changes)
        if (!r.IsEmpty())
            region += QtRect(r);
    if (!region.isEmpty())
        repaint(region);
}

void TPlaybackWnd::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QImage image = shown_ ? ImageOf(*shown_) : QImage();
    const QColor background = QtColour(song_ ? tColour(song_->SongSettings.BackgroundColour()) : 0);
    for (const QRect& rect : event->region()) {
        if (image.isNull()) {
            painter.fillRect(rect, background);
            continue;
        }
        painter.drawImage(rect.topLeft(), image, rect);
        // Parts of the window beyond the frame (the window grew) show the background colour.
        const QRegion outside = QRegion(rect) - QRegion(image.rect());
        for (const QRect& rest : outside)
            painter.fillRect(rest, background);
    }
}

void TPlaybackWnd::Command(int command) {
    if (state_ > pstate::Stepping)
        return;
    switch (command) {
    case playback_command::Play:
        player_->Play();
        controls_->ShowState(state_);
        break;
    case playback_command::Pause:
        player_->PauseResume();
        controls_->ShowState(kPausedState);
        break;
    case playback_command::Stop:
        stopRequested_ = true;
        skipRequested_ = false;
        state_ = pstate::Closing;
        SetModalResult(ResultCancel);
        break;
    case playback_command::Skip:
        skipRequested_ = true;
        stopRequested_ = false;
        state_ = pstate::Closing;
        SetModalResult(ResultIgnore);
        break;
    case playback_command::Faster: ChangeRate(true); break;
    case playback_command::Slower: ChangeRate(false); break;
    case playback_command::Continue:
        if (state_ == pstate::WaitAfterFade)
            state_ = pstate::PreparingTitle;
        else if (state_ == pstate::WaitAfterTitle)
            state_ = pstate::StartingMedia;
        break;
    case playback_command::Step: stepRequested_ = true; break;
    case playback_command::Rewind:
        if (state_ == pstate::Playing)
            Rewind();
        break;
    default: break;
    }
}

void TPlaybackWnd::ChangeRate(bool faster) {
    player_->SetRate(NextRate(player_->GetRate(), faster));
    controls_->SetSpeedText(SpeedText(player_->GetRate()));
}

void TPlaybackWnd::Rewind() {
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

void TPlaybackWnd::HandleKey(QKeyEvent* event) {
    const Qt::KeyboardModifiers held =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    // With Shift, Ctrl or Alt held the key can only be a sound effect: the sound-effect editor
    // allows shortcuts such as Shift+Up, which must not also change the speed.
    const tKeyAction action = held ? tKeyAction::None : KeyActionOf(event->key());
    switch (action) {
    case tKeyAction::Enter:
        if (state_ < pstate::Stepping)
            Command(EnterCommandFor(controls_->ShownState()));
        else if (state_ == pstate::Stepping)
            stepRequested_ = true;
        break;
    case tKeyAction::Stop: Command(playback_command::Stop); break;
    case tKeyAction::Skip:
        if (batchMode_)
            Command(playback_command::Skip);
        break;
    case tKeyAction::Rewind: Command(playback_command::Rewind); break;
    case tKeyAction::Faster: Command(playback_command::Faster); break;
    case tKeyAction::Slower: Command(playback_command::Slower); break;
    case tKeyAction::None: PlaySoundEffect(event); break;
    }
}

void TPlaybackWnd::PlaySoundEffect(QKeyEvent* event) {
    const Qt::KeyboardModifiers m = event->modifiers();
    const uint16_t shortcut =
        ShortcutOfKey(event->key(), m & Qt::ShiftModifier, m & Qt::ControlModifier, m & Qt::AltModifier);
    if (shortcut == 0)
        return;
    for (const tSoundEffect& effect : Settings().SoundEffects) {
        if (effect.Shortcut != shortcut)
            continue;
        if (!soundEffects_)
            soundEffects_ = std::make_unique<tSoundEffectPlayer>();
        soundEffects_->Play(effect.FileName);
        return;
    }
}

void TPlaybackWnd::HandleClick() {
    clicked_ = true;
    if (state_ == pstate::Stepping)
        stepRequested_ = true;
}

void TPlaybackWnd::keyPressEvent(QKeyEvent* event) { HandleKey(event); }

void TPlaybackWnd::mousePressEvent(QMouseEvent*) { HandleClick(); }

void TPlaybackWnd::closeEvent(QCloseEvent* event) {
    // Closing while the performance runs ends it as the user's stop; the modal run then closes.
    event->ignore();
    if (modalLoop_ && modalResult_ == NoResult)
        SetModalResult(ResultCancel);
}

void TPlaybackWnd::SetModalResult(tModalResult result) {
    modalResult_ = result;
    // Inside a timer step the run ends once the step returns; elsewhere at once.
    if (!inStep_)
        EndModal();
}

void TPlaybackWnd::EndModal() {
    if (!modalLoop_)
        return;
    state_ = pstate::Closing; // commands from here on are ignored
    if (controls_->isVisible())
        controls_->close();
    else if (cursorHidden_) {
        unsetCursor();
        cursorHidden_ = false;
    }
    starter_.stop();
    modalLoop_->quit();
}

// Platforms without window opacity (offscreen, Wayland) show the window at once; asking them
// would only fill the log with warnings.
void TPlaybackWnd::SetOpacity(double opacity) {
    static const bool supported = [] {
        const QString platform = QGuiApplication::platformName();
        return platform != "offscreen" && platform != "minimal" && !platform.startsWith("wayland");
    }();
    if (supported)
        setWindowOpacity(opacity);
}

void TPlaybackWnd::ShowStatus(const QString& text) { controls_->ShowStatus(text); }

void TPlaybackWnd::TellControls(int state) { controls_->ShowState(state); }

void TPlaybackWnd::SendEvent(int event) { SendExternalEvent(Settings(), event); }

void TPlaybackWnd::Yield() {
    if (OnYield)
        OnYield();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (Settings().Mode) {
        const int sleeps = std::max(1, Settings().Priority);
        for (int i = 0; i < sleeps; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
    }
    PaceFrame();
}

// Waits, pumping events, until one display refresh has passed since the last frame began, so
// frames follow the display rather than the processor.
void TPlaybackWnd::PaceFrame() {
    if (const QScreen* screen = this->screen(); screen && screen->refreshRate() >= 20)
        frameIntervalUs_ = 1e6 / screen->refreshRate();
    const int64_t due = lastFrameStart_ + int64_t(frameIntervalUs_);
    int64_t now = SteadyMicroseconds();
    while (now < due) {
        std::this_thread::sleep_for(std::chrono::microseconds(std::min<int64_t>(due - now, 1000)));
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        now = SteadyMicroseconds();
    }
    // A frame that ran late starts the next interval now instead of trying to catch up.
    lastFrameStart_ = now - due < int64_t(frameIntervalUs_) ? due : now;
}

void TPlaybackWnd::ResetStatistics() {
    framesSinceUpdate_ = 0;
    statsStart_ = PlaybackNow();
}

void TPlaybackWnd::UpdateStatistics() {
    ++framesSinceUpdate_;
    const int32_t prep = composer_ ? composer_->AveragePrepTime() : 1;
    if (composer_)
        composer_->UpdateEndEarlyMargin();
    if (!Settings().Framerate || framesSinceUpdate_ <= 10)
        return;
    const int64_t now = PlaybackNow();
    const int64_t elapsed = now - statsStart_;
    if (elapsed > 0) {
        const int fps = int(framesSinceUpdate_ * 1000 / elapsed);
        const int32_t margin = composer_ ? composer_->EndEarlyMargin() : Settings().EndEarlyMin;
        fc_->setText(StatisticsText(fps, lastFps_, FrameBitDepth(), prep, margin));
        lastFps_ = fps;
    }
    framesSinceUpdate_ = 0;
    statsStart_ = now;
}

} // namespace lyrimo
