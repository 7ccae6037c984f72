// The player manager: holds one instance of every backend, chooses the one that plays a given
// file or CD track, and forwards the player operations to it.
#pragma once

#include "app/settings.h"
#include "media/player.h"

#include <QChar>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace lyrimo {

class tLyrimoData;

// Makes the backend for a player identifier. The manager asks for 1, 3, 4, 2, 5 in that order.
using tPlayerFactory = std::function<std::unique_ptr<tPlayer>(uint8_t id)>;

// The backends of this installation, one per identifier: the external player over MPRIS (1),
// VLC (2), mpv (3), the built-in player (4) and GStreamer (5).
std::unique_ptr<tPlayer> MakeStandardPlayer(uint8_t id);

class tMyMediaPlayer {
public:
    tMyMediaPlayer();
    explicit tMyMediaPlayer(const tPlayerFactory& makePlayer);
    ~tMyMediaPlayer();
    tMyMediaPlayer(const tMyMediaPlayer&) = delete;
    tMyMediaPlayer& operator=(const tMyMediaPlayer&) = delete;

    tPlayer* Current = nullptr;
    tPlayerOrder PlayerOrder{};
    uint8_t ForcedPlayer = 0; // the song's preferred player, for the next open
    QString LastError;
    QStringList CDDrives; // "A:\", "B:\", ...
    QChar CDDrive = ' ';  // blank when the machine has no CD drive
    // The open song's clock corrections, copied from it by OpenSongMedia and handed to the backend
    // at every open; a new manager has the adjustment off and the tweak on.
    tTimingCorrection TimingCorrection;
    // Milliseconds GetPosition reports less than the backend's audible position, so the lyrics
    // follow a sound system that is heard late; copied from the preferences at every open.
    int LyricsOffsetMs = 0;

    bool OpenSongMedia(const tLyrimoData& song, tVideoWindow* parent);
    bool OpenFile(const QString& fileName, tVideoWindow* parent, int32_t colour);
    bool OpenCDTrack(int track, tVideoWindow* parent, int32_t colour);
    QString TakeLastError();
    void CloseCurrent();

    tPlayer* FindPlayer(uint8_t id) const;
    bool PlayerHandles(uint8_t id, const QString& extension) const;
    bool PlayerCanPlayCDs(uint8_t id) const;
    bool PlayerAvailable(uint8_t id) const;
    bool SelectPlayer(uint8_t id);
    void FindCDDrives();

    // Forwarded to Current, with a neutral answer when nothing is selected.
    uint8_t PlayerID();
    tOverlaySurface OverlaySurface();
    int32_t OverlayColorKey();
    int VideoWidth();
    int VideoHeight();
    bool CanChangeRate();
    int GetPosition();
    int GetLength();
    bool IsPlaying();
    bool IsPaused();
    double GetRate();
    void FocusDisplay();
    void SetPlaybackCursor();
    void SetDisplayRect(const tDisplayRect& rect);
    void SetPosition(int ms);
    void Play();
    void PauseResume();
    void Stop();
    void RefreshDisplay();
    void SetRate(double rate);
    bool CanChangeKey();
    int GetKey();
    // Within the player's range; nothing when its key cannot change.
    void SetKey(int semitones);

private:
    // The preferences every open starts from.
    void TakeSettings();
    // Whether the backend is selectable; an earlier backend's open failure stays the message.
    bool SelectKeepingError(uint8_t id);
    bool TryOpenFile(uint8_t id, const QString& extension, const QString& fileName, tVideoWindow* parent,
                     int32_t colour);
    bool TryOpenCDTrack(uint8_t id, int track, tVideoWindow* parent, int32_t colour);

    std::vector<std::unique_ptr<tPlayer>> players_;
};

// Whether a song shows the pictures of its media (on part of the screen or full screen), so that
// its player is given a video window.
bool ShowsVideo(const tLyrimoData& song);

// The extension of a file name: its text from the last "." on, "" when it has none.
QString MediaExtension(const QString& fileName);

// The filter of the dialogs that pick a song's media: "All Files|*.*|" and one entry per
// enabled player.
QString SupportedFilesFilter();

} // namespace lyrimo
