// The VLC player (identifier 2): sound and video files through libVLC. One libVLC instance serves
// every player of the process; each open file gets a media player of its own.
//
// VLC only learns a file by playing it, so opening starts the file muted, waits (bounded) until it
// plays or fails, pauses it at once and goes back to 0.
//
// Clock: VLC's time moves in steps of a quarter second or so, and runs ahead of what is heard by
// about one block of its demuxer (from 1 to 90 ms, depending on the container). Every step VLC announces is
// stamped with the steady clock as it comes in, taken back by that lead and fed to a tInterpolatedClock,
// which runs on the steady clock at the playback rate in between; so the position is smooth, never goes back
// while playing, and stands still while paused.
//
// Video: VLC draws each picture into a buffer of ours (32-bit RGB at the video's natural size) on
// its own thread; the newest is copied under a mutex, and RefreshDisplay puts it into the video
// window, scaled to the display rectangle with the proportions kept.
//
// Sound: the system's output; when the null output is asked for (tests, benchmarks), the decoded
// sound goes to a sink of ours that takes each block at the time VLC asks it to be heard, so the
// file plays at real speed and silently.
#pragma once

#include "media/interpolated_clock.h"
#include "media/player.h"
#include "picture/bitmap.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

namespace lyrimo {

class tVlcPlayer : public tPlayer {
public:
    tVlcPlayer();
    ~tVlcPlayer() override;

    // Whether libVLC starts on this machine with its plugins (what IsAvailable answers).
    static bool EngineWorks();

    uint8_t PlayerID() override;
    bool IsAvailable() override;
    int TrackCount() override;
    int GetPosition() override;
    int GetLength() override;
    void SetPosition(int ms) override;
    void SetDisplayRect(const tDisplayRect& rect) override;
    void RefreshDisplay() override;
    bool CanChangeRate() override { return true; }
    void Play() override;
    void PauseResume() override;
    void Stop() override;
    bool IsPlaying() override;
    bool IsPaused() override;
    bool OpenFile(const QString& fileName, tVideoWindow* parent, int32_t colour) override;
    void Close() override;
    void SetRate(double rate) override;
    double GetRate() override;
    int VideoWidth() override;
    int VideoHeight() override;

    static constexpr double kMinRate = 0.4;
    static constexpr double kMaxRate = 4.5;
    // How far VLC's announced time runs ahead of the sound heard, in ms of media time, for
    // containers not measured (the lead depends on VLC's demuxer).
    static constexpr double kReportLeadMs = 45.0;
    // How long VLC takes, after being told to play, until its sound is heard.
    static constexpr int kStartDelayMs = 40;

    // For measuring the clock: with the null output, called on VLC's sound thread with each block
    // of 16-bit interleaved samples when it is heard (its steady-clock time), and with
    // frames = 0 when VLC throws away what it had (a seek or a stop).
    struct tHeardBlock {
        std::chrono::steady_clock::time_point time;
        const int16_t* samples;
        int frames;
        int channels;
        int rate;
    };
    using tHeardObserver = std::function<void(const tHeardBlock&)>;
    void SetHeardObserver(tHeardObserver observer);

    struct tSession;

private:
    bool Start(const QString& fileName, tVideoWindow* window, QString& reason);
    // Plays the file muted until VLC says it plays, then pauses it at once.
    bool StartPaused(QString& reason);
    void TakeReports();
    // Pauses a playing medium and stops the clock; true when it was running.
    void HoldPlayback();
    // Brings a medium that reached its end back to life, paused (VLC forgets it at the end).
    bool Revive();
    // VLC's seek, waited for (bounded) so that its next pictures and times are from the target.
    void SeekTo(int rawMs);
    // Waits up to firstWait for a picture newer than the count of new pictures `since`, then for
    // any that follow it closely; true when one came.
    bool SettlePictures(int64_t since, std::chrono::milliseconds firstWait);
    int RawPosition();
    int Corrected(double rawMs) const;

    std::unique_ptr<tSession> session_;
    tInterpolatedClock clock_;
    tVideoWindow* window_ = nullptr;
    int lengthMs_ = 0;
    bool started_ = false;
    bool paused_ = false;
    bool ended_ = false;
    double rate_ = 1.0;
    double reportLeadMs_ = kReportLeadMs;
    tDisplayRect display_{};
    bool hasDisplayRect_ = false;
    // After a seek, VLC may still announce a time from before it; until one near the target
    // comes, the others are passed over.
    bool awaitingSeek_ = false;
    int seekTarget_ = 0;
    tHeardObserver heardObserver_;
    Bitmap spare_; // the picture the window handed back, reused for the next
};

} // namespace lyrimo
