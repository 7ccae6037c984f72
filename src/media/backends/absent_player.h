// A player identifier whose engine is not part of this build: it keeps its preferences (enabled,
// CDs, extension list) so selection and the preferences treat it like any other, but it is never
// available, so the manager passes it by.
#pragma once

#include "media/player.h"

namespace lyrimo {

class tAbsentPlayer : public tPlayer {
public:
    explicit tAbsentPlayer(uint8_t id);

    void FocusDisplay() override {}
    bool IsEnabled() override;
    uint8_t PlayerID() override { return id_; }
    bool IsAvailable() override { return false; }
    tOverlaySurface OverlaySurface() override { return nullptr; }
    int TrackCount() override { return 0; }
    int GetPosition() override { return 0; }
    int GetLength() override { return 0; }
    void SetPosition(int) override {}
    void SetDisplayRect(const tDisplayRect&) override {}
    void RefreshDisplay() override {}
    bool CanPlayCDs() override;
    bool CanChangeRate() override { return false; }
    void Play() override {}
    void PauseResume() override {}
    void Stop() override {}
    bool IsPlaying() override { return false; }
    bool IsPaused() override { return false; }
    bool OpenFile(const QString& fileName, tVideoWindow* parent, int32_t colour) override;
    bool OpenCDTrack(int track, QChar drive, int32_t colour, tVideoWindow* parent) override;
    void Close() override {}
    void SetRate(double) override {}
    double GetRate() override { return 1.0; }
    void SetPlaybackCursor() override {}
    int VideoWidth() override { return 0; }
    int VideoHeight() override { return 0; }
    int32_t OverlayColorKey() override { return 0; }

private:
    bool Unavailable();

    uint8_t id_;
};

} // namespace lyrimo
