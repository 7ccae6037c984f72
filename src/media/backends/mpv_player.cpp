#include "media/backends/mpv_player.h"

#include "app/app_services.h"
#include "app/cd_drives.h"
#include "media/engine_output.h"
#include "media/player_catalog.h"
#include "media/video_window.h"

#include <QFile>
#include <QFileInfo>

#include <cdio/cdio.h>
#include <mpv/client.h>
#include <mpv/render.h>

#include <algorithm>
#include <bit>
#include <clocale>
#include <cmath>
#include <limits>
#include <vector>

namespace lyrimo {
namespace {

using namespace std::chrono_literals;

// Bounds of the waits for mpv: opening reads and probes the file on mpv's own thread, a seek
// decodes up to the target.
constexpr auto kOpenTimeout = 5s;
constexpr auto kSeekTimeout = 3s;
// How long a seek or an open waits for mpv's video thread to hand over the picture there.
constexpr auto kPictureTimeout = 500ms;
// The longest an output holds sound made at an old rate.
constexpr auto kRateChangeLimit = 1s;
// With the key's filter in, the last sound may never be played out; a clock standing this long
// this close to the end is the end.
constexpr auto kStallAtTheEnd = 400ms;
constexpr double kKeptBackMs = 250;
// Smaller display rectangles only park the display out of sight; pictures keep their size.
constexpr int kSmallestTarget = 16;

// How often a wait looks for pictures to take, in seconds.
constexpr double kPictureServing = 0.002;

// The properties mpv reports the changes of, by the number they are observed with.
constexpr uint64_t kEofReached = 1;
constexpr uint64_t kIdleActive = 2;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The label of the filter that moves the key, and the filter at a pitch scale.
constexpr const char* kKeyFilter = "lyrkey";
QByteArray KeyFilter(double scale) {
    return QByteArray("@") + kKeyFilter +
           ":rubberband=formant=shifted:pitch-scale=" + QByteArray::number(scale, 'f', 6);
}

QString EngineReason(const QString& reason) { return "mpv: " + reason; }

QString EndFileReason(const mpv_event_end_file& end) {
    switch (end.reason) {
    case MPV_END_FILE_REASON_ERROR: return QString::fromUtf8(mpv_error_string(end.error));
    case MPV_END_FILE_REASON_REDIRECT: return Translate("the file is a playlist, not a medium");
    case MPV_END_FILE_REASON_EOF: return Translate("the file holds nothing this engine can play");
    default: return Translate("the file was closed while it opened");
    }
}

// The audio tracks on the disc in the drive; -1 when there is no disc that can be read.
int CdTrackCount(const QString& device) {
    CdIo_t* cdio = cdio_open(device.toLocal8Bit().constData(), DRIVER_DEVICE);
    if (!cdio)
        return -1;
    const track_t tracks = cdio_get_num_tracks(cdio);
    cdio_destroy(cdio);
    return tracks == CDIO_INVALID_TRACK ? -1 : int(tracks);
}

// The playlist entry a loadfile command made, from the command's result.
int64_t PlaylistEntry(const mpv_node& result) {
    if (result.format != MPV_FORMAT_NODE_MAP)
        return 0;
    for (int i = 0; i < result.u.list->num; ++i)
        if (qstrcmp(result.u.list->keys[i], "playlist_entry_id") == 0 &&
            result.u.list->values[i].format == MPV_FORMAT_INT64)
            return result.u.list->values[i].u.int64;
    return 0;
}

int64_t Int64Property(mpv_handle* mpv, const char* name) {
    int64_t value = 0;
    return mpv_get_property(mpv, name, MPV_FORMAT_INT64, &value) < 0 ? 0 : value;
}

} // namespace

tMpvPlayer::tMpvPlayer() { SetExtensions(BackendExtensions(Settings().UseFileExtensionsWMP)); }

tMpvPlayer::~tMpvPlayer() {
    Close();
    // The renderer goes before the core it belongs to.
    if (render_)
        mpv_render_context_free(render_);
    if (mpv_)
        mpv_terminate_destroy(mpv_);
}

uint8_t tMpvPlayer::PlayerID() { return player::WindowsMediaPlayer; }

bool tMpvPlayer::IsAvailable() { return StartEngine(); }

void tMpvPlayer::SetOption(const char* name, const char* value) { mpv_set_option_string(mpv_, name, value); }

bool tMpvPlayer::StartEngine() {
    if (engineTried_)
        return mpv_ != nullptr;
    engineTried_ = true;
    // mpv reads numbers in option texts the C way and refuses to start under a locale that
    // writes them otherwise; the program's own texts never go through the C library's numbers.
    std::setlocale(LC_NUMERIC, "C");
    mpv_ = mpv_create();
    if (!mpv_) {
        engineProblem_ = Translate("the engine could not be started");
        return false;
    }
    for (const char* option :
         {"config", "terminal", "input-default-bindings", "input-vo-keyboard", "osc", "load-scripts", "ytdl",
          "load-stats-overlay", "load-osd-console", "load-auto-profiles", "resume-playback",
          "save-position-on-quit", "audio-display", "sub-auto", "audio-file-auto", "force-window"})
        SetOption(option, "no");
    SetOption("vo", "libmpv");
    if (NullAudioOutputRequested())
        SetOption("ao", "null");
    if (!soundFile_.isEmpty()) {
        SetOption("ao", "pcm");
        SetOption("ao-pcm-file", soundFile_.constData());
        SetOption("audio-format", "s16");
    }
    SetOption("audio-client-name", "lyrimo");
    SetOption("hr-seek", "yes");
    SetOption("keep-open", "yes");
    SetOption("idle", "yes");
    SetOption("audio-pitch-correction", "yes");
    // Whether the filter that moves the key is there, known by whether mpv takes it in its chain.
    keyFilterKnown_ = mpv_set_option_string(mpv_, "af", KeyFilter(1.0).constData()) >= 0;
    SetOption("af", "");
    SetOption("sid", "no");
    SetOption("osd-level", "0");
    // Hand each picture over when it is due, not ahead of time: it is shown as soon as it is had.
    SetOption("video-timing-offset", "0");
    const int error = mpv_initialize(mpv_);
    if (error < 0) {
        engineProblem_ = QString::fromUtf8(mpv_error_string(error));
        mpv_terminate_destroy(mpv_);
        mpv_ = nullptr;
        return false;
    }
    mpv_render_param params[] = {{MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_SW)},
                                 {MPV_RENDER_PARAM_INVALID, nullptr}};
    if (mpv_render_context_create(&render_, mpv_, params) < 0)
        render_ = nullptr; // sound only
    else
        mpv_render_context_set_update_callback(render_, &tMpvPlayer::OnRenderUpdate, this);
    mpv_observe_property(mpv_, kEofReached, "eof-reached", MPV_FORMAT_FLAG);
    mpv_observe_property(mpv_, kIdleActive, "idle-active", MPV_FORMAT_FLAG);
    return true;
}

