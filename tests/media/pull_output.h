// An audio output the test pulls by hand, so that what the player hands over can be inspected
// frame by frame. Its pulls are stamped long ago, so a position read afterwards is exactly the
// frame the pulled count (minus the latency) has reached, however fast the test runs; and as it
// is not real time, each pull waits for the sound it asks for to be decoded.
#pragma once

#include "media/backends/builtin/audio_output.h"

#include <vector>

namespace lyrimo::test {

constexpr int kPullRate = 48000;

struct tPuller {
    tAudioRenderer* renderer = nullptr;
    bool running = false;
    int latency = 0;
    tSteadyTime time{};

    std::vector<float> Pull(int frames, int chunk = 1024) {
        std::vector<float> out(static_cast<size_t>(frames) * 2);
        for (int done = 0; done < frames; done += chunk) {
            const int n = std::min(chunk, frames - done);
            renderer->Render(out.data() + static_cast<size_t>(done) * 2, n, time);
            time += std::chrono::microseconds(static_cast<int64_t>(n) * 1000000 / kPullRate);
        }
        return out;
    }
    std::vector<float> PullMs(int ms) { return Pull(ms * kPullRate / 1000); }
};

class tPullOutput : public tAudioOutput {
public:
    explicit tPullOutput(tPuller* puller) : puller_(puller) {}
    bool Open(tAudioRenderer* renderer, QString&) override {
        puller_->renderer = renderer;
        return true;
    }
    void SetRunning(bool running) override { puller_->running = running; }
    int SampleRate() const override { return kPullRate; }
    int LatencyFrames() const override { return puller_->latency; }
    bool RealTime() const override { return false; }

private:
    tPuller* puller_;
};

inline tAudioOutputFactory PullOutputFactory(tPuller* puller) {
    return [puller] { return std::make_unique<tPullOutput>(puller); };
}

} // namespace lyrimo::test
