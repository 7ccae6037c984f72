#include "media/backends/vlc_player.h"

#include "app/app_services.h"
#include "media/engine_output.h"
#include "media/player_catalog.h"
#include "media/video_window.h"

#include <QFile>
#include <QFileInfo>

#include <vlc/vlc.h>

extern "C" {
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace lyrimo {
namespace {

using tClock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Bounds of the waits for VLC: a file it cannot read fails within a few seconds.
constexpr milliseconds kOpenWait{5000};
constexpr milliseconds kTracksWait{1000};
constexpr milliseconds kSeekWait{1000};
constexpr milliseconds kPictureWait{400};
constexpr milliseconds kPictureSettle{80};
constexpr milliseconds kPollStep{2};
// Smaller display rectangles only park the display out of sight; pictures keep their size.
constexpr int kSmallestTarget = 16;
// The null sink never waits longer than this for a block's time (a stop must not hang on it).
constexpr int64_t kLongestSoundWaitUs = 500000;

struct tVlcEngine {
    libvlc_instance_t* instance = nullptr;
    ~tVlcEngine() {
        if (instance)
            libvlc_release(instance);
    }
};

// One instance for the process: starting libVLC loads its plugins, which takes a while.
libvlc_instance_t* Engine() {
    static const tVlcEngine engine = [] {
        std::vector<const char*> arguments = {"--quiet", "--no-video-title-show", "--no-xlib", "--no-stats",
                                              "--no-sub-autodetect-file"};
        if (NullAudioOutputRequested())
            arguments.push_back("--aout=adummy");
        return tVlcEngine{libvlc_new(static_cast<int>(arguments.size()), arguments.data())};
    }();
    return engine.instance;
}

QString EngineMessage() {
    const char* message = libvlc_errmsg();
    return message && *message ? QString::fromUtf8(message) : QString();
}

template <typename tDone>
bool WaitFor(milliseconds limit, tDone done) {
    const auto deadline = tClock::now() + limit;
    while (!done()) {
        if (tClock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(kPollStep);
    }
    return true;
}

// How far VLC's announced time runs ahead of the sound heard, in ms: the time is its demuxer's,
// which reads ahead by about a block of its own, and so depends on the container. Measured with
// VLC 3.0 by the VLC player benchmark (announced time against the time of the sound heard).
double ReportLeadMs(const QString& fileName) {
    static const std::pair<const char*, double> kLeads[] = {{"wav", 49},  {"mp3", 71}, {"mp4", 19},
                                                            {"m4a", 19},  {"mov", 19}, {"mkv", 1},
                                                            {"webm", 60}, {"avi", 91}};
    const QString extension = QFileInfo(fileName).suffix().toLower();
    for (const auto& [name, lead] : kLeads)
        if (extension == name)
            return lead;
    return tVlcPlayer::kReportLeadMs;
}

} // namespace

// What one open file shares with VLC's threads. Everything below the mutex is guarded by it;
// the flags are set by VLC's events.
struct tVlcPlayer::tSession {
    libvlc_media_t* media = nullptr;
    libvlc_media_player_t* player = nullptr;
    SwsContext* scaler = nullptr;

    bool wantsPictures = false; // a video window was given
    std::atomic<bool> playing{false};
    std::atomic<bool> failed{false};
    std::atomic<bool> ended{false};
    std::atomic<int> buffered{0}; // times VLC finished filling its buffers (after a start or seek)
    std::atomic<int64_t> pictures{0};
    std::atomic<int64_t> changes{0}; // pictures unlike the one before (VLC repeats a paused one)
    std::atomic<int64_t> length{0};

    std::mutex mutex;
    bool hasReport = false;
    double reportMs = 0;
    tClock::time_point reportTime{};
    // VLC draws into `drawing`; a finished picture is copied to `newest`.
    std::vector<uint32_t> drawing;
    std::vector<uint32_t> newest;
    int pictureWidth = 0;
    int pictureHeight = 0;
    bool fresh = false;
    tHeardObserver heard;
    int soundRate = 0;
    int soundChannels = 0;

    ~tSession() {
        if (player) {
            libvlc_media_player_stop(player); // waits for VLC's threads to let go
            libvlc_media_player_release(player);
        }
        if (media)
            libvlc_media_release(media);
        sws_freeContext(scaler);
    }
};

namespace {

using tSession = tVlcPlayer::tSession;

void OnEvent(const libvlc_event_t* event, void* data) {
    auto* session = static_cast<tSession*>(data);
    switch (event->type) {
    case libvlc_MediaPlayerPlaying: session->playing = true; break;
    case libvlc_MediaPlayerEncounteredError: session->failed = true; break;
    case libvlc_MediaPlayerEndReached: session->ended = true; break;
    case libvlc_MediaPlayerBuffering:
        if (event->u.media_player_buffering.new_cache >= 100.f)
            ++session->buffered;
        break;
    case libvlc_MediaPlayerLengthChanged:
        session->length = event->u.media_player_length_changed.new_length;
        break;
    case libvlc_MediaPlayerTimeChanged: {
        const auto now = tClock::now();
        std::lock_guard lock(session->mutex);
        session->hasReport = true;
        session->reportMs = static_cast<double>(event->u.media_player_time_changed.new_time);
        session->reportTime = now;
        break;
    }
    default: break;
    }
}

constexpr libvlc_event_e kEvents[] = {libvlc_MediaPlayerPlaying,       libvlc_MediaPlayerEncounteredError,
                                      libvlc_MediaPlayerEndReached,    libvlc_MediaPlayerBuffering,
                                      libvlc_MediaPlayerLengthChanged, libvlc_MediaPlayerTimeChanged};

struct tTracks {
    bool sound = false;
    bool video = false;
    int width = 0; // display size of the first video track
    int height = 0;
};

tTracks TracksOf(libvlc_media_t* media) {
    tTracks found;
    libvlc_media_track_t** tracks = nullptr;
    const unsigned count = libvlc_media_tracks_get(media, &tracks);
    for (unsigned i = 0; i < count; ++i) {
        const libvlc_media_track_t* track = tracks[i];
        if (track->i_type == libvlc_track_audio)
            found.sound = true;
        if (track->i_type != libvlc_track_video || found.video || !track->video)
            continue;
        int64_t width = track->video->i_width;
        const int64_t height = track->video->i_height;
        if (track->video->i_sar_num > 0 && track->video->i_sar_den > 0)
            width = width * track->video->i_sar_num / track->video->i_sar_den;
        if (PictureSizeAllowed(width, height)) {
            found.video = true;
            found.width = int(width);
            found.height = int(height);
        }
    }
    if (count > 0)
        libvlc_media_tracks_release(tracks, count);
    return found;
}

// VLC's video output asks for a buffer: 32-bit RGB at the video's natural size, which VLC scales
// its pictures to (its own size may include the decoder's padding).
unsigned SetUpPictures(void** opaque, char* chroma, unsigned* width, unsigned* height, unsigned* pitches,
                       unsigned* lines) {
    auto* session = static_cast<tSession*>(*opaque);
    const tTracks tracks = TracksOf(session->media);
    int w = tracks.video ? tracks.width : int(*width);
    int h = tracks.video ? tracks.height : int(*height);
    if (!PictureSizeAllowed(w, h))
        return 0;
    std::memcpy(chroma, "RV32", 4);
    *width = unsigned(w);
    *height = unsigned(h);
    pitches[0] = unsigned(w) * 4;
    lines[0] = unsigned(h);
    std::lock_guard lock(session->mutex);
    session->drawing.assign(size_t(w) * size_t(h), 0);
    session->pictureWidth = w;
    session->pictureHeight = h;
    session->fresh = false;
    return 1;
}

void* LockPicture(void* opaque, void** planes) {
    auto* session = static_cast<tSession*>(opaque);
    planes[0] = session->drawing.data(); // only VLC's video thread touches it between setups
    return nullptr;
}

void ShowPicture(void* opaque, void*) {
    auto* session = static_cast<tSession*>(opaque);
    {
        std::lock_guard lock(session->mutex);
        if (session->newest != session->drawing) {
            session->newest = session->drawing;
            ++session->changes;
        }
        session->fresh = true;
    }
    ++session->pictures;
}

int SetUpSound(void** opaque, char* format, unsigned* rate, unsigned* channels) {
    auto* session = static_cast<tSession*>(*opaque);
    std::memcpy(format, "S16N", 4);
    std::lock_guard lock(session->mutex);
    session->soundRate = int(*rate);
    session->soundChannels = int(*channels);
    return 0;
}

// The null sink: each block is taken when it is due, as a sound card would play it.
void HearSound(void* opaque, const void* samples, unsigned count, int64_t pts) {
    auto* session = static_cast<tSession*>(opaque);
    const int64_t wait = std::clamp<int64_t>(libvlc_delay(pts), 0, kLongestSoundWaitUs);
    if (wait > 0)
        std::this_thread::sleep_for(std::chrono::microseconds(wait));
    std::lock_guard lock(session->mutex);
    if (session->heard)
        session->heard({tClock::now(), static_cast<const int16_t*>(samples), int(count),
                        session->soundChannels, session->soundRate});
}

void ForgetSound(void* opaque, int64_t) {
    auto* session = static_cast<tSession*>(opaque);
    std::lock_guard lock(session->mutex);
    if (session->heard)
        session->heard({tClock::now(), nullptr, 0, session->soundChannels, session->soundRate});
}

} // namespace

tVlcPlayer::tVlcPlayer() { SetExtensions(BackendExtensions(Settings().UseFileExtensionsQT)); }

tVlcPlayer::~tVlcPlayer() { Close(); }

bool tVlcPlayer::EngineWorks() { return Engine() != nullptr; }

uint8_t tVlcPlayer::PlayerID() { return player::QuickTime; }

bool tVlcPlayer::IsAvailable() { return EngineWorks(); }

void tVlcPlayer::SetHeardObserver(tHeardObserver observer) {
    heardObserver_ = std::move(observer);
    if (session_) {
        std::lock_guard lock(session_->mutex);
        session_->heard = heardObserver_;
    }
}

bool tVlcPlayer::OpenFile(const QString& fileName, tVideoWindow* window, int32_t) {
    Close();
    QString reason;
    if (!Start(fileName, window, reason)) {
        session_.reset();
        window_ = nullptr;
        SetLastError(Translate("Error opening file") + ": VLC: " + reason);
        return false;
    }
    SetLastError({});
    reportLeadMs_ = ReportLeadMs(fileName);
    clock_.Reset(0);
    rate_ = 1.0;
    clock_.SetRate(1.0, tClock::now());
    started_ = paused_ = ended_ = awaitingSeek_ = false;
    RefreshDisplay();
    return true;
}

bool tVlcPlayer::Start(const QString& fileName, tVideoWindow* window, QString& reason) {
    const bool withVideo = window != nullptr;
    libvlc_instance_t* engine = Engine();
    if (!engine) {
        reason = Translate("the engine could not be started (are its plugins installed?)");
        return false;
    }
    if (!QFileInfo(fileName).isFile()) {
        reason = Translate("the file does not exist");
        return false;
    }
    session_ = std::make_unique<tSession>();
    tSession& s = *session_;
    s.heard = heardObserver_;
    s.media = libvlc_media_new_path(engine, QFile::encodeName(fileName).constData());
    if (s.media) {
        if (!withVideo)
            libvlc_media_add_option(s.media, ":no-video");
        s.player = libvlc_media_player_new_from_media(s.media);
    }
    if (!s.player) {
        reason = EngineMessage();
        if (reason.isEmpty())
            reason = Translate("the file could not be handed to the engine");
        return false;
    }
    libvlc_event_manager_t* events = libvlc_media_player_event_manager(s.player);
    for (libvlc_event_e event : kEvents)
        libvlc_event_attach(events, event, OnEvent, &s);
    if (withVideo) {
        s.wantsPictures = true;
        libvlc_video_set_callbacks(s.player, LockPicture, nullptr, ShowPicture, &s);
        libvlc_video_set_format_callbacks(s.player, SetUpPictures, nullptr);
    }
    if (NullAudioOutputRequested()) {
        libvlc_audio_set_callbacks(s.player, HearSound, nullptr, nullptr, ForgetSound, nullptr, &s);
        libvlc_audio_set_format_callbacks(s.player, SetUpSound, nullptr);
    }
    if (!StartPaused(reason))
        return false;

    // The tracks are known once the file plays; a file of other bytes may "play" with none.
    tTracks tracks;
    WaitFor(kTracksWait, [&] {
        tracks = TracksOf(s.media);
        return tracks.sound || tracks.video || s.ended || s.failed;
    });
    if (!tracks.sound && !tracks.video) {
        reason = Translate("the file holds no sound or pictures the engine can play");
        return false;
    }
    if (withVideo && tracks.video) {
        window_ = window;
        window_->Clear();
    }
    SeekTo(0);
    lengthMs_ = int(std::clamp<int64_t>(libvlc_media_player_get_length(s.player), 0, INT_MAX));
    if (lengthMs_ == 0)
        lengthMs_ = int(std::clamp<int64_t>(libvlc_media_get_duration(s.media), 0, INT_MAX));
    return true;
}

bool tVlcPlayer::StartPaused(QString& reason) {
    tSession& s = *session_;
    s.playing = s.failed = s.ended = false;
    libvlc_audio_set_mute(s.player, 1);
    if (libvlc_media_player_play(s.player) != 0) {
        reason = EngineMessage();
        if (reason.isEmpty())
            reason = Translate("the engine could not start the file");
        return false;
    }
    const int64_t pictures = s.pictures;
    const bool answered = WaitFor(kOpenWait, [&] { return s.playing || s.failed || s.ended; });
    if (answered && s.wantsPictures) {
        // Paused before its first picture, VLC's video output shows none until played on.
        WaitFor(kTracksWait, [&] {
            if (s.pictures > pictures || s.failed || s.ended)
                return true;
            const tTracks tracks = TracksOf(s.media);
            return (tracks.sound || tracks.video) && !tracks.video;
        });
    }
    libvlc_media_player_set_pause(s.player, 1);
    if (s.pictures > pictures)
        SettlePictures(s.changes, kPictureSettle);
    libvlc_audio_set_mute(s.player, 0);
    if (!answered)
        reason = Translate("the engine did not open the file in time");
    else if (s.failed || !s.playing)
        reason = Translate("the file is not a media file the engine can play");
    else
        return true;
    return false;
}

bool tVlcPlayer::Revive() {
    tSession& s = *session_;
    libvlc_media_player_stop(s.player);
    QString reason;
    if (!StartPaused(reason))
        return false;
    ended_ = false;
    return true;
}

void tVlcPlayer::SeekTo(int rawMs) {
    tSession& s = *session_;
    const int buffered = s.buffered;
    const int64_t changes = s.changes;
    libvlc_media_player_set_time(s.player, rawMs);
    WaitFor(kSeekWait, [&] { return s.buffered > buffered || s.failed || s.ended; });
    // The picture at the target comes once VLC has decoded up to it; before it VLC may still show
    // pictures it had queued, and it repeats the paused one.
    if (window_)
        SettlePictures(changes, kPictureWait);
    std::lock_guard lock(s.mutex);
    s.hasReport = false;
}

void tVlcPlayer::Close() {
    if (window_)
        window_->Clear();
    window_ = nullptr;
    session_.reset();
    lengthMs_ = 0;
    started_ = paused_ = ended_ = awaitingSeek_ = false;
    clock_.Reset(0);
}

void tVlcPlayer::TakeReports() {
    tSession& s = *session_;
    const int64_t length = s.length;
    if (length > 0)
        lengthMs_ = int(std::min<int64_t>(length, INT_MAX));
    if (s.ended && !ended_) {
        ended_ = true;
        started_ = paused_ = false;
        clock_.Reset(lengthMs_);
    }
    double reportMs = 0;
    tClock::time_point reportTime;
    {
        std::lock_guard lock(s.mutex);
        if (!s.hasReport)
            return;
        s.hasReport = false;
        reportMs = s.reportMs;
        reportTime = s.reportTime;
    }
    if (!clock_.IsRunning() || ended_)
        return;
    if (awaitingSeek_) {
        if (reportMs < seekTarget_ - 100 || reportMs > seekTarget_ + 2000)
            return;
        awaitingSeek_ = false;
    }
    clock_.Observe(std::max(reportMs - reportLeadMs_, 0.0), reportTime);
}

int tVlcPlayer::RawPosition() {
    TakeReports();
    double ms = clock_.Position(tClock::now());
    if (lengthMs_ > 0)
        ms = std::min(ms, double(lengthMs_));
    return int(std::clamp(ms, 0.0, double(INT_MAX)));
}

int tVlcPlayer::TrackCount() { return session_ ? 1 : 0; }

int tVlcPlayer::GetPosition() { return session_ ? TimingCorrection().CorrectedTime(RawPosition()) : 0; }

int tVlcPlayer::GetLength() {
    if (!session_)
        return 0;
    TakeReports();
    return TimingCorrection().CorrectedTime(lengthMs_);
}

void tVlcPlayer::HoldPlayback() {
    if (!started_ || paused_ || ended_)
        return;
    libvlc_media_player_set_pause(session_->player, 1);
    clock_.Hold(tClock::now());
    paused_ = true;
    if (window_)
        SettlePictures(session_->changes, kPictureSettle); // the pictures VLC had queued come out
}

bool tVlcPlayer::SettlePictures(int64_t since, std::chrono::milliseconds firstWait) {
    tSession& s = *session_;
    int64_t changes = since;
    if (!WaitFor(firstWait, [&] { return s.changes > changes; }))
        return false;
    do
        changes = s.changes;
    while (WaitFor(kPictureSettle, [&] { return s.changes > changes; }));
    return true;
}

void tVlcPlayer::SetPosition(int ms) {
    if (!session_)
        return;
    TakeReports();
    int target = std::max(TimingCorrection().CorrectedSeekTarget(ms), 0);
    if (lengthMs_ > 0)
        target = std::min(target, lengthMs_);
    if (ended_ && !Revive())
        return;
    HoldPlayback();
    SeekTo(target);
    clock_.Reset(target);
    awaitingSeek_ = true;
    seekTarget_ = target;
    RefreshDisplay();
}

void tVlcPlayer::Play() {
    if (!session_)
        return;
    TakeReports();
    if (ended_)
        return; // at the end already: it ends at once
    libvlc_media_player_set_pause(session_->player, 0);
    started_ = true;
    paused_ = false;
    clock_.Run(tClock::now() + milliseconds(kStartDelayMs));
}

void tVlcPlayer::PauseResume() {
    if (!session_)
        return;
    TakeReports();
    if (paused_) {
        Play();
        return;
    }
    if (ended_)
        return;
    if (!started_) {
        started_ = true;
        paused_ = true;
        return;
    }
    HoldPlayback();
}

void tVlcPlayer::Stop() {
    if (!session_)
        return;
    TakeReports();
    if (ended_ && !Revive())
        return;
    HoldPlayback();
    SeekTo(0);
    started_ = paused_ = awaitingSeek_ = false;
    clock_.Reset(0);
    RefreshDisplay();
}

bool tVlcPlayer::IsPlaying() {
    if (!session_)
        return false;
    TakeReports();
    return started_ && !ended_;
}

bool tVlcPlayer::IsPaused() { return session_ && started_ && paused_ && !ended_; }

void tVlcPlayer::SetRate(double rate) {
    if (!session_ || !std::isfinite(rate) || rate <= 0)
        return;
    rate_ = std::clamp(rate, kMinRate, kMaxRate);
    TakeReports();
    libvlc_media_player_set_rate(session_->player, float(rate_));
    clock_.SetRate(rate_, tClock::now());
}

double tVlcPlayer::GetRate() { return session_ ? rate_ : 1.0; }

int tVlcPlayer::VideoWidth() {
    if (!session_ || !window_)
        return 0;
    std::lock_guard lock(session_->mutex);
    return session_->pictureWidth;
}

int tVlcPlayer::VideoHeight() {
    if (!session_ || !window_)
        return 0;
    std::lock_guard lock(session_->mutex);
    return session_->pictureHeight;
}

void tVlcPlayer::SetDisplayRect(const tDisplayRect& rect) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width < kSmallestTarget || height < kSmallestTarget)
        return;
    display_ = rect;
    hasDisplayRect_ = true;
}

void tVlcPlayer::RefreshDisplay() {
    if (!session_ || !window_)
        return;
    tSession& s = *session_;
    std::unique_lock lock(s.mutex);
    if (!s.fresh || s.pictureWidth <= 0 || s.pictureHeight <= 0)
        return;
    s.fresh = false;
    const int width = s.pictureWidth;
    const int height = s.pictureHeight;
    int targetWidth = width;
    int targetHeight = height;
    if (hasDisplayRect_) {
        targetWidth = display_.right - display_.left;
        targetHeight = display_.bottom - display_.top;
        FitInto(width, height, targetWidth, targetHeight);
    }
    Bitmap picture = std::move(spare_);
    if (picture.Width() != targetWidth || picture.Height() != targetHeight ||
        picture.Format() != tPixelFormat::Bits32)
        picture = Bitmap(targetWidth, targetHeight, tPixelFormat::Bits32);
    if (picture.IsEmpty())
        return;
    if (targetWidth == width && targetHeight == height) {
        for (int y = 0; y < height; ++y) {
            const uint32_t* from = s.newest.data() + size_t(y) * size_t(width);
            uint32_t* to = picture.Row32(y);
            for (int x = 0; x < width; ++x)
                to[x] = from[x] & 0xFFFFFF;
        }
    } else {
        s.scaler = sws_getCachedContext(s.scaler, width, height, AV_PIX_FMT_0RGB32, targetWidth, targetHeight,
                                        AV_PIX_FMT_0RGB32, SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (!s.scaler)
            return;
        const uint8_t* source[4] = {reinterpret_cast<const uint8_t*>(s.newest.data()), nullptr, nullptr,
                                    nullptr};
        const int sourceStrides[4] = {width * 4, 0, 0, 0};
        uint8_t* planes[4] = {picture.Row(0), nullptr, nullptr, nullptr};
        const int strides[4] = {picture.Stride(), 0, 0, 0};
        sws_scale(s.scaler, source, sourceStrides, 0, height, planes, strides);
        for (int y = 0; y < targetHeight; ++y) {
            uint32_t* row = picture.Row32(y);
            for (int x = 0; x < targetWidth; ++x)
                row[x] &= 0xFFFFFF;
        }
    }
    lock.unlock();
    spare_ = window_->Show(std::move(picture), RawPosition());
}

} // namespace lyrimo
