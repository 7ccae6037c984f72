// The mpv player (identifier 3): sound and video files, and audio-CD tracks, through libmpv.
//
// One mpv core per player, made when first needed, without configuration files, terminal or
// input handling. Seeks are exact (mpv's precise seeking), a rate change keeps the pitch, and
// the end of a medium leaves the core standing at the end (mpv's keep-open) so that the player
// sees it and stops counting as playing.
//
// Key: mpv's rubberband filter, moving the formants with the pitch as a transposition does, is put
// into the sound's chain when the key first leaves the media's own and is then told each new
// pitch scale; while there it also takes the rate changes, keeping the pitch. Without a key the
// chain stays mpv's own, whose timing the clock below is built on. Putting the filter in rebuilds
// the chain: while playing, a few hundredths of a second of sound are lost there once.
//
// Clock: mpv's "audio-pts", the time of the sound leaving the output now (the output's delay
// already taken off), so it runs smoothly with the steady clock; a video without sound uses
// the time of the picture shown ("time-pos"), interpolated between pictures.
//
// Video: with a video window, mpv renders into memory (its software renderer). mpv's video
// thread says when a new picture is due; the picture is then rendered on the driving thread in
// RefreshDisplay, at the size fitted to the display rectangle, and put into the window.
//
// Everything is driven from one thread; mpv's own threads only set the "picture due" flag,
// which a mutex guards. mpv's events are read in the operations, never on a thread of our own.
#pragma once

#include "media/interpolated_clock.h"
#include "media/player.h"
#include "picture/bitmap.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <initializer_list>
#include <mutex>

struct mpv_event;
struct mpv_handle;
struct mpv_render_context;

namespace lyrimo {

class tMpvPlayer : public tPlayer {
public:
    tMpvPlayer();
    ~tMpvPlayer() override;
    tMpvPlayer(const tMpvPlayer&) = delete;
    tMpvPlayer& operator=(const tMpvPlayer&) = delete;

    uint8_t PlayerID() override;
    bool IsAvailable() override;
    int TrackCount() override;
    int GetPosition() override;
    int GetLength() override;
    void SetPosition(int ms) override;
    void SetDisplayRect(const tDisplayRect& rect) override;
    void RefreshDisplay() override;
    bool CanChangeRate() override;
    void Play() override;
    void PauseResume() override;
    void Stop() override;
    bool IsPlaying() override;
    bool IsPaused() override;
    bool OpenFile(const QString& fileName, tVideoWindow* parent, int32_t colour) override;
    bool OpenCDTrack(int track, QChar drive, int32_t colour, tVideoWindow* parent) override;
    void Close() override;
    void SetRate(double rate) override;
    double GetRate() override;
    int VideoWidth() override;
    int VideoHeight() override;
    bool CanChangeKey() override;
    void SetKey(int semitones) override;
    int GetKey() override;

    static constexpr double kMinRate = 0.4;
    static constexpr double kMaxRate = 4.5;

    // A time property of the open medium in seconds as mpv gives it, NaN when it has none
    // ("audio-pts", "time-pos"): for measuring the engine's clocks.
    double EngineSeconds(const char* property);
    // For measuring the sound the engine makes: it goes into this WAV file (16-bit samples)
    // instead of an output, as fast as it is made, not in real time. Only before the player is
    // first used.
    void WriteSoundTo(const QString& wavPath);

private:
    using tClock = std::chrono::steady_clock;

    // Makes the core once; false (with the reason) when mpv cannot be used here.
    bool StartEngine();
    void SetOption(const char* name, const char* value);
    bool Command(std::initializer_list<const char*> arguments);
    double DoubleProperty(const char* name, double fallback);
    bool FlagProperty(const char* name);

    // Loads a medium paused and waits until it stands at its start; false with the reason.
    bool Load(const QByteArray& url, bool withVideo, QString& reason);
    void Opened();
    void TakeWindow(tVideoWindow* window);
    void LetGoOfWindow();
    // Reads mpv's events until one of the kind asked for, the end of the file or the deadline.
    enum class tWaitResult { Arrived, FileEnded, EndReached, TimedOut };
    tWaitResult WaitForEvent(int eventId, tClock::duration timeout, QString* endReason = nullptr);
    void DrainEvents();
    // Takes note of the changes of the properties observed.
    void Note(const mpv_event& event);
    void ReadEndFlags();
    // Takes note of the end of the medium: no longer playing nor paused.
    bool NoteEnd();
    bool StalledAtTheEnd();
    void SeekTo(int ms);
    double RawPositionMs();
    double LengthMs();
    // The position run on from the last reading of mpv's clock with the steady clock.
    double ProjectedMs() const;
    double ThroughRateChange(double engineMs, tClock::time_point now);
    void ReadVideoSize(bool withVideo);

    // The picture mpv says is due, rendered into the window.
    static void OnRenderUpdate(void* player);
    bool TakeRenderUpdate(tClock::duration wait);
    // Takes the pictures mpv hands over while the driving thread waits for mpv.
    void ServePictures();
    void ShowDuePicture(tClock::duration wait);
    void RenderInto(Bitmap& picture);

    mpv_handle* mpv_ = nullptr;
    mpv_render_context* render_ = nullptr;
    bool engineTried_ = false;
    QString engineProblem_;       // why there is no core, once tried
    QByteArray soundFile_;        // where the sound goes instead of an output, when set
    bool keyFilterKnown_ = false; // mpv has the rubberband filter

    bool open_ = false;
    bool started_ = false; // Play was called and neither Stop nor the end came since
    bool paused_ = false;
    int trackCount_ = 0;
    double lastMs_ = 0;         // the last position read, for moments mpv has none
    bool standing_ = true;      // lastMs_ is where the medium stands (not running, not ended)
    tClock::time_point readAt_; // when lastMs_ was read while running
    double rate_ = 1.0;
    int key_ = 0;
    bool keyFilterIn_ = false; // the medium's chain holds the rubberband filter
    // The sound clock's last reading and since when it has stood there, for telling the end of a
    // medium whose last sound the key's filter keeps back.
    double soundMs_ = -1;
    tClock::time_point soundSince_;
    struct tRateChange {
        bool active = false;
        double fromMs = 0; // the heard position when the rate changed
        tClock::time_point from;
        double oldRate = 1.0;
    } rateChange_;
    tInterpolatedClock pictureClock_; // for a video without sound
    int64_t entry_ = 0;               // mpv's playlist entry of the medium loaded last
    bool eof_ = false;                // mpv stands at the end of the medium ("eof-reached")
    bool idle_ = false;               // mpv has no medium ("idle-active")

    tVideoWindow* window_ = nullptr;
    int naturalWidth_ = 0;
    int naturalHeight_ = 0;
    int pictureWidth_ = 0;
    int pictureHeight_ = 0;
    Bitmap spare_; // handed back by the window, reused for the next picture
    int64_t picturesShown_ = 0;

    std::mutex updateMutex_;
    std::condition_variable updateArrived_;
    bool updatePending_ = false; // guarded by updateMutex_; set by mpv's video thread
};

} // namespace lyrimo