bool tMpvPlayer::Command(std::initializer_list<const char*> arguments) {
    std::vector<const char*> command(arguments);
    command.push_back(nullptr);
    return mpv_command(mpv_, command.data()) >= 0;
}

double tMpvPlayer::DoubleProperty(const char* name, double fallback) {
    double value = 0;
    return mpv_get_property(mpv_, name, MPV_FORMAT_DOUBLE, &value) < 0 ? fallback : value;
}

bool tMpvPlayer::FlagProperty(const char* name) {
    int value = 0;
    return mpv_get_property(mpv_, name, MPV_FORMAT_FLAG, &value) >= 0 && value;
}

void tMpvPlayer::WriteSoundTo(const QString& wavPath) { soundFile_ = QFile::encodeName(wavPath); }

double tMpvPlayer::EngineSeconds(const char* property) {
    return open_ ? DoubleProperty(property, kNaN) : kNaN;
}

tMpvPlayer::tWaitResult tMpvPlayer::WaitForEvent(int eventId, tClock::duration timeout, QString* endReason) {
    const tClock::time_point deadline = tClock::now() + timeout;
    for (tClock::time_point now = tClock::now(); now < deadline; now = tClock::now()) {
        // mpv's video thread waits for its pictures to be taken before it goes on, so a wait
        // with a window takes them as they come.
        const double left = std::chrono::duration<double>(deadline - now).count();
        const mpv_event* event = mpv_wait_event(mpv_, window_ ? std::min(left, kPictureServing) : left);
        ServePictures();
        Note(*event);
        if (event->event_id == MPV_EVENT_END_FILE) {
            const auto* end = static_cast<const mpv_event_end_file*>(event->data);
            // A file replaced or stopped before says goodbye too; only this one's end counts.
            if (end->playlist_entry_id != entry_)
                continue;
            if (endReason)
                *endReason = EndFileReason(*end);
            return eventId == MPV_EVENT_END_FILE ? tWaitResult::Arrived : tWaitResult::FileEnded;
        }
        if (event->event_id == MPV_EVENT_PROPERTY_CHANGE && event->reply_userdata == kEofReached && eof_)
            return tWaitResult::EndReached;
        if (event->event_id == eventId)
            return tWaitResult::Arrived;
    }
    return tWaitResult::TimedOut;
}

