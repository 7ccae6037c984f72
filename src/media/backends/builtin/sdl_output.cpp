#include "media/backends/builtin/audio_output.h"

#include <SDL.h>

#include <chrono>

namespace lyrimo {
namespace {

constexpr int kSampleRate = 48000;
constexpr int kBufferFrames = 1024;

// SDL's audio subsystem, started once for the process and shut down at exit.
class tSdlAudio {
public:
    tSdlAudio() : ready_(SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        if (!ready_)
            error_ = QString::fromUtf8(SDL_GetError());
    }
    ~tSdlAudio() {
        if (ready_)
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    bool ready_;
    QString error_;
};

tSdlAudio& SdlAudio() {
    static tSdlAudio audio;
    return audio;
}

class tSdlOutput : public tAudioOutput {
public:
    ~tSdlOutput() override {
        if (device_ != 0)
            SDL_CloseAudioDevice(device_); // waits for a running callback
    }

    bool Open(tAudioRenderer* renderer, QString& error) override {
        if (!SdlAudio().ready_) {
            error = SdlAudio().error_;
            return false;
        }
        renderer_ = renderer;
        SDL_AudioSpec want{};
        want.freq = kSampleRate;
        want.format = AUDIO_F32SYS;
        want.channels = 2;
        want.samples = kBufferFrames;
        want.callback = &tSdlOutput::Callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        // SDL converts to whatever the device really takes, so the format asked for is the one used.
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (device_ == 0) {
            error = QString::fromUtf8(SDL_GetError());
            return false;
        }
        latency_ = have.samples > 0 ? have.samples : kBufferFrames;
        return true;
    }

    void SetRunning(bool running) override {
        if (device_ != 0)
            SDL_PauseAudioDevice(device_, running ? 0 : 1);
    }

    int SampleRate() const override { return kSampleRate; }
    int LatencyFrames() const override { return latency_; }

private:
    static void Callback(void* self, Uint8* stream, int bytes) {
        auto* output = static_cast<tSdlOutput*>(self);
        const int frames = bytes / static_cast<int>(2 * sizeof(float));
        output->renderer_->Render(reinterpret_cast<float*>(stream), frames, std::chrono::steady_clock::now());
    }

    SDL_AudioDeviceID device_ = 0;
    tAudioRenderer* renderer_ = nullptr;
    int latency_ = kBufferFrames;
};

} // namespace

std::unique_ptr<tAudioOutput> MakeSdlOutput() { return std::make_unique<tSdlOutput>(); }

bool SdlAudioAvailable() { return SdlAudio().ready_; }

} // namespace lyrimo
