// A scripted media player and small songs for driving a performance headless.
#pragma once

#include "document/song.h"
#include "media/media_player.h"
#include "media/player.h"
#include "media/video_window.h"

#include <QFile>
#include <QStringList>

#include <chrono>
#include <memory>

namespace lyrimo::test {

// Plays "media" of a given length in real time: the position runs from the last seek while playing,
// stands while paused and the medium ends by itself at its length. Every call that changes
// something is logged ("Play", "SetPosition 5000").
class tScriptedPlayer : public tPlayer {
public:
    explicit tScriptedPlayer(QStringList* log) : log_(log) { SetExtensions({".wav"}); }

    bool opens = true;
    QString openError;
    int length = 1500;
    double rate = 1.0;
    bool changesKey = true;
    int key = 0;
    int videoWidth = 0;
    int videoHeight = 0;

    bool IsEnabled() override { return true; }
    uint8_t PlayerID() override { return 4; }
    bool IsAvailable() override { return true; }
    int TrackCount() override { return 1; }
    int GetPosition() override {
        if (playing_ && !paused_) {
            const int position = base_ + int(double(Now() - startedAt_) * rate);
            if (position >= length) {
                playing_ = false;
                base_ = length;
            }
            return std::min(position, length);
        }
        return base_;
    }
    int GetLength() override { return length; }
    void SetPosition(int ms) override {
        Log("SetPosition " + QString::number(ms));
        base_ = ms;
        startedAt_ = Now();
        if (playing_)
            paused_ = true;
    }
    void SetDisplayRect(const tDisplayRect& r) override {
        Log(QString("SetDisplayRect %1 %2 %3 %4").arg(r.left).arg(r.top).arg(r.right).arg(r.bottom));
    }
    bool CanPlayCDs() override { return false; }
    bool CanChangeRate() override { return true; }
    void Play() override {
        Log("Play");
        if (paused_ || !playing_)
            startedAt_ = Now();
        playing_ = true;
        paused_ = false;
    }
    void PauseResume() override {
        Log("PauseResume");
        if (paused_) {
            Play();
            return;
        }
        base_ = GetPosition();
        paused_ = true;
    }
    void Stop() override {
        Log("Stop");
        playing_ = paused_ = false;
    }
    bool IsPlaying() override {
        GetPosition();
        return playing_;
    }
    bool IsPaused() override { return paused_; }
    bool OpenFile(const QString& fileName, tVideoWindow* window, int32_t) override {
        Log("OpenFile " + fileName);
        window_ = window;
        SetLastError(opens ? QString() : openError);
        base_ = 0;
        playing_ = paused_ = false;
        return opens;
    }
    void Close() override { Log("Close"); }
    void SetRate(double r) override {
        Log("SetRate " + QString::number(r));
        rate = r;
    }
    double GetRate() override { return rate; }
    bool CanChangeKey() override { return changesKey; }
    void SetKey(int semitones) override {
        Log("SetKey " + QString::number(semitones));
        key = semitones;
    }
    int GetKey() override { return key; }
    int VideoWidth() override { return videoWidth; }
    int VideoHeight() override { return videoHeight; }
    // Puts a picture of the video's size in the video window, the colour telling the position
    // (its red is the position in tenths of a second).
    void RefreshDisplay() override {
        if (!window_ || videoWidth <= 0 || videoHeight <= 0)
            return;
        const int position = GetPosition();
        Bitmap picture(videoWidth, videoHeight, tPixelFormat::Bits32);
        picture.Fill(tColour(0x800000 | std::min(position / 100, 255)));
        window_->Show(std::move(picture), position);
    }
    tVideoWindow* Window() const { return window_; }

private:
    static int64_t Now() {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
    void Log(const QString& call) { *log_ << call; }

    QStringList* log_;
    tVideoWindow* window_ = nullptr;
    bool playing_ = false;
    bool paused_ = false;
    int base_ = 0;
    int64_t startedAt_ = 0;
};

// A song of parts with the given numbers of lines, each line timed word by word from
// firstLineStart on, its media a (dummy) WAV file in the scratch folder.
std::unique_ptr<tLyrimoData> MakeSong(const std::vector<int>& linesPerPart, const QString& mediaPath,
                                      int firstLineStart = 100, int lineSpacing = 300);

} // namespace lyrimo::test
