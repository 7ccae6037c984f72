#include "media/backends/builtin/audio_output.h"
#include "media/backends/builtin/sdl_audio.h"

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
        return device_ != nullptr;
    }

    void SetRunning(bool running) override {
        if (device_)
            device_->SetRunning(running);
    }

    int SampleRate() const override { return kSampleRate; }
    int LatencyFrames() const override { return device_ ? device_->BufferFrames() : kBufferFrames; }

private:
    std::unique_ptr<tSdlAudioDevice> device_;
};

} // namespace

std::unique_ptr<tAudioOutput> MakeSdlOutput() { return std::make_unique<tSdlOutput>(); }

} // namespace lyrimo