void tMpvPlayer::DrainEvents() {
    if (!mpv_)
        return;
    for (const mpv_event* event = mpv_wait_event(mpv_, 0); event->event_id != MPV_EVENT_NONE;
         event = mpv_wait_event(mpv_, 0))
        Note(*event);
}

void tMpvPlayer::Note(const mpv_event& event) {
    if (event.event_id != MPV_EVENT_PROPERTY_CHANGE)
        return;
    const auto* property = static_cast<const mpv_event_property*>(event.data);
    const bool value = property->format == MPV_FORMAT_FLAG && *static_cast<const int*>(property->data);
    if (event.reply_userdata == kEofReached)
        eof_ = value;
    else if (event.reply_userdata == kIdleActive)
        idle_ = value;
}

void tMpvPlayer::ReadEndFlags() {
    eof_ = FlagProperty("eof-reached");
    idle_ = FlagProperty("idle-active");
}

bool tMpvPlayer::Load(const QByteArray& url, bool withVideo, QString& reason) {
    DrainEvents();
    lastMs_ = 0;
    standing_ = true;
    mpv_set_property_string(mpv_, "vid", withVideo ? "auto" : "no");
    mpv_set_property_string(mpv_, "pause", "yes");
    rate_ = 1.0;
    rateChange_.active = false;
    pictureClock_.SetRate(1.0, tClock::now());
    mpv_set_property(mpv_, "speed", MPV_FORMAT_DOUBLE, &rate_);
    TakeRenderUpdate(0s);
    const char* command[] = {"loadfile", url.constData(), nullptr};
    mpv_node result;
    if (mpv_command_ret(mpv_, command, &result) < 0) {
        reason = Translate("the file could not be given to the engine");
        return false;
    }
    entry_ = PlaylistEntry(result);
    mpv_free_node_contents(&result);
    // Open once playback stands ready at the start, paused: the first sound and picture are had.
    switch (WaitForEvent(MPV_EVENT_PLAYBACK_RESTART, kOpenTimeout, &reason)) {
    case tWaitResult::Arrived:
    case tWaitResult::EndReached: ReadEndFlags(); return true;
    case tWaitResult::FileEnded: break;
    case tWaitResult::TimedOut: reason = Translate("the file took too long to open"); break;
    }
    Command({"stop"});
    return false;
}

bool tMpvPlayer::OpenFile(const QString& fileName, tVideoWindow* window, int32_t) {
    Close();
    QString reason;
    if (!StartEngine())
        reason = engineProblem_;
    else if (!QFileInfo(fileName).isFile())
        reason = Translate("the file does not exist");
    else {
        if (window && render_)
            TakeWindow(window);
        if (Load(QFileInfo(fileName).absoluteFilePath().toUtf8(), window_ != nullptr, reason)) {
            trackCount_ = 1;
            Opened();
            return true;
        }
    }
    LetGoOfWindow();
    SetLastError(Translate("Error opening file") + ": " + EngineReason(reason));
    return false;
}

