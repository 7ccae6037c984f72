// Sound effects played by shortcut keys during a performance: the file is decoded with FFmpeg on a
// thread of its own and queued to an SDL audio device of its own (opened through the program's
// one owner of SDL audio, beside the built-in player's), so the song's sound and the
// performance's frames go on undisturbed. A new effect cuts off the one still playing.
#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

namespace lyrimo {

class tSdlAudioDevice;

class tSoundEffectPlayer {
public:
    tSoundEffectPlayer();
    ~tSoundEffectPlayer();
    tSoundEffectPlayer(const tSoundEffectPlayer&) = delete;
    tSoundEffectPlayer& operator=(const tSoundEffectPlayer&) = delete;

    // Starts playing the file and returns at once. A file that cannot be played is silent:
    // no warning sound, no message.
    void Play(const QString& fileName);
    // Stops the effect playing now, if any.
    void Stop();

    // Frames decoded and queued for the last Play so far (tests wait on it).
    int64_t QueuedFrames() const { return queuedFrames_; }
    // True once the decoding of the last Play has ended, whether it succeeded or not.
    bool DecodingDone() const { return decodingDone_; }
    // False when the file could not be decoded or no sound output exists.
    bool LastPlayOk() const { return lastPlayOk_; }

private:
    bool OpenDevice();
    void Decode(QString fileName);
    void JoinWorker();

    std::unique_ptr<tSdlAudioDevice> device_;
    std::thread worker_;
    std::atomic<bool> cancel_{false};
    std::atomic<int64_t> queuedFrames_{0};
    std::atomic<bool> decodingDone_{true};
    std::atomic<bool> lastPlayOk_{false};
};

} // namespace lyrimo
