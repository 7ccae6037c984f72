// The abstract media player: the one interface through which the program plays media and asks
// for the time. The player manager chooses one backend and forwards its 27 operations to it.
//
// A backend must implement the operations marked "Required": identity, availability, opening,
// closing and the transport with its clock. Every other operation is a capability with a neutral
// default here (no video, no overlay, normal speed only, the media's own key, no CDs), so a
// backend overrides only what it really does.
//
// Units: times are signed 32-bit milliseconds of media time, and every position is the audible
// one (what the listener hears now, with the backend's own output latency already taken off);
// rectangles and video sizes are pixels; a rate is a factor of normal speed (1.0).
//
// A player is driven from one thread (the user-interface thread). Backends that need threads
// of their own (audio output, decoding) keep them inside and guard what they share.
#pragma once

#include "media/media_timing.h"

#include <QChar>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <utility>

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

    // Whether the backend may play files with this extension (leading dot included), ignoring case.
    bool HandlesExtension(const QString& extension) const {
        return extensions_.contains(extension, Qt::CaseInsensitive);
    }
    // Why the last open failed; empty after a successful one.
    const QString& LastError() const { return lastError_; }

    // The song's clock corrections, given by the manager before each open and applied to every
    // position and length reported and every seek until the next.
    void SetTimingCorrection(const tTimingCorrection& correction) { timing_ = correction; }
    const tTimingCorrection& TimingCorrection() const { return timing_; }

    // 1. Optional: brings the video surface to the front or repaints it. Default: nothing.
    virtual void FocusDisplay() {}
    // 2. Optional: the user's enable setting for PlayerID(). Default: read from the settings.
    virtual bool IsEnabled();
    // 3. Required: the player identifier, 1 to 5.
    virtual uint8_t PlayerID() = 0;
    // 4. Required: whether the backend can be used on this machine now (may start a program).
    virtual bool IsAvailable() = 0;
    // Whether the engine is on this machine, found without starting any program (for showing
    // which players there are). Default: IsAvailable.
    virtual bool IsPresent() { return IsAvailable(); }
    // 5. Optional: a surface to draw the lyrics on over the video. Default: none.
    virtual tOverlaySurface OverlaySurface() { return nullptr; }
    // 6. Optional: tracks of the open medium, 1 for a file. Default: 0 (none counted).
    virtual int TrackCount() { return 0; }
    // 7. Required: ms from the start of the open track, corrected; 0 when nothing is open.
    virtual int GetPosition() = 0;
    // 8. Required: ms of the open track, corrected; 0 when nothing is open.
    virtual int GetLength() = 0;
    // 9. Required: seeks to ms (before correction); a playing medium is left paused there.
    virtual void SetPosition(int ms) = 0;
    // 10. Optional: places the video surface, in pixels of the parent window. Default: nothing.
    virtual void SetDisplayRect(const tDisplayRect&) {}
    // 11. Optional: repaints the video surface. Default: nothing.
    virtual void RefreshDisplay() {}
    // 12. Optional: the user's CD setting for PlayerID(). Default: from the settings, else false.
    virtual bool CanPlayCDs();
    // 13. Optional: whether SetRate has an effect. Default: false.
    virtual bool CanChangeRate() { return false; }
    // 14. Required: starts or continues playback from the current position; clears paused.
    virtual void Play() = 0;
    // 15. Required: as Play when paused, otherwise pauses and marks the player paused.
    virtual void PauseResume() = 0;
    // 16. Required: stops playback.
    virtual void Stop() = 0;
    // 17. Required: true while started and neither stopped nor ended, paused included.
    virtual bool IsPlaying() = 0;
    // 18. Required: true while paused.
    virtual bool IsPaused() = 0;
    // 19. Required: closes, then opens the file at 0 ms, not playing; on failure false and LastError.
    virtual bool OpenFile(const QString& fileName, tVideoWindow* parent, int32_t colour) = 0;
    // 20. Optional: as OpenFile for a track (from 1) of the audio CD in the drive. Default: false.
    virtual bool OpenCDTrack(int track, QChar drive, int32_t colour, tVideoWindow* parent);
    // 21. Required: stops and releases the open medium; safe when nothing is open.
    virtual void Close() = 0;
    // 22. Optional: sets the speed as a factor of normal (1.0) where CanChangeRate. Default: nothing.
    virtual void SetRate(double) {}
    // 23. Optional: the speed factor. Default: 1.0.
    virtual double GetRate() { return 1.0; }
    // 24. Optional: gives the video surface the playback window's cursor. Default: nothing.
    virtual void SetPlaybackCursor() {}
    // 25. Optional: natural video width in pixels, 0 when unknown or audio only. Default: 0.
    virtual int VideoWidth() { return 0; }
    // 26. Optional: natural video height in pixels, 0 when unknown. Default: 0.
    virtual int VideoHeight() { return 0; }
    // 27. Optional: the colour (0x00BBGGRR) the overlay shows video through. Default: 0.
    virtual int32_t OverlayColorKey() { return 0; }

    // The key, beyond the 27: the music moved up or down by whole semitones while the media time
    // goes on unchanged (the lyrics stay in sync). Optional: by default the key cannot change.
    static constexpr int kLowestKey = -6;
    static constexpr int kHighestKey = 6;
    virtual bool CanChangeKey() { return false; }
    // Semitones from the media's own key, kLowestKey to kHighestKey; takes effect at once, also
    // while playing, and holds until changed or the next open (an open starts at 0).
    virtual void SetKey(int) {}
    virtual int GetKey() { return 0; }

protected:
    // The extensions the backend may play, each with its leading dot.
    void SetExtensions(QStringList extensions) { extensions_ = std::move(extensions); }
    void SetLastError(QString error) { lastError_ = std::move(error); }

private:
    QStringList extensions_;
    QString lastError_;
    tTimingCorrection timing_;
};

} // namespace lyrimo
