// The audible clock of an audio output: which media frame the listener hears at a given moment.
//
// The output pulls buffers; every frame handed to it is recorded as part of a run that maps
// output frames to media frames (a run of silence holds one media frame). The frame heard now is
// the number of frames handed over minus the output's latency, advanced between pulls at the
// pace the output has been pulling, and never beyond what was handed over.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>

namespace lyrimo {

using tSteadyTime = std::chrono::steady_clock::time_point;

class tOutputClock {
public:
    void Configure(int sampleRate, int latencyFrames);
    // The output's latency changed while it plays: a larger one holds the frame heard until
    // the time has caught up with it, a smaller one moves it on.
    void SetLatency(int latencyFrames) { latency_ = latencyFrames; }

    // A buffer starts being filled at `now`; its frames are appended next.
    void BeginBuffer(tSteadyTime now);
    // The next `frames` output frames play media from `media` on, advancing mediaPerFrame each
    // (0 for silence that holds the position).
    void Append(int frames, double media, double mediaPerFrame);
    // Whatever was already handed to the output counts as `media` from now on (after a seek).
    void Restart(double media);

    // The output frame heard at `now`; never goes back.
    double AudibleFrame(tSteadyTime now);
    // The media frame heard at `now`.
    double MediaAt(tSteadyTime now);
    int64_t Delivered() const { return delivered_; }
    int LatencyFrames() const { return latency_; }

private:
    struct tRun {
        int64_t start;
        int64_t frames;
        double media;
        double perFrame;
    };
    struct tPull {
        tSteadyTime time;
        int64_t frame;
    };
    static constexpr int kPullHistory = 32;

    double PullRate() const;
    void ForgetRunsBefore(double frame);

    int sampleRate_ = 48000;
    int latency_ = 0;
    int64_t delivered_ = 0;
    bool pulled_ = false;
    tSteadyTime lastPullTime_{};
    int64_t lastPullStart_ = 0;
    std::array<tPull, kPullHistory> pulls_{};
    int pullCount_ = 0;
    int nextPull_ = 0;
    std::deque<tRun> runs_;
    int64_t restartFrame_ = 0;
    double restartMedia_ = 0;
    double lastAudible_ = -1e18;
};

} // namespace lyrimo
