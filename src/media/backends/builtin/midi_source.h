// MIDI files played through FluidSynth with a General MIDI SoundFont.
//
// The events are sent to the synthesizer by this sequencer, at the 64-frame block nearest to
// their time, so the media clock and the music agree to within half a block. Speed changes the
// tempo only: the synthesizer keeps rendering at the output's rate, so the pitch stays. A key
// change transposes the notes as they are sent.
#pragma once

#include "media/backends/builtin/midi_sequence.h"
#include "media/backends/builtin/pcm_source.h"

#include <QString>

#include <array>
#include <functional>
#include <memory>

namespace lyrimo {

// A synthesizer with the SoundFont loaded. Loading the SoundFont is the slow part of opening a
// MIDI file, so synthesizers are kept for the whole process and lent out one open at a time.
class tSynthLease;

// The SoundFont used: $LYRIMO_SOUNDFONT when it names a file, else the system's General MIDI
// SoundFont (default-GM.sf2 or .sf3), else TimGM6mb. Empty when there is none.
QString GeneralMidiSoundFont();

class tMidiSource : public tPcmSource {
public:
    static std::unique_ptr<tMidiSource> Open(const QString& fileName, int outputRate, QString& reason);
    ~tMidiSource() override;

    int64_t LengthFrames() const override { return length_; }
    bool Seek(int64_t frame) override;
    int Read(float* out, int frames) override;
    bool Ended() const override { return ended_ && blockRead_ >= kBlock; }
    bool ChangesTempo() const override { return true; }
    void SetTempo(double tempo) override { tempo_ = tempo; }
    double MediaPosition() const override {
        return blockRead_ < kBlock ? blockMedia_ + blockRead_ * blockTempo_ : nextBlockMedia_;
    }
    bool ChangesKey() const override { return true; }
    void SetKey(int semitones) override { transposer_.SetKey(semitones); }

    // Sees every event as the synthesizer gets it, on the thread that reads the source.
    using tEventObserver = std::function<void(const tMidiEvent&)>;
    void SetEventObserver(tEventObserver observer) { observer_ = std::move(observer); }

private:
    static constexpr int kBlock = 64;

    tMidiSource(std::unique_ptr<tSynthLease> synth, tMidiSequence sequence, int outputRate);
    void RenderBlock();
    void Send(tMidiEvent event);
    void Synthesize(const tMidiEvent& event);
    double EventFrame(size_t index) const { return sequence_.events[index].seconds * outputRate_; }

    std::unique_ptr<tSynthLease> synth_;
    tMidiSequence sequence_;
    int outputRate_;
    int64_t length_;
    size_t next_ = 0; // the next event to send
    double tempo_ = 1.0;
    tMidiTransposer transposer_;
    tEventObserver observer_;
    std::array<float, kBlock * 2> block_{};
    int blockRead_ = kBlock; // frames of block_ already read
    double blockMedia_ = 0;  // media frame of block_'s first frame
    double blockTempo_ = 1.0;
    double nextBlockMedia_ = 0;
    int64_t tailFrames_ = 0;   // frames rendered after the last event
    int64_t silentFrames_ = 0; // frames rendered since the last voice ended
    bool ended_ = false;
};

} // namespace lyrimo
