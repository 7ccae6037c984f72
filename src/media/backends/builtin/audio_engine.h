// The heart of the built-in player: plays one medium into an audio output and keeps its clock.
//
// Threads and locking. The output's own thread calls Render for every buffer it needs; all other
// calls come from the one thread that drives the player. One mutex guards everything the two
// share, and Render holds it for the whole buffer, so Render must be quick: sources that read
// files and decode are read ahead on a thread of their own (tReadAheadSource) and Render only
// copies from them. What can take long on the driving thread (seeking, which decodes up to the
// exact frame; loading and unloading a medium) happens on a source that is first taken out of
// the engine, so Render never waits for it: while the source is out, the output plays silence
// and the clock holds the position asked for. A source is therefore only ever used by one
// thread at a time.
#pragma once

#include "media/backends/builtin/audio_output.h"
#include "media/backends/builtin/output_clock.h"
#include "media/backends/builtin/pcm_source.h"
#include "media/backends/builtin/time_stretcher.h"

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace lyrimo {

// Plays a source at another speed or in another key. With a time stretcher the pitch is kept at
// any speed and can be moved by itself; without one the frames are read at a fractional step
// (cubic interpolation) and the pitch moves with the speed. At normal speed in the media's own
// key the frames pass as they are.
class tRateStage {
public:
    void Reset(int64_t frame);
    void SetStretcher(std::unique_ptr<tTimeStretcher> stretcher);
    bool HasStretcher() const { return stretcher_ != nullptr; }
    // Up to `frames` output frames at `rate` source frames per output frame, the pitch times
    // `pitch` (which needs the stretcher); fewer at the end of the source or when it has nothing
    // ready yet.
    int Produce(tPcmSource& source, float* out, int frames, double rate, double pitch = 1.0);
    // The media frame the next output frame belongs to.
    double Position() const { return position_; }
    bool Ended() const;

private:
    int Resample(tPcmSource& source, float* out, int frames, double rate);
    int Stretch(tPcmSource& source, float* out, int frames, double rate, double pitch);
    bool Fill(tPcmSource& source, int64_t lastNeeded);
    int64_t BufferEnd() const { return bufferStart_ + static_cast<int64_t>(buffer_.size() / 2); }
    float Sample(int64_t frame, int channel) const;
    void DropConsumed();

    std::vector<float> buffer_; // stereo frames from bufferStart_ on
    int64_t bufferStart_ = 0;
    int64_t endFrame_ = -1; // the source's end, once reached
    double position_ = 0;
    std::unique_ptr<tTimeStretcher> stretcher_;
    bool stretching_ = false;
    double stretchPitch_ = 1.0; // the pitch the stretch was started with
    int64_t fed_ = 0;           // while stretching: the next frame for the stretcher
    bool stretchEnded_ = false;
};

class tAudioEngine : public tAudioRenderer {
public:
    // Before loading. An output that is not real time waits for sound still being decoded.
    void Configure(int sampleRate, int latencyFrames, bool realTime = true);
    int SampleRate() const { return sampleRate_; }
    int LatencyFrames() const;
    // The output's latency changed (a sound server's part of it can); the clock never goes back.
    void SetLatencyFrames(int latencyFrames);

    // The output's thread: fills a buffer of stereo frames that starts playing after the latency.
    void Render(float* out, int frames, tSteadyTime now) override;

    // The driving thread. A loaded medium stands at 0, stopped, at normal speed.
    void Load(std::unique_ptr<tPcmSource> source);
    std::unique_ptr<tPcmSource> Unload();
    bool Loaded() const;

    void Play();
    // Marks the medium paused (also one that was not started, so that Play continues it).
    void Pause();
    // Lands on the frame exactly; a playing medium is left paused. False when the source failed.
    bool Seek(int64_t frame);
    // Stops and returns to the start.
    void Stop();
    // Keeps the pitch at other speeds, and lets the key change, from then on (a stretcher takes
    // a moment to make).
    void KeepPitch();
    void SetRate(double rate);
    double Rate() const;
    // Semitones up or down; a source that cannot change its own key needs KeepPitch first.
    // A loaded medium starts in its own key (0).
    void SetKey(int semitones);
    int Key() const;

    double PositionFrames(tSteadyTime now);
    int64_t LengthFrames() const;
    bool IsPlaying(tSteadyTime now);
    bool IsPaused() const;

    // Called from the output's thread after each buffer with the time it was asked for, the
    // first output frame of the buffer and the media frame and step it started with; for
    // measuring the clock.
    using tRenderObserver =
        std::function<void(tSteadyTime, int64_t frame, int frames, double media, double step)>;
    void SetRenderObserver(tRenderObserver observer);

private:
    enum class tState { Stopped, Playing, Paused };

    int Produce(float* out, int frames);
    void RestartAt(double media);

    mutable std::mutex mutex_;
    int sampleRate_ = 48000;
    bool realTime_ = true;
    std::unique_ptr<tPcmSource> source_;
    tRateStage stage_;
    tOutputClock clock_;
    tState state_ = tState::Stopped;
    bool ended_ = false;
    int64_t endOutputFrame_ = 0;
    double heldMedia_ = 0; // where playback goes on from
    double rate_ = 1.0;
    int key_ = 0;
    double pitch_ = 1.0; // what the stage shifts by: 1 when the source changes its own key
    int64_t length_ = 0;
    tRenderObserver observer_;
};

} // namespace lyrimo