bool tMpvPlayer::OpenCDTrack(int track, QChar drive, int32_t, tVideoWindow*) {
    Close();
    QString reason;
    const QString device = CdDeviceForLetter(QString(drive));
    int tracks = -1;
    if (!StartEngine())
        reason = engineProblem_;
    else if (device.isEmpty())
        reason = Translate("there is no CD drive %1").arg(drive);
    else if ((tracks = CdTrackCount(device)) < 0)
        reason = Translate("there is no audio CD in the drive");
    else if (track < 1 || track > tracks) {
        SetLastError(Translate("The track selected does not exist on this CD"));
        return false;
    } else {
        // The disc is one stream; the span narrows it to the track, which then starts at 0.
        mpv_set_property_string(mpv_, "cdrom-device", device.toLocal8Bit().constData());
        const QByteArray span = QByteArray::number(track);
        mpv_set_property_string(mpv_, "cdda-span-a", span.constData());
        mpv_set_property_string(mpv_, "cdda-span-b", span.constData());
        if (Load("cdda://", false, reason)) {
            trackCount_ = tracks;
            Opened();
            return true;
        }
    }
    SetLastError(Translate("Error opening CD audio") + ": " + EngineReason(reason));
    return false;
}

void tMpvPlayer::TakeWindow(tVideoWindow* window) {
    window_ = window;
    window_->Clear();
    pictureWidth_ = pictureHeight_ = 0;
    picturesShown_ = 0;
}

void tMpvPlayer::LetGoOfWindow() {
    if (window_)
        window_->Clear();
    window_ = nullptr;
    naturalWidth_ = naturalHeight_ = 0;
}

void tMpvPlayer::Opened() {
    open_ = true;
    started_ = false;
    paused_ = false;
    lastMs_ = 0;
    standing_ = true;
    SetLastError({});
    ReadVideoSize(window_ != nullptr);
    if (!window_)
        return;
    if (naturalWidth_ <= 0) {
        LetGoOfWindow(); // sound only
        return;
    }
    if (pictureWidth_ <= 0) {
        pictureWidth_ = naturalWidth_;
        pictureHeight_ = naturalHeight_;
    }
    if (picturesShown_ == 0)
        ShowDuePicture(kPictureTimeout);
}

void tMpvPlayer::ReadVideoSize(bool withVideo) {
    naturalWidth_ = naturalHeight_ = 0;
    if (withVideo) {
        naturalWidth_ = int(Int64Property(mpv_, "dwidth"));
        naturalHeight_ = int(Int64Property(mpv_, "dheight"));
    } else {
        // No picture is decoded without a window: the size comes from the file's description.
        const int64_t tracks = Int64Property(mpv_, "track-list/count");
        for (int64_t i = 0; i < tracks && naturalWidth_ <= 0; ++i) {
            const QByteArray track = "track-list/" + QByteArray::number(i) + "/";
            const auto field = [&track](const char* name) { return track + name; };
            char* type = mpv_get_property_string(mpv_, field("type").constData());
            const bool video = type && qstrcmp(type, "video") == 0;
            mpv_free(type);
            if (!video || FlagProperty(field("albumart").constData()))
                continue;
            naturalWidth_ = int(Int64Property(mpv_, field("demux-w").constData()));
            naturalHeight_ = int(Int64Property(mpv_, field("demux-h").constData()));
        }
    }
    if (naturalWidth_ <= 0 || naturalHeight_ <= 0)
        naturalWidth_ = naturalHeight_ = 0;
}

void tMpvPlayer::Close() {
    LetGoOfWindow();
    if (!open_)
        return;
    open_ = false;
    started_ = paused_ = false;
    soundMs_ = -1;
    trackCount_ = 0;
    Command({"stop"});
    // The next medium starts in its own key, with mpv's own chain.
    key_ = 0;
    if (keyFilterIn_)
        Command({"af", "remove", QByteArray("@").append(kKeyFilter).constData()});
    keyFilterIn_ = false;
}

// mpv says the end is reached once its output holds the last of the sound, which some outputs
// (the null one) say before that sound has been played out: the end counts once the clock,
// run on from its last reading, has reached the length too.
bool tMpvPlayer::NoteEnd() {
    if (!open_)
        return false;
    DrainEvents();
    // A medium that failed while playing is gone altogether: mpv stands idle.
    const bool failed = idle_;
    const bool stalled = !failed && !eof_ && StalledAtTheEnd();
    if (!failed && !eof_ && !stalled)
        return false;
    if (!failed && !stalled && started_ && !paused_ && ProjectedMs() < LengthMs())
        return false;
    started_ = paused_ = false;
    standing_ = false;
    // Rubber Band keeps the last few hundredths of a second of the sound to itself, so with the
    // key's filter in mpv's clocks stop short of the end: the medium has ended at its length.
    if (!failed && keyFilterIn_) {
        lastMs_ = LengthMs();
        standing_ = true;
    }
    return true;
}

