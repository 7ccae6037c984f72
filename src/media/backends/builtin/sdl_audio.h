// The one owner of SDL's audio in the program. The built-in player's output and the sound effects
// each open a device of their own here, and each device holds a use of SDL's audio subsystem:
// the first use starts it, the last one shuts it down. Uses and devices may be taken and let go
// from any thread; SDL keeps state for each thread that starts its audio and frees it only for
// threads of its own, so the program starts and ends it on the main thread.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace lyrimo {

// A use of SDL's audio subsystem, held for as long as the object lives.
class tSdlAudioUse {
public:
    // Starts the subsystem when nobody uses it yet; Ok() is false, with the reason, when it cannot.
    tSdlAudioUse();
    ~tSdlAudioUse();
    tSdlAudioUse(const tSdlAudioUse&) = delete;
    tSdlAudioUse& operator=(const tSdlAudioUse&) = delete;

    bool Ok() const { return ok_; }
    const QString& Error() const { return error_; }

private:
    bool ok_ = false;
    QString error_;
};

// An open SDL audio device playing stereo float frames, either pulled from a callback on SDL's
// own thread or queued by the caller. Some drivers (the dummy one among them) open only one
// device at a time.
class tSdlAudioDevice {
public:
    // Fills `frames` stereo frames; called on SDL's audio thread while the device runs.
    using tPull = std::function<void(float* out, int frames)>;

    // Opens a device at the sample rate (SDL converts to what the hardware takes) with a buffer
    // of about `bufferFrames`; without a pull function sound is queued with Queue. Not yet
    // running. Null with the reason when there is no sound output.
    static std::unique_ptr<tSdlAudioDevice> Open(int sampleRate, int bufferFrames, tPull pull,
                                                 QString& error);

    // Waits for a running pull to finish, closes the device and lets go of its use of SDL's audio.
    ~tSdlAudioDevice();
    tSdlAudioDevice(const tSdlAudioDevice&) = delete;
    tSdlAudioDevice& operator=(const tSdlAudioDevice&) = delete;

    void SetRunning(bool running);
    // The buffer the device really got, in frames.
    int BufferFrames() const { return bufferFrames_; }
    // SDL's driver that plays it ("alsa", "pulseaudio", "pipewire", "dummy", ...).
    const std::string& DriverName() const { return driver_; }

    // Queued devices: appends frames, tells how many are still waiting, drops them.
    void Queue(const float* frames, int count);
    int64_t QueuedFrames() const;
    void ClearQueue();

private:
    tSdlAudioDevice() = default;
    static void Callback(void* self, uint8_t* stream, int bytes);

    tSdlAudioUse use_; // first in, last out: the device closes before the use ends
    uint32_t id_ = 0;
    int bufferFrames_ = 0;
    std::string driver_;
    tPull pull_;
};

// How many uses of SDL's audio there are now, and whether the subsystem is started (for tests).
int SdlAudioUsers();
bool SdlAudioStarted();

} // namespace lyrimo
