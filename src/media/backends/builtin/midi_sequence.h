// A standard MIDI file read into one time-ordered list of the events a synthesizer needs, with the
// time of each in seconds (tempo changes and SMPTE timing applied).
//
// Files are read defensively: a length that runs past the end, a missing end-of-track or a stray
// byte ends that track where it breaks, and sizes are bounded, so a damaged or hostile file gives
// a short sequence or a clear refusal, never a wild read.
#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace lyrimo {

struct tMidiEvent {
    double seconds = 0;
    uint8_t status = 0; // a channel message 0x80..0xEF, or 0xF0 for a system-exclusive message
    uint8_t data1 = 0;
    uint8_t data2 = 0;
    std::vector<uint8_t> sysex; // the message after 0xF0, without the closing 0xF7

    bool IsNote() const {
        return (status & 0xF0) == 0x80 || (status & 0xF0) == 0x90 || (status & 0xF0) == 0xA0;
    }
};

struct tMidiSequence {
    std::vector<tMidiEvent> events;
    double lengthSeconds = 0; // the time of the last event or end of track
};

// Moves notes by semitones on their way to the synthesizer, leaving the percussion channel
// (channel 10) alone: its keys are drums, not pitches. A note is released, and its pressure
// changed, on the key it was struck on, so a key change while notes sound leaves none hanging.
class tMidiTransposer {
public:
    static constexpr int kPercussionChannel = 9;

    void SetKey(int semitones) { key_ = semitones; }
    int Key() const { return key_; }
    // Changes the event to what the synthesizer gets; false when it is to be dropped (a note
    // moved out of the keyboard's 0 to 127).
    bool Apply(tMidiEvent& event);
    // Forgets the struck notes (the synthesizer was silenced).
    void Reset() { struck_.fill(kNotStruck); }

private:
    static constexpr int16_t kNotStruck = -1;
    std::array<int16_t, 16 * 128> struck_ = Unstruck();
    static std::array<int16_t, 16 * 128> Unstruck() {
        std::array<int16_t, 16 * 128> keys{};
        keys.fill(kNotStruck);
        return keys;
    }
    int key_ = 0;
};

constexpr int64_t kMaxMidiFileBytes = 16 * 1024 * 1024;
constexpr size_t kMaxMidiEvents = 1024 * 1024;

// True when the bytes begin like a MIDI file (a standard one or one wrapped in RIFF "RMID").
bool LooksLikeMidi(const QByteArray& head);
// True for a MIDI file by its name (.mid, .midi, .rmi, .kar, .smf) or else by its first bytes.
bool IsMidiFile(const QString& fileName);

// False with the reason when the bytes are no MIDI file that can be played.
bool ReadMidiSequence(const QByteArray& bytes, tMidiSequence& sequence, QString& reason);

} // namespace lyrimo