bool tMpvPlayer::StalledAtTheEnd() {
    return keyFilterIn_ && started_ && !paused_ && soundMs_ >= 0 && LengthMs() - soundMs_ < kKeptBackMs &&
           tClock::now() - soundSince_ > kStallAtTheEnd;
}

double tMpvPlayer::LengthMs() { return std::max(DoubleProperty("duration", 0), 0.0) * 1000.0; }

double tMpvPlayer::ProjectedMs() const {
    return lastMs_ + std::chrono::duration<double, std::milli>(tClock::now() - readAt_).count() * rate_;
}

int tMpvPlayer::TrackCount() { return open_ ? trackCount_ : 0; }

// While the sound runs, mpv's own clock; while it stands, where it was paused or sought to
// (mpv's clocks still count the sound its paused output held before a seek); at the end, where
// the medium ended.
double tMpvPlayer::RawPositionMs() {
    const bool running = started_ && !paused_ && !NoteEnd();
    if (!running && standing_)
        return lastMs_;
    if (running && eof_)
        return std::min(ProjectedMs(), LengthMs()); // the last of the sound is being played out
    const tClock::time_point now = tClock::now();
    const double sound = running ? DoubleProperty("audio-pts", kNaN) : kNaN;
    const double picture = std::isnan(sound) ? DoubleProperty("time-pos", kNaN) : kNaN;
    if (!std::isnan(sound)) {
        lastMs_ = ThroughRateChange(std::max(sound, 0.0) * 1000.0, now);
        if (sound * 1000.0 != soundMs_) {
            soundMs_ = sound * 1000.0;
            soundSince_ = now;
        }
    } else if (std::isnan(picture)) {
        return lastMs_;
    } else if (running) {
        // Without sound the clock is the picture shown, which moves a picture at a time.
        pictureClock_.Observe(picture * 1000.0, now);
        lastMs_ = pictureClock_.Position(now);
    } else {
        lastMs_ = std::max(picture, 0.0) * 1000.0;
    }
    readAt_ = now;
    return lastMs_;
}

// A new rate is heard once the output has played out the sound it holds, made at the old rate;
// mpv's clock meanwhile counts that sound at the new rate, so it jumps back (or ahead) and then
// meets the heard position when that sound is out. Until they meet the old rate goes on.
double tMpvPlayer::ThroughRateChange(double engineMs, tClock::time_point now) {
    if (!rateChange_.active)
        return engineMs;
    const double heardMs =
        rateChange_.fromMs +
        std::chrono::duration<double, std::milli>(now - rateChange_.from).count() * rateChange_.oldRate;
    const bool met = rate_ > rateChange_.oldRate ? engineMs >= heardMs : engineMs <= heardMs;
    if (met || now - rateChange_.from > kRateChangeLimit) {
        rateChange_.active = false;
        return engineMs;
    }
    return heardMs;
}

int tMpvPlayer::GetPosition() {
    if (!open_)
        return 0;
    DrainEvents();
    const double ms = std::min(std::round(RawPositionMs()), double(std::numeric_limits<int>::max()));
    return TimingCorrection().CorrectedTime(int(ms));
}

int tMpvPlayer::GetLength() {
    if (!open_)
        return 0;
    const double ms = std::round(LengthMs());
    return TimingCorrection().CorrectedTime(int(std::min(ms, double(std::numeric_limits<int>::max()))));
}

void tMpvPlayer::SeekTo(int ms) {
    DrainEvents();
    TakeRenderUpdate(0s);
    const QByteArray seconds = QByteArray::number(ms / 1000.0, 'f', 3);
    if (!Command({"seek", seconds.constData(), "absolute+exact"}))
        return;
    rateChange_.active = false; // the output starts afresh at the current rate
    const int64_t shownBefore = picturesShown_;
    const tWaitResult result = WaitForEvent(MPV_EVENT_PLAYBACK_RESTART, kSeekTimeout);
    ReadEndFlags(); // the reports of changes may lag behind the seek
    standing_ = result != tWaitResult::EndReached;
    lastMs_ = ms;
    soundMs_ = -1;
    if (result != tWaitResult::Arrived || !window_)
        return;
    // A video lands on the first picture at or after the target; the sound starts with it.
    lastMs_ = std::max(DoubleProperty("time-pos", ms / 1000.0), 0.0) * 1000.0;
    if (picturesShown_ == shownBefore)
        ShowDuePicture(kPictureTimeout);
}

