#include "media/sound_effect_player.h"

#include "media/backends/builtin/ffmpeg_source.h"

#include <SDL.h>

#include <vector>

namespace lyrimo {

namespace {
constexpr int kEffectRate = 48000;
constexpr int kChunkFrames = 4096;
constexpr Uint32 kMaxQueuedBytes = kEffectRate * 2 * sizeof(float) * 2; // two seconds
} // namespace

tSoundEffectPlayer::~tSoundEffectPlayer() {
    JoinWorker();
    if (device_ != 0)
        SDL_CloseAudioDevice(device_);
    if (sdlStarted_)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool tSoundEffectPlayer::OpenDevice() {
    if (device_ != 0)
        return true;
    if (!sdlStarted_) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return false;
        sdlStarted_ = true;
    }
    SDL_AudioSpec want{};
    want.freq = kEffectRate;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = nullptr; // queued sound
    SDL_AudioSpec have{};
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0)
        return false;
    sampleRate_ = kEffectRate; // SDL converts to what the device takes
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

void tSoundEffectPlayer::JoinWorker() {
    cancel_ = true;
    if (worker_.joinable())
        worker_.join();
    cancel_ = false;
}

void tSoundEffectPlayer::Stop() {
    JoinWorker();
    if (device_ != 0)
        SDL_ClearQueuedAudio(device_);
}

void tSoundEffectPlayer::Play(const QString& fileName) {
    Stop();
    queuedFrames_ = 0;
    lastPlayOk_ = false;
    if (!OpenDevice()) {
        decodingDone_ = true;
        return;
    }
    decodingDone_ = false;
    worker_ = std::thread(&tSoundEffectPlayer::Decode, this, fileName);
}

void tSoundEffectPlayer::Decode(QString fileName) {
    QString reason;
    std::unique_ptr<tFfmpegSource> source = tFfmpegSource::Open(fileName, sampleRate_, reason);
    if (source) {
        std::vector<float> chunk(static_cast<size_t>(kChunkFrames) * 2);
        while (!cancel_ && !source->Ended()) {
            const int frames = source->Read(chunk.data(), kChunkFrames);
            if (frames <= 0)
                break;
            SDL_QueueAudio(device_, chunk.data(), static_cast<Uint32>(frames * 2 * sizeof(float)));
            queuedFrames_ += frames;
            // A long file is queued as it plays rather than decoded into memory all at once.
            while (!cancel_ && SDL_GetQueuedAudioSize(device_) > kMaxQueuedBytes)
                SDL_Delay(20);
        }
        lastPlayOk_ = queuedFrames_ > 0;
    }
    decodingDone_ = true;
}

} // namespace lyrimo
