#include "media/backends/builtin/sdl_audio.h"

#include <SDL.h>

#include <mutex>

namespace lyrimo {
namespace {

constexpr int kFrameBytes = 2 * sizeof(float);

// Starting and shutting down the subsystem and opening and closing devices all happen under the
// one lock, so no device meets a subsystem half started or half shut down, whatever SDL guards.
std::mutex gMutex;
int gUsers = 0;

} // namespace

tSdlAudioUse::tSdlAudioUse() {
    std::lock_guard lock(gMutex);
    if (gUsers == 0 && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        error_ = QString::fromUtf8(SDL_GetError());
        return;
    }
    ++gUsers;
    ok_ = true;
}

tSdlAudioUse::~tSdlAudioUse() {
    if (!ok_)
        return;
    std::lock_guard lock(gMutex);
    if (--gUsers == 0)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

std::unique_ptr<tSdlAudioDevice> tSdlAudioDevice::Open(int sampleRate, int bufferFrames, tPull pull,
                                                       QString& error) {
    std::unique_ptr<tSdlAudioDevice> device(new tSdlAudioDevice);
    if (!device->use_.Ok()) {
        error = device->use_.Error();
        return nullptr;
    }
    device->pull_ = std::move(pull);
    SDL_AudioSpec want{};
    want.freq = sampleRate;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = static_cast<Uint16>(bufferFrames);
    if (device->pull_) {
        want.callback = &tSdlAudioDevice::Callback;
        want.userdata = device.get();
    }
    SDL_AudioSpec have{};
    {
        std::lock_guard lock(gMutex);
        // No change is allowed: SDL converts to whatever the device really takes, so the format
        // asked for is the one used.
        device->id_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (device->id_ == 0)
            error = QString::fromUtf8(SDL_GetError());
        else if (const char* driver = SDL_GetCurrentAudioDriver())
            device->driver_ = driver;
    }
    if (device->id_ == 0)
        return nullptr;
    device->bufferFrames_ = have.samples > 0 ? have.samples : bufferFrames;
    return device;
}

tSdlAudioDevice::~tSdlAudioDevice() {
    if (id_ == 0)
        return;
    std::lock_guard lock(gMutex);
    SDL_CloseAudioDevice(id_); // waits for a running callback, which never takes the lock
}

void tSdlAudioDevice::Callback(void* self, uint8_t* stream, int bytes) {
    static_cast<tSdlAudioDevice*>(self)->pull_(reinterpret_cast<float*>(stream), bytes / kFrameBytes);
}

void tSdlAudioDevice::SetRunning(bool running) { SDL_PauseAudioDevice(id_, running ? 0 : 1); }

void tSdlAudioDevice::Queue(const float* frames, int count) {
    SDL_QueueAudio(id_, frames, static_cast<Uint32>(count * kFrameBytes));
}

int64_t tSdlAudioDevice::QueuedFrames() const { return SDL_GetQueuedAudioSize(id_) / kFrameBytes; }

void tSdlAudioDevice::ClearQueue() { SDL_ClearQueuedAudio(id_); }

int SdlAudioUsers() {
    std::lock_guard lock(gMutex);
    return gUsers;
}

bool SdlAudioStarted() {
    std::lock_guard lock(gMutex);
    return SDL_WasInit(SDL_INIT_AUDIO) != 0;
}

} // namespace lyrimo