void tMpvPlayer::SetPosition(int ms) {
    if (!open_)
        return;
    NoteEnd();
    if (started_ && !paused_)
        PauseResume();
    int target = std::max(TimingCorrection().CorrectedSeekTarget(ms), 0);
    const double length = DoubleProperty("duration", kNaN);
    if (!std::isnan(length))
        target = std::min(target, int(length * 1000.0));
    SeekTo(target);
}

void tMpvPlayer::SetDisplayRect(const tDisplayRect& rect) {
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    if (!window_ || width < kSmallestTarget || height < kSmallestTarget)
        return;
    FitInto(naturalWidth_, naturalHeight_, width, height);
    if (width == pictureWidth_ && height == pictureHeight_)
        return;
    pictureWidth_ = width;
    pictureHeight_ = height;
    // The picture standing there is drawn again at the new size at once (mpv keeps it).
    if (window_->HasFrame()) {
        Bitmap picture = std::move(spare_);
        RenderInto(picture);
        spare_ = window_->Show(std::move(picture), window_->FrameTime());
    }
}

void tMpvPlayer::RefreshDisplay() {
    if (open_)
        ShowDuePicture(0s);
}

void tMpvPlayer::OnRenderUpdate(void* context) {
    auto* player = static_cast<tMpvPlayer*>(context);
    {
        std::lock_guard lock(player->updateMutex_);
        player->updatePending_ = true;
    }
    player->updateArrived_.notify_all();
}

bool tMpvPlayer::TakeRenderUpdate(tClock::duration wait) {
    std::unique_lock lock(updateMutex_);
    if (!updateArrived_.wait_for(lock, wait, [this] { return updatePending_; }))
        return false;
    updatePending_ = false;
    return true;
}

void tMpvPlayer::ServePictures() {
    if (!window_ || !render_)
        return;
    if (pictureWidth_ <= 0) {
        // Still opening: the size is known once the first picture has been decoded.
        pictureWidth_ = int(Int64Property(mpv_, "dwidth"));
        pictureHeight_ = int(Int64Property(mpv_, "dheight"));
        if (pictureWidth_ <= 0 || pictureHeight_ <= 0)
            return;
    }
    ShowDuePicture(0s);
}

void tMpvPlayer::ShowDuePicture(tClock::duration wait) {
    if (!window_ || !render_)
        return;
    const tClock::time_point deadline = tClock::now() + wait;
    do {
        if (!TakeRenderUpdate(std::max(deadline - tClock::now(), tClock::duration::zero())))
            return;
        // An update may only ask for the standing picture to be drawn again; that one is had.
        if (mpv_render_context_update(render_) & MPV_RENDER_UPDATE_FRAME) {
            Bitmap picture = std::move(spare_);
            RenderInto(picture);
            window_->CountDecoded(1);
            spare_ = window_->Show(std::move(picture), int64_t(std::llround(RawPositionMs())));
            ++picturesShown_;
            return;
        }
    } while (tClock::now() < deadline);
}

void tMpvPlayer::RenderInto(Bitmap& picture) {
    if (picture.Width() != pictureWidth_ || picture.Height() != pictureHeight_ ||
        picture.Format() != tPixelFormat::Bits32)
        picture = Bitmap(pictureWidth_, pictureHeight_, tPixelFormat::Bits32);
    if (picture.IsEmpty())
        return;
    // The byte order whose 32-bit words read 0x00RRGGBB; mpv leaves the unused byte undefined.
    char* format = const_cast<char*>(std::endian::native == std::endian::little ? "bgr0" : "0rgb");
    int size[2] = {picture.Width(), picture.Height()};
    size_t stride = size_t(picture.Stride());
    int block = 0; // the picture is wanted now: it is due already
    mpv_render_param params[] = {{MPV_RENDER_PARAM_SW_SIZE, size},
                                 {MPV_RENDER_PARAM_SW_FORMAT, format},
                                 {MPV_RENDER_PARAM_SW_STRIDE, &stride},
                                 {MPV_RENDER_PARAM_SW_POINTER, picture.Row32(0)},
                                 {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &block},
                                 {MPV_RENDER_PARAM_INVALID, nullptr}};
    mpv_render_context_render(render_, params);
    for (int y = 0; y < picture.Height(); ++y) {
        uint32_t* row = picture.Row32(y);
        for (int x = 0; x < picture.Width(); ++x)
            row[x] &= 0x00FFFFFF;
    }
}

