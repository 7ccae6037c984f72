#include "media/backends/builtin/audio_output.h"
#include "media/backends/builtin/sdl_audio.h"
#include "media/backends/builtin/server_latency.h"

#include <chrono>

namespace lyrimo {
namespace {

constexpr int kSampleRate = 48000;
constexpr int kBufferFrames = 1024;

class tSdlOutput : public tAudioOutput {
public:
    bool Open(tAudioRenderer* renderer, QString& error) override {
        auto pull = [renderer](float* out, int frames) {
            renderer->Render(out, frames, std::chrono::steady_clock::now());
        };
        device_ = tSdlAudioDevice::Open(kSampleRate, kBufferFrames, pull, error);
        if (!device_)
            return false;
        if (DriverUsesSoundServer(device_->DriverName()))
            server_ = std::make_unique<tServerLatency>(kSampleRate);
        return true;
    }

    void SetRunning(bool running) override {
        if (device_)
            device_->SetRunning(running);
    }

    int SampleRate() const override { return kSampleRate; }
    int LatencyFrames() const override {
        return (device_ ? device_->BufferFrames() : kBufferFrames) + ServerLatencyFrames();
    }
    int ServerLatencyFrames() const override { return server_ ? server_->Frames() : 0; }

private:
    std::unique_ptr<tSdlAudioDevice> device_;
    std::unique_ptr<tServerLatency> server_; // asks about the device's stream: goes first
};

} // namespace

std::unique_ptr<tAudioOutput> MakeSdlOutput() { return std::make_unique<tSdlOutput>(); }

} // namespace lyrimo
