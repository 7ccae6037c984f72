// The abstract media player: the one interface through which the program plays media and asks
// for the time. Every backend implements all 27 operations; the player manager chooses one.
//
// Times are signed 32-bit milliseconds of media time, and every position is the audible one:
// what the listener hears now, with the backend's own output latency already taken off.
//
// A player is driven from one thread (the user-interface thread). Backends that need threads
// of their own (audio output, decoding) keep them inside and guard what they share.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

namespace lyrimo {

// The window a video-capable backend shows its pictures in; owned by the playback windows.
class tVideoWindow;

// A surface the lyrics could be drawn on directly over the video. No backend has one here.
using tOverlaySurface = void*;

// Pixels of the parent window, right and bottom edges exclusive.
struct tDisplayRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

class tPlayer {
public:
    virtual ~tPlayer() = default;

    // The extensions this backend may play (with their leading dot); matched ignoring case.
    QStringList Extensions;
    // Why the last open failed.
    QString LastError;

    bool HandlesExtension(const QString& extension) const {
        return Extensions.contains(extension, Qt::CaseInsensitive);
    }

    virtual void FocusDisplay() = 0;
    virtual bool IsEnabled() = 0;
    virtual uint8_t PlayerID() = 0;
    virtual bool IsAvailable() = 0;
    virtual tOverlaySurface OverlaySurface() = 0;
    virtual int TrackCount() = 0;
    virtual int GetPosition() = 0;
    virtual int GetLength() = 0;
    // Leaves a playing medium paused at the new position.
    virtual void SetPosition(int ms) = 0;
    virtual void SetDisplayRect(const tDisplayRect& rect) = 0;
    virtual void RefreshDisplay() = 0;
    virtual bool CanPlayCDs() = 0;
    virtual bool CanChangeRate() = 0;
    virtual void Play() = 0;
    virtual void PauseResume() = 0;
    virtual void Stop() = 0;
    // True while started and neither stopped nor ended, paused included.
    virtual bool IsPlaying() = 0;
    virtual bool IsPaused() = 0;
    // Closes what was open and leaves the new medium at 0, not playing; false with LastError set.
    virtual bool OpenFile(const QString& fileName, tVideoWindow* parent, int32_t colour) = 0;
    virtual bool OpenCDTrack(int track, QChar drive, int32_t colour, tVideoWindow* parent) = 0;
    virtual void Close() = 0;
    virtual void SetRate(double rate) = 0;
    virtual double GetRate() = 0;
    virtual void SetPlaybackCursor() = 0;
    virtual int VideoWidth() = 0;
    virtual int VideoHeight() = 0;
    virtual int32_t OverlayColorKey() = 0;
};

} // namespace lyrimo
