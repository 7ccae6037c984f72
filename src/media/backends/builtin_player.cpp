#include "media/backends/builtin_player.h"

#include "app/app_services.h"
#include "app/cd_drives.h"
#include "document/song_loading.h"
#include "media/backends/builtin/cd_source.h"
#include "media/backends/builtin/ffmpeg_source.h"
#include "media/backends/builtin/midi_sequence.h"
#include "media/backends/builtin/midi_source.h"
#include "media/backends/builtin/silence_source.h"
#include "media/player_catalog.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>

namespace lyrimo {
namespace {

tSteadyTime Now() { return std::chrono::steady_clock::now(); }

} // namespace

tBuiltinPlayer::tBuiltinPlayer() : tBuiltinPlayer(MakeSdlOutput) {}

tBuiltinPlayer::tBuiltinPlayer(tAudioOutputFactory makeOutput) : makeOutput_(std::move(makeOutput)) {
    SetExtensions(BackendExtensions(Settings().UseFileExtensionsMCI));
}

tBuiltinPlayer::~tBuiltinPlayer() {
    Close();
    output_.reset();
}

uint8_t tBuiltinPlayer::PlayerID() { return player::Mci; }

bool tBuiltinPlayer::IsAvailable() {
    QString reason;
    return OpenOutput(reason);
}

bool tBuiltinPlayer::OpenOutput(QString& reason) {
    if (output_)
        return true;
    std::unique_ptr<tAudioOutput> output = makeOutput_();
    if (!output || !output->Open(&engine_, reason))
        return false;
    engine_.Configure(output->SampleRate(), output->LatencyFrames(), output->RealTime());
    output_ = std::move(output);
    return true;
}

void tBuiltinPlayer::Start(std::unique_ptr<tPcmSource> source) {
    engine_.Load(std::move(source));
    output_->SetRunning(true);
    open_ = true;
    smoother_.Reset();
    SetLastError({});
}

std::unique_ptr<tPcmSource> tBuiltinPlayer::OpenSoundAndVideo(const QString& fileName, QString& reason) {
    std::unique_ptr<tFfmpegSource> sound = tFfmpegSource::Open(fileName, engine_.SampleRate(), reason);
    QString videoReason;
    video_ = tVideoDecoder::Open(fileName, sound ? std::optional(sound->OriginSeconds()) : std::nullopt,
                                 videoReason);
    if (sound)
        return sound;
    if (!video_) {
        // A file with a video stream says best what is wrong with its pictures.
        if (!videoReason.isEmpty())
            reason = videoReason;
        return nullptr;
    }
    return std::make_unique<tSilenceSource>(video_->LengthMs() * engine_.SampleRate() / 1000);
}

bool tBuiltinPlayer::OpenFile(const QString& fileName, tVideoWindow* window, int32_t) {
    Close();
    QString reason;
    std::unique_ptr<tPcmSource> source;
    if (!OpenOutput(reason))
        reason = Translate("there is no sound output") + " (" + reason + ")";
    else if (!QFileInfo(fileName).isFile())
        reason = Translate("the file does not exist");
    else if (IsMidiFile(fileName))
        source = tMidiSource::Open(fileName, engine_.SampleRate(), reason);
    else
        source = OpenSoundAndVideo(fileName, reason);
    if (!source) {
        video_.reset();
        SetLastError(Translate("Error opening file") + ": " + reason);
        return false;
    }
    cd_ = false;
    trackCount_ = 1;
    Start(std::move(source));
    if (video_ && window) {
        window_ = window;
        window_->Clear();
        video_->Start();
    }
    return true;
}

bool tBuiltinPlayer::OpenCDTrack(int track, QChar drive, int32_t, tVideoWindow*) {
    Close();
    QString reason;
    const QString device = CdDeviceForLetter(QString(drive));
    std::unique_ptr<tCdSource> source;
    auto result = tCdSource::tOpenResult::NoDisc;
    if (!OpenOutput(reason))
        reason = Translate("there is no sound output") + " (" + reason + ")";
    else if (device.isEmpty())
        reason = Translate("there is no CD drive %1").arg(drive);
    else
        source = tCdSource::Open(device, track, engine_.SampleRate(), result, reason);
    if (result == tCdSource::tOpenResult::NoSuchTrack) {
        SetLastError(Translate("The track selected does not exist on this CD"));
        return false;
    }
    if (!source) {
        SetLastError(Translate("Error opening CD audio") + ": " + reason);
        return false;
    }
    cd_ = true;
    trackCount_ = source->TrackCount();
    Start(std::move(source));
    return true;
}

void tBuiltinPlayer::Close() {
    video_.reset();
    if (window_)
        window_->Clear();
    window_ = nullptr;
    if (!open_)
        return;
    open_ = false;
    output_->SetRunning(false);
    // Freed here, outside the engine's lock, since letting go of a medium can take a moment.
    std::unique_ptr<tPcmSource> source = engine_.Unload();
}

int tBuiltinPlayer::FramesToMs(double frames) const {
    const double ms = std::trunc(frames * 1000.0 / engine_.SampleRate());
    return static_cast<int>(std::clamp(ms, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

void tBuiltinPlayer::FollowOutputLatency() { engine_.SetLatencyFrames(output_->LatencyFrames()); }

double tBuiltinPlayer::HeardFrames() {
    FollowOutputLatency();
    return engine_.PositionFrames(Now());
}

bool tBuiltinPlayer::SmoothsCdPositions() const { return cd_ && Settings().CDReject; }

int tBuiltinPlayer::TrackCount() { return open_ ? trackCount_ : 0; }

int tBuiltinPlayer::GetPosition() {
    if (!open_)
        return 0;
    int ms = FramesToMs(HeardFrames());
    if (SmoothsCdPositions())
        ms = smoother_.Filter(ms, engine_.IsPaused(), TickCount());
    return TimingCorrection().CorrectedTime(ms);
}

int tBuiltinPlayer::GetLength() {
    return open_ ? TimingCorrection().CorrectedTime(FramesToMs(static_cast<double>(engine_.LengthFrames())))
                 : 0;
}

void tBuiltinPlayer::SetPosition(int ms) {
    if (!open_)
        return;
    const int target = std::max(TimingCorrection().CorrectedSeekTarget(ms), 0);
    engine_.Seek(static_cast<int64_t>(target) * engine_.SampleRate() / 1000);
    if (SmoothsCdPositions())
        smoother_.Seeked(target, TickCount());
    SeekVideo(target);
}

void tBuiltinPlayer::SeekVideo(int ms) {
    if (video_ && window_)
        video_->Seek(ms, *window_);
}

void tBuiltinPlayer::SetDisplayRect(const tDisplayRect& rect) {
    if (video_)
        video_->SetTargetSize(rect.right - rect.left, rect.bottom - rect.top);
}

void tBuiltinPlayer::RefreshDisplay() {
    if (open_ && video_ && window_)
        video_->Advance(FramesToMs(HeardFrames()), *window_);
}

void tBuiltinPlayer::Play() {
    if (open_)
        engine_.Play();
}

void tBuiltinPlayer::PauseResume() {
    if (!open_)
        return;
    if (engine_.IsPaused())
        engine_.Play();
    else
        engine_.Pause();
}

void tBuiltinPlayer::Stop() {
    if (!open_)
        return;
    engine_.Stop();
    SeekVideo(0);
}

bool tBuiltinPlayer::IsPlaying() {
    if (!open_)
        return false;
    FollowOutputLatency();
    return engine_.IsPlaying(Now());
}
bool tBuiltinPlayer::IsPaused() { return open_ && engine_.IsPaused(); }

void tBuiltinPlayer::SetRate(double rate) {
    if (!open_ || !std::isfinite(rate) || rate <= 0)
        return;
    rate = std::clamp(rate, kMinRate, kMaxRate);
    if (rate != 1.0)
        engine_.KeepPitch();
    engine_.SetRate(rate);
}

double tBuiltinPlayer::GetRate() { return open_ ? engine_.Rate() : 1.0; }

void tBuiltinPlayer::SetKey(int semitones) {
    if (!open_)
        return;
    semitones = std::clamp(semitones, kLowestKey, kHighestKey);
    if (semitones != 0)
        engine_.KeepPitch();
    engine_.SetKey(semitones);
}

int tBuiltinPlayer::GetKey() { return open_ ? engine_.Key() : 0; }

int tBuiltinPlayer::VideoWidth() { return open_ && video_ ? video_->DisplayWidth() : 0; }
int tBuiltinPlayer::VideoHeight() { return open_ && video_ ? video_->DisplayHeight() : 0; }

} // namespace lyrimo
