// A player identifier whose engine is not part of this build: it keeps its preferences (enabled,
// CDs, extension list) so selection and the preferences treat it like any other, but it is never
// available, so the manager passes it by. Nothing ever plays, so its clock stands at 0.
#pragma once

#include "media/player.h"

namespace lyrimo {

class tAbsentPlayer : public tPlayer {
public:
    explicit tAbsentPlayer(uint8_t id);

    uint8_t PlayerID() override { return id_; }
    bool IsAvailable() override { return false; }
    int GetPosition() override { return 0; }
    int GetLength() override { return 0; }
    void SetPosition(int) override {}
    void Play() override {}
    void PauseResume() override {}
    void Stop() override {}
    bool IsPlaying() override { return false; }
    bool IsPaused() override { return false; }
    bool OpenFile(const QString& fileName, tVideoWindow* parent, int32_t colour) override;
    bool OpenCDTrack(int track, QChar drive, int32_t colour, tVideoWindow* parent) override;
    void Close() override {}

private:
    bool Unavailable();

    uint8_t id_;
};

} // namespace lyrimo
