// The GStreamer player (identifier 5): any file GStreamer's playbin can play. The sound goes to
// the default audio sink (a fake sink synchronised to the clock when the sound is to go nowhere)
// through scaletempo, so a change of rate keeps the pitch, and then through the soundtouch
// plugin's pitch element, where it is installed, which moves the key. The pictures of a video are
// decoded only when a video window comes with the file: an appsink takes them, converted to 32-bit
// RGB and scaled to the display rectangle, and refreshing the display puts the newest one due into
// the window.
//
// Its clock is the pipeline's position, which the sinks give as what is being heard now. Seeks
// are flushing and accurate, and wait for the pipeline to settle at the target so that the
// position and the picture there are right at once.
//
// No GLib main loop runs: the pipeline's messages are taken from its bus in the operations. The
// player is driven from one thread; GStreamer's streaming threads only hand over pictures.
#pragma once

#include "media/player.h"
#include "picture/bitmap.h"

#include <QString>

#include <cstdint>
#include <memory>

struct _GstElement;
struct _GstBus;
struct _GstMessage;

namespace lyrimo {

class tGstreamerPlayer : public tPlayer {
public:
    tGstreamerPlayer();
    ~tGstreamerPlayer() override;

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

    // The playbin underneath, for measuring its clock; nullptr when nothing is open.
    _GstElement* Pipeline() const { return pipeline_; }

private:
    class tFrameShelf;
    struct tPitchHandOver;

    bool OpenPipeline(const QString& fileName, tVideoWindow* window, QString& reason);
    bool Build(const QString& fileName, tVideoWindow* window, bool decodeVideo, QString& reason);
    // The bin the pictures go through: converted, scaled and handed over by an appsink.
    _GstElement* MakeVideoSink();
    // scaletempo, followed by the pitch element when it is installed.
    _GstElement* MakeAudioFilter();
    void SkipMp3Lead(const QString& fileName);
    // Brings the new pipeline to its first sound and picture at 0.
    bool Preroll(QString& reason);
    // Takes every message waiting on the bus.
    void DrainBus();
    void Handle(_GstMessage* message);
    // Waits (bounded) until the pipeline has settled after a state change or a flushing seek;
    // false and the engine's reason on an error or when it takes too long.
    bool WaitUntilSettled(int timeoutMs, QString* reason = nullptr);
    // Pauses the pipeline and waits until it holds still.
    void HoldStill();
    // A flushing accurate seek to ns at the current rate, waited for.
    bool SeekTo(int64_t ns);
    int64_t RawPositionNs();
    int RawLengthMs();
    void ReadVideoSize();
    // Shows the newest picture handed over if its time is not after dueBy (ms); the picture a
    // seek stopped at is shown whatever its time.
    void ShowNewestPicture(int64_t dueBy = INT64_MAX);

    _GstElement* pipeline_ = nullptr;
    _GstElement* videoCaps_ = nullptr; // the capsfilter that sets the pictures' size
    _GstBus* bus_ = nullptr;
    std::shared_ptr<tFrameShelf> shelf_;
    std::shared_ptr<tPitchHandOver> pitch_; // none without the pitch element
    tVideoWindow* window_ = nullptr;

    bool started_ = false;
    bool paused_ = false;
    bool ended_ = false;
    QString failure_; // an error the engine reported while waiting
    double rate_ = 1.0;
    int key_ = 0;
    int64_t lastPositionNs_ = 0; // of the media, as reported
    int64_t leadNs_ = 0;         // what the pipeline plays before the media's time 0
    int64_t trailNs_ = 0;        // and after its end
    int lengthMs_ = -1;          // -1: not known yet
    int videoWidth_ = 0;
    int videoHeight_ = 0;
    int targetWidth_ = 0; // the pictures' size; 0 for the natural one
    int targetHeight_ = 0;
    Bitmap spare_; // the picture the window handed back, reused
};

} // namespace lyrimo
