// A scripted backend for testing the player manager: every answer is a field the test sets, and
// every call is written to a log shared by all fakes ("4 OpenFile a.mp3").
#pragma once

#include "media/player.h"

#include <QStringList>

namespace lyrimo::test {

class tFakePlayer : public tPlayer {
public:
    tFakePlayer(uint8_t id, QStringList* log) : id_(id), log_(log) {}

    using tPlayer::SetExtensions;

    bool enabled = true;
    bool available = true;
    bool playsCds = true;
    bool opens = true; // OpenFile and OpenCDTrack succeed
    QString openError; // LastError after a failed open
    int position = 0;
    int length = 0;
    bool playing = false;
    bool paused = false;
    double rate = 1.0;

    void FocusDisplay() override { Log("FocusDisplay"); }
    bool IsEnabled() override {
        Log("IsEnabled");
        return enabled;
    }
    uint8_t PlayerID() override { return id_; }
    bool IsAvailable() override {
        Log("IsAvailable");
        return available;
    }
    tOverlaySurface OverlaySurface() override { return this; }
    int TrackCount() override { return 1; }
    int GetPosition() override { return position; }
    int GetLength() override { return length; }
    void SetPosition(int ms) override { Log("SetPosition " + QString::number(ms)); }
    void SetDisplayRect(const tDisplayRect& r) override {
        Log(QString("SetDisplayRect %1 %2 %3 %4").arg(r.left).arg(r.top).arg(r.right).arg(r.bottom));
    }
    void RefreshDisplay() override { Log("RefreshDisplay"); }
    bool CanPlayCDs() override { return playsCds; }
    bool CanChangeRate() override { return true; }
    void Play() override { Log("Play"); }
    void PauseResume() override { Log("PauseResume"); }
    void Stop() override { Log("Stop"); }
    bool IsPlaying() override { return playing; }
    bool IsPaused() override { return paused; }
    bool OpenFile(const QString& fileName, tVideoWindow*, int32_t colour) override {
        Log(QString("OpenFile %1 %2").arg(fileName).arg(colour));
        return Opened();
    }
    bool OpenCDTrack(int track, QChar drive, int32_t colour, tVideoWindow*) override {
        Log(QString("OpenCDTrack %1 %2 %3").arg(track).arg(drive).arg(colour));
        return Opened();
    }
    void Close() override { Log("Close"); }
    void SetRate(double r) override { Log("SetRate " + QString::number(r)); }
    double GetRate() override { return rate; }
    void SetPlaybackCursor() override { Log("SetPlaybackCursor"); }
    int VideoWidth() override { return 640; }
    int VideoHeight() override { return 480; }
    int32_t OverlayColorKey() override { return 0x00FF00FF; }

private:
    void Log(const QString& call) { *log_ << QString::number(id_) + " " + call; }
    bool Opened() {
        SetLastError(opens ? QString() : openError);
        return opens;
    }

    uint8_t id_;
    QStringList* log_;
};

} // namespace lyrimo::test
