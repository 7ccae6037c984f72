// Where the built-in player's sound goes: a device that pulls stereo float buffers from a
// renderer on a thread of its own.
#pragma once

#include "media/backends/builtin/output_clock.h"

#include <QString>

#include <functional>
#include <memory>

namespace lyrimo {

class tAudioRenderer {
public:
    virtual ~tAudioRenderer() = default;
    virtual void Render(float* out, int frames, tSteadyTime now) = 0;
};

class tAudioOutput {
public:
    virtual ~tAudioOutput() = default;
    // Opens the device, not yet pulling; false with the reason.
    virtual bool Open(tAudioRenderer* renderer, QString& error) = 0;
    virtual void SetRunning(bool running) = 0;
    virtual int SampleRate() const = 0;
    // Frames between the one being handed over and the one being heard. It can change while the
    // output plays, and may be asked from any thread.
    virtual int LatencyFrames() const = 0;
    // The part of that latency a sound server behind the device adds (0 without one).
    virtual int ServerLatencyFrames() const { return 0; }
    // False for an output that pulls at whatever pace suits it rather than at the sound's own:
    // it can be made to wait for sound still being decoded instead of being handed silence.
    virtual bool RealTime() const { return true; }
};

using tAudioOutputFactory = std::function<std::unique_ptr<tAudioOutput>()>;

// The system's sound output through SDL (SDL_AUDIODRIVER=dummy plays into nothing, at pace).
std::unique_ptr<tAudioOutput> MakeSdlOutput();

} // namespace lyrimo
