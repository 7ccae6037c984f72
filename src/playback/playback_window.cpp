#include "playback/playback_window.h"

#include "app/app_services.h"
#include "document/song.h"
#include "document/song_loading.h"
#include "media/media_player.h"
#include "media/sound_effect_player.h"
#include "playback/monitors.h"
#include "playback/playback_controls.h"
#include "playback/playback_rules.h"

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
    // Closed by the window manager while a menu window is hidden, it may be the last window; the
    // program goes on after the performance all the same.
    setAttribute(Qt::WA_QuitOnClose, false);

    controls_ = std::make_unique<TPlaybackControls>();
    controls_->OnCommand = [this](tPlaybackCommand command) { Command(command); };
    controls_->OnKey = [this](QKeyEvent* event) { HandleKey(event); };
    controls_->ShowSpeedPanel(false);
    controls_->ShowKeyPanel(false);

    auto player = PlayerFactory() ? PlayerFactory()() : std::make_unique<tMyMediaPlayer>();
    tPlaybackView& view = *this;
    session_ = std::make_unique<tPlaybackSession>(view, std::move(player), &PlaybackNow);

    fc_ = new QLabel(this);
    fc_->setStyleSheet("QLabel { color: white; font-weight: bold; background: black; border: 1px solid red; "
                       "padding: 2px; }");
    fc_->hide();

    starter_.setInterval(80);
    connect(&starter_, &QTimer::timeout, this, &TPlaybackWnd::StarterTimer);

    if (WindowHook())
        WindowHook()(*this);
}

TPlaybackWnd::~TPlaybackWnd() { starter_.stop(); }

int TPlaybackWnd::Perform(tLyrimoData& song, int32_t startTime, bool stepMode, bool batchMode) {
    RefreshMonitorRoles();
    session_->Begin(song, startTime, stepMode, batchMode);
    CoverRole(this, monitor_role::Play);
    controls_->SetBatchMode(batchMode);

    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
    Showing();
    starter_.start();

    QEventLoop loop;
    modalLoop_ = &loop;
    if (!session_->HasResult())
        loop.exec();
    else
        EndRun();
    modalLoop_ = nullptr;

    starter_.stop();
    const tPlayResult result = session_->Finish();
    hide();
    controls_->hide();
    return int(result);
}

// The first showing: the window's look, the song's details on the controls, then the session
// prepares the title, opens the media and makes its frame composer.
void TPlaybackWnd::Showing() {
    tLyrimoData& song = *session_->Song();
    const tSongSettings& s = song.SongSettings;
    CoverRole(this, monitor_role::Play);
    setLayoutDirection(s.RightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);

    controls_->SetSongDetails(SongDetailText(song, song.AlbumName(), song.WideAlbumName()),
                              SongDetailText(song, song.ArtistName(), song.WideArtistName()),
                              SongDetailText(song, song.SongName(), song.WideSongName()),
                              SongDetailText(song, song.SongYear(), song.WideSongYear()));
    controls_->SetPlayerLine(Translate("Unknown at present") + "...");
    const bool controlsHidden = SameMonitor(monitor_role::Play, monitor_role::Control);
    session_->SetControlsHidden(controlsHidden);
    if (controlsHidden) {
        setCursor(Qt::BlankCursor);
        cursorHidden_ = true;
    } else {
        controls_->show();
    }

    const QScreen* screen = this->screen();
    session_->Open(width(), height(), screen ? screen->depth() : 24);
    PlaceFrameCounter();
}

void TPlaybackWnd::PlaceFrameCounter() {
    fc_->setVisible(Settings().Framerate);
    fc_->setText(session_->IdleStatisticsText());
    fc_->adjustSize();
    fc_->resize(std::max(fc_->width(), 420), fc_->height());
    fc_->move(width() - fc_->width() - 8, height() - fc_->height() - 8);
}

void TPlaybackWnd::StarterTimer() {
    starter_.stop();
    if (session_->Fire() && modalLoop_)
        starter_.start();
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
    const QColor background =
        QtColour(session_->Song() ? tColour(session_->Song()->SongSettings.BackgroundColour()) : 0);
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

void TPlaybackWnd::HandleKey(QKeyEvent* event) {
    // Most keyboards type "+" with Shift, so Shift counts as not held for it.
    const Qt::KeyboardModifiers shift = event->key() == Qt::Key_Plus ? Qt::NoModifier : Qt::ShiftModifier;
    const Qt::KeyboardModifiers held = event->modifiers() & (shift | Qt::ControlModifier | Qt::AltModifier);
    // With Shift, Ctrl or Alt held the key can only be a sound effect: the sound-effect editor
    // allows shortcuts such as Shift+Up, which must not also change the speed.
    const tKeyAction action = held ? tKeyAction::None : KeyActionOf(event->key());
    const tPlaybackState state = session_->State();
    switch (action) {
    case tKeyAction::Enter:
        if (state < tPlaybackState::Stepping)
            Command(EnterCommandFor(controls_->ShownState()));
        else if (state == tPlaybackState::Stepping)
            session_->RequestStep();
        break;
    case tKeyAction::Stop: Command(tPlaybackCommand::Stop); break;
    case tKeyAction::Skip:
        if (session_->BatchMode())
            Command(tPlaybackCommand::Skip);
        break;
    case tKeyAction::Rewind: Command(tPlaybackCommand::Rewind); break;
    case tKeyAction::Faster: Command(tPlaybackCommand::Faster); break;
    case tKeyAction::Slower: Command(tPlaybackCommand::Slower); break;
    case tKeyAction::KeyUp: Command(tPlaybackCommand::KeyUp); break;
    case tKeyAction::KeyDown: Command(tPlaybackCommand::KeyDown); break;
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

void TPlaybackWnd::keyPressEvent(QKeyEvent* event) { HandleKey(event); }

void TPlaybackWnd::mousePressEvent(QMouseEvent*) { HandleClick(); }

void TPlaybackWnd::closeEvent(QCloseEvent* event) {
    // Closing is allowed: while the performance runs it ends at once as the user's stop.
    event->accept();
    if (modalLoop_)
        session_->RequestClose();
}

void TPlaybackWnd::EndRun() {
    if (!modalLoop_)
        return;
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
void TPlaybackWnd::ShowState(tPlaybackState state) { controls_->ShowState(state); }
void TPlaybackWnd::ShowPlayerLine(const QString& text) { controls_->SetPlayerLine(text); }
void TPlaybackWnd::ShowSpeedPanel(bool visible) { controls_->ShowSpeedPanel(visible); }
void TPlaybackWnd::ShowTime(const QString& text) { controls_->SetTimeText(text); }
void TPlaybackWnd::ShowProgress(int maximum, int position) { controls_->SetProgress(maximum, position); }
void TPlaybackWnd::ShowSpeed(const QString& text) { controls_->SetSpeedText(text); }
void TPlaybackWnd::ShowKeyPanel(bool visible) { controls_->ShowKeyPanel(visible); }
void TPlaybackWnd::ShowKey(const QString& text) { controls_->SetKeyText(text); }
void TPlaybackWnd::ShowStatistics(const QString& text) { fc_->setText(text); }

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

} // namespace lyrimo
