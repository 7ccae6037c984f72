// A medium the built-in player can play: it yields interleaved stereo float frames at the
// output's sample rate. "Media frames" count media time in frames of that rate.
#pragma once

#include <cstdint>

namespace lyrimo {

class tPcmSource {
public:
    virtual ~tPcmSource() = default;

    // The length in media frames (an estimate for some compressed files until their end is read).
    virtual int64_t LengthFrames() const = 0;
    // Moves so that the next frame read is exactly this media frame; false when that failed.
    virtual bool Seek(int64_t frame) = 0;
    // Writes up to `frames` frames. Fewer come back at the end, or when a slow device has not
    // delivered yet (then Ended() is false).
    virtual int Read(float* out, int frames) = 0;
    virtual bool Ended() const = 0;

    // Sources whose Read reads a file and decodes, which can take a while: the engine reads them
    // ahead on a thread of their own so that the output never waits for that.
    virtual bool WantsReadAhead() const { return false; }

    // Sources that play at another speed by themselves (a MIDI sequence changes its tempo);
    // the others are resampled by the engine.
    virtual bool ChangesTempo() const { return false; }
    virtual void SetTempo(double) {}
    // For sources that change tempo: the media frame the next frame read belongs to.
    virtual double MediaPosition() const { return 0; }

    // Sources that play in another key by themselves (a MIDI sequence transposes its notes);
    // the others are pitch-shifted by the engine.
    virtual bool ChangesKey() const { return false; }
    virtual void SetKey(int /*semitones*/) {}
};

} // namespace lyrimo