bool tMpvPlayer::CanChangeRate() { return StartEngine(); }

void tMpvPlayer::Play() {
    if (!open_)
        return;
    mpv_set_property_string(mpv_, "pause", "no");
    if (!started_ || paused_) {
        // The clocks run on from where the medium stood.
        readAt_ = tClock::now();
        soundMs_ = -1;
        pictureClock_.Reset(lastMs_);
        pictureClock_.Run(readAt_);
    }
    started_ = true;
    paused_ = false;
    standing_ = false;
}

void tMpvPlayer::PauseResume() {
    if (!open_)
        return;
    if (paused_) {
        Play();
        return;
    }
    if (started_ && !NoteEnd()) {
        RawPositionMs();
        mpv_set_property_string(mpv_, "pause", "yes");
        // The paused output's clock stands right: it is where the sound stopped.
        if (const double seconds = DoubleProperty("audio-pts", kNaN); !std::isnan(seconds))
            lastMs_ = std::max(seconds, 0.0) * 1000.0;
        standing_ = true;
    }
    started_ = paused_ = true;
}

void tMpvPlayer::Stop() {
    if (!open_)
        return;
    mpv_set_property_string(mpv_, "pause", "yes");
    started_ = paused_ = false;
    SeekTo(0);
}

bool tMpvPlayer::IsPlaying() {
    if (!started_)
        return false;
    NoteEnd();
    return started_;
}

bool tMpvPlayer::IsPaused() {
    if (!paused_)
        return false;
    NoteEnd();
    return paused_;
}

void tMpvPlayer::SetRate(double rate) {
    if (!open_ || !std::isfinite(rate) || rate <= 0)
        return;
    const double newRate = std::clamp(rate, kMinRate, kMaxRate);
    if (newRate == rate_)
        return;
    if (started_ && !paused_ && !NoteEnd()) {
        const double heardMs = RawPositionMs();
        const double oldRate = rateChange_.active ? rateChange_.oldRate : rate_;
        rateChange_ = {true, heardMs, tClock::now(), oldRate};
    }
    rate_ = newRate;
    pictureClock_.SetRate(rate_, tClock::now());
    mpv_set_property(mpv_, "speed", MPV_FORMAT_DOUBLE, &rate_);
}

double tMpvPlayer::GetRate() { return open_ ? rate_ : 1.0; }

bool tMpvPlayer::CanChangeKey() { return StartEngine() && keyFilterKnown_; }

void tMpvPlayer::SetKey(int semitones) {
    if (!open_ || !keyFilterKnown_)
        return;
    const int key = std::clamp(semitones, kLowestKey, kHighestKey);
    if (key == key_)
        return;
    const double scale = std::exp2(key / 12.0);
    const bool set =
        keyFilterIn_
            ? Command({"af-command", kKeyFilter, "set-pitch", QByteArray::number(scale, 'f', 6).constData()})
            : Command({"af", "add", KeyFilter(scale).constData()});
    if (!set)
        return;
    keyFilterIn_ = true;
    key_ = key;
    // mpv has made sound ahead for its output; a medium standing still makes it again in the new
    // key from the same place. A video would land on its next picture instead, so it does not.
    if (standing_ && !window_)
        SeekTo(int(std::lround(lastMs_)));
}

int tMpvPlayer::GetKey() { return open_ ? key_ : 0; }

int tMpvPlayer::VideoWidth() { return open_ ? naturalWidth_ : 0; }
int tMpvPlayer::VideoHeight() { return open_ ? naturalHeight_ : 0; }

} // namespace lyrimo
