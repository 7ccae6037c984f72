#include "media/sound_effect_player.h"

#include "media/backends/builtin/ffmpeg_source.h"
#include "media/backends/builtin/sdl_audio.h"

#include <chrono>
#include <vector>

namespace lyrimo {

namespace {
constexpr int kEffectRate = 48000;
constexpr int kChunkFrames = 4096;
constexpr int64_t kMaxQueuedFrames = kEffectRate * 2; // two seconds
} // namespace

tSoundEffectPlayer::tSoundEffectPlayer() = default;

tSoundEffectPlayer::~tSoundEffectPlayer() { JoinWorker(); }

bool tSoundEffectPlayer::OpenDevice() {
    if (device_)
        return true;
    QString reason;
    device_ = tSdlAudioDevice::Open(kEffectRate, 1024, nullptr, reason);
    if (!device_)
        return false;
    device_->SetRunning(true);
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
    if (device_)
        device_->ClearQueue();
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
    // The device takes the effect channel's rate; SDL converts to what the hardware plays.
    std::unique_ptr<tFfmpegSource> source = tFfmpegSource::Open(fileName, kEffectRate, reason);
    if (source) {
        std::vector<float> chunk(static_cast<size_t>(kChunkFrames) * 2);
        while (!cancel_ && !source->Ended()) {
            const int frames = source->Read(chunk.data(), kChunkFrames);
            if (frames <= 0)
                break;
            device_->Queue(chunk.data(), frames);
            queuedFrames_ += frames;
            // A long file is queued as it plays rather than decoded into memory all at once.
            while (!cancel_ && device_->QueuedFrames() > kMaxQueuedFrames)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        lastPlayOk_ = queuedFrames_ > 0;
    }
    decodingDone_ = true;
}

} // namespace lyrimo
