#include "media/media_player.h"

#include "app/app_services.h"
#include "app/cd_drives.h"
#include "document/binary_file.h"
#include "document/song.h"
#include "media/backends/builtin_player.h"
#include "media/backends/external_player.h"
#include "media/backends/gstreamer_player.h"
#include "media/backends/mpv_player.h"
#include "media/backends/vlc_player.h"
#include "media/player_catalog.h"

#include <QFileInfo>

#include <algorithm>

namespace lyrimo {
namespace {

constexpr uint8_t kConstructionOrder[] = {player::External, player::WindowsMediaPlayer, player::Mci,
                                          player::QuickTime, player::DirectShow};

QStringList MachineCdDevices() {
    const tSettingsHooks& hooks = SettingsHooks();
    return hooks.cdDevices ? hooks.cdDevices() : CdDevices();
}

} // namespace

std::unique_ptr<tPlayer> MakeStandardPlayer(uint8_t id) {
    switch (id) {
    case player::External: return std::make_unique<tExternalPlayer>();
    case player::QuickTime: return std::make_unique<tVlcPlayer>();
    case player::WindowsMediaPlayer: return std::make_unique<tMpvPlayer>();
    case player::Mci: return std::make_unique<tBuiltinPlayer>();
    case player::DirectShow: return std::make_unique<tGstreamerPlayer>();
    default: return nullptr;
    }
}

tMyMediaPlayer::tMyMediaPlayer() : tMyMediaPlayer(MakeStandardPlayer) {}

tMyMediaPlayer::tMyMediaPlayer(const tPlayerFactory& makePlayer) {
    for (uint8_t id : kConstructionOrder)
        if (std::unique_ptr<tPlayer> backend = makePlayer(id))
            players_.push_back(std::move(backend));
    FindCDDrives();
    TakeSettings();
}

void tMyMediaPlayer::TakeSettings() {
    PlayerOrder = Settings().Player2Order;
    LyricsOffsetMs = Settings().LyricsOffsetMs;
}

tMyMediaPlayer::~tMyMediaPlayer() {
    if (Current)
        Current->Close();
}

tPlayer* tMyMediaPlayer::FindPlayer(uint8_t id) const {
    for (const auto& backend : players_)
        if (backend->PlayerID() == id)
            return backend.get();
    return nullptr;
}

bool tMyMediaPlayer::PlayerHandles(uint8_t id, const QString& extension) const {
    const tPlayer* backend = FindPlayer(id);
    return backend && backend->HandlesExtension(extension);
}

bool tMyMediaPlayer::PlayerCanPlayCDs(uint8_t id) const {
    tPlayer* backend = FindPlayer(id);
    return backend && backend->CanPlayCDs();
}

bool tMyMediaPlayer::PlayerAvailable(uint8_t id) const {
    tPlayer* backend = FindPlayer(id);
    return backend && backend->IsAvailable();
}

QString tMyMediaPlayer::TakeLastError() {
    QString error = LastError;
    LastError.clear();
    return error;
}

void tMyMediaPlayer::CloseCurrent() {
    if (!Current)
        return;
    ForcedPlayer = 0;
    Current->Close();
    Current = nullptr;
}

bool tMyMediaPlayer::SelectPlayer(uint8_t id) {
    CloseCurrent();
    tPlayer* backend = FindPlayer(id);
    if (!backend) {
        LastError = Translate("Unable to find a suitable player to play cd tracks");
        return false;
    }
    Current = backend;
    // Availability may start an external program, so it is asked only of enabled players.
    if (backend->IsEnabled() && backend->IsAvailable())
        return true;
    LastError.clear();
    Current = nullptr;
    return false;
}

bool tMyMediaPlayer::SelectKeepingError(uint8_t id) {
    const QString earlierFailure = LastError;
    if (SelectPlayer(id))
        return true;
    // Passing over a disabled or missing player must not hide why an earlier one failed.
    LastError = earlierFailure;
    return false;
}

bool tMyMediaPlayer::TryOpenFile(uint8_t id, const QString& extension, const QString& fileName,
                                 tVideoWindow* parent, int32_t colour) {
    if (!PlayerHandles(id, extension) || !SelectKeepingError(id))
        return false;
    Current->SetTimingCorrection(TimingCorrection);
    if (Current->OpenFile(fileName, parent, colour)) {
        LastError.clear();
        return true;
    }
    LastError = Current->LastError();
    return false;
}

bool tMyMediaPlayer::OpenFile(const QString& fileName, tVideoWindow* parent, int32_t colour) {
    TakeSettings();
    CloseCurrent();
    const QString extension = MediaExtension(fileName);
    LastError.clear();
    if (ForcedPlayer != 0 && TryOpenFile(ForcedPlayer, extension, fileName, parent, colour))
        return true;
    for (uint8_t id : PlayerOrder)
        if (TryOpenFile(id, extension, fileName, parent, colour))
            return true;
    if (LastError.isEmpty())
        LastError = Translate("Unable to find a suitable player for files of type") + " " + extension;
    return false;
}

bool tMyMediaPlayer::TryOpenCDTrack(uint8_t id, int track, tVideoWindow* parent, int32_t colour) {
    if (!PlayerCanPlayCDs(id) || !SelectPlayer(id))
        return false;
    Current->SetTimingCorrection(TimingCorrection);
    return Current->OpenCDTrack(track, CDDrive, colour, parent);
}

bool tMyMediaPlayer::OpenCDTrack(int track, tVideoWindow* parent, int32_t colour) {
    TakeSettings();
    FindCDDrives();
    CloseCurrent();
    if (CDDrive == ' ') {
        LastError.clear();
        return false;
    }
    if (ForcedPlayer != 0 && TryOpenCDTrack(ForcedPlayer, track, parent, colour))
        return true;
    for (uint8_t id : PlayerOrder)
        if (TryOpenCDTrack(id, track, parent, colour))
            return true;
    return false;
}

void tMyMediaPlayer::FindCDDrives() {
    CDDrives.clear();
    const QString preferred = Settings().DefaultCDROM;
    CDDrive = preferred.isEmpty() ? QChar(' ') : preferred[0].toUpper();
    const QStringList devices = MachineCdDevices();
    for (int i = 0; i < devices.size() && i < 26; ++i)
        CDDrives << CdDriveLetter(i) + ":\\";
    if (!CDDrives.contains(QString(CDDrive) + ":\\"))
        CDDrive = CDDrives.isEmpty() ? QChar(' ') : CDDrives.first()[0];
}

bool tMyMediaPlayer::OpenSongMedia(const tLyrimoData& song, tVideoWindow* parent) {
    const tSongSettings& s = song.SongSettings;
    TimingCorrection.AdjustWinampTimingsForWmp = s.AdjustWinampTimingsForWmp() != 0;
    TimingCorrection.TweakWinampTimings = s.TweakWinampTimings() != 0;
    ForcedPlayer = s.PreferredPlayer();
    bool opened = false;
    if (s.UseMediaFile() == 0) {
        opened = OpenCDTrack(s.CdTrack(), parent, s.BackgroundColour());
    } else if (s.UseMediaFile() == 1) {
        const QString fileName = PathFromField(s.MediaFileName());
        if (!fileName.isEmpty() && QFileInfo(fileName).isFile())
            opened = OpenFile(fileName, parent, s.BackgroundColour());
        else
            LastError = Translate("The file could not be found") + "...";
    }
    ForcedPlayer = 0;
    return opened;
}

bool ShowsVideo(const tLyrimoData& song) {
    return song.SongSettings.HasVideo() || song.SongSettings.FullScreenVideo();
}

uint8_t tMyMediaPlayer::PlayerID() { return Current ? Current->PlayerID() : 0; }
tOverlaySurface tMyMediaPlayer::OverlaySurface() { return Current ? Current->OverlaySurface() : nullptr; }
int32_t tMyMediaPlayer::OverlayColorKey() { return Current ? Current->OverlayColorKey() : 0; }
int tMyMediaPlayer::VideoWidth() { return Current ? Current->VideoWidth() : 0; }
int tMyMediaPlayer::VideoHeight() { return Current ? Current->VideoHeight() : 0; }
bool tMyMediaPlayer::CanChangeRate() { return Current && Current->CanChangeRate(); }
// The lyrics offset is taken off here and nowhere else: the backends report the audible media time.
int tMyMediaPlayer::GetPosition() {
    return Current ? std::max(0, Current->GetPosition() - LyricsOffsetMs) : 0;
}
int tMyMediaPlayer::GetLength() { return Current ? Current->GetLength() : 0; }
bool tMyMediaPlayer::IsPlaying() { return Current && Current->IsPlaying(); }
bool tMyMediaPlayer::IsPaused() { return Current && Current->IsPaused(); }
double tMyMediaPlayer::GetRate() { return Current ? Current->GetRate() : 1.0; }
bool tMyMediaPlayer::CanChangeKey() { return Current && Current->CanChangeKey(); }
int tMyMediaPlayer::GetKey() { return Current ? Current->GetKey() : 0; }

void tMyMediaPlayer::FocusDisplay() {
    if (Current)
        Current->FocusDisplay();
}

void tMyMediaPlayer::SetPlaybackCursor() {
    if (Current)
        Current->SetPlaybackCursor();
}

void tMyMediaPlayer::SetDisplayRect(const tDisplayRect& rect) {
    if (Current)
        Current->SetDisplayRect(rect);
}

void tMyMediaPlayer::SetPosition(int ms) {
    if (Current)
        Current->SetPosition(ms);
}

void tMyMediaPlayer::Play() {
    if (Current)
        Current->Play();
}

void tMyMediaPlayer::PauseResume() {
    if (Current)
        Current->PauseResume();
}

void tMyMediaPlayer::Stop() {
    if (Current)
        Current->Stop();
}

void tMyMediaPlayer::RefreshDisplay() {
    if (Current)
        Current->RefreshDisplay();
}

void tMyMediaPlayer::SetRate(double rate) {
    if (Current)
        Current->SetRate(rate);
}

void tMyMediaPlayer::SetKey(int semitones) {
    if (Current && Current->CanChangeKey())
        Current->SetKey(std::clamp(semitones, tPlayer::kLowestKey, tPlayer::kHighestKey));
}

QString MediaExtension(const QString& fileName) {
    // Only the name counts: a point in a folder name is no extension.
    const QString name = fileName.mid(fileName.lastIndexOf('/') + 1);
    const qsizetype dot = name.lastIndexOf('.');
    return dot < 0 ? QString() : name.mid(dot);
}

QString SupportedFilesFilter() {
    QString filter = Translate("All Files") + "|*.*|";
    const tSettingsClass& settings = Settings();
    for (uint8_t id : kFilterOrder) {
        const tPlayerInfo* info = PlayerInfo(id);
        const QString& list = settings.*info->extensions;
        if (!(settings.*info->enabled) || list.isEmpty())
            continue;
        QStringList patterns;
        for (const QString& extension : SplitExtensions(list))
            patterns << "*" + extension;
        filter += Translate(info->name) + " " + Translate("Supported Files") + "|" + patterns.join(';') + "|";
    }
    return filter;
}

} // namespace lyrimo
