// Reading a Standard MIDI File into its raw tracks, and MIDI ticks as milliseconds.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

namespace lyrimo {

namespace midi_error {
constexpr int None = 0;
constexpr int CannotOpen = 1;   // not found or not openable
constexpr int Corrupt = 2;      // a header length that does not fit the file, or a chunk that is not "MTrk"
constexpr int NotMidi = 3;      // fewer than 8 bytes, or no "MThd" at the start
constexpr int TrackMissing = 4; // a track shorter than its declared length
constexpr int TooLarge = 5;     // more data than an import may take
} // namespace midi_error

// No karaoke file comes near this; larger files are refused rather than read into memory.
constexpr int64_t kMaxMidiFileSize = 16 << 20;

struct MidiType {
    std::vector<QByteArray> Tracks; // the bytes of each "MTrk" chunk
    uint16_t Format = 0;
    uint16_t TrackCount = 0;
    int16_t Division = 0;
    int Error = midi_error::None;
    QByteArray FileBytes; // the MIDI file itself (from inside the wrapper of an .RMI file)
};

// Reads the file; the result's Error tells how it went. RIFF-wrapped files (.RMI) are
// unwrapped first.
MidiType ReadMidiFile(const QString& path);
MidiType ParseMidiBytes(const QByteArray& bytes);

// True when the division counts SMPTE frames rather than quarter notes.
inline bool IsSmpteDivision(int16_t division) { return division < 0; }

// One event of a track, its running status resolved.
struct tMidiEvent {
    uint64_t Tick = 0;
    uint8_t Status = 0;
    uint8_t MetaType = 0; // of a meta event (status 0xFF)
    QByteArrayView Data;  // the data bytes: a meta event's text or value, a channel event's two bytes
};

// Walks a track's events in order up to its end-of-track event. A track cut short ends the
// walk with the last event that fits.
void ForEachMidiEvent(const QByteArray& track, const std::function<void(const tMidiEvent&)>& visit);

inline bool IsNoteOn(const tMidiEvent& event) {
    return (event.Status & 0xF0) == 0x90 && event.Data.size() == 2 && event.Data[1] != 0;
}

// Milliseconds of a number of ticks at a tempo (microseconds per quarter note), rounded
// half away from zero.
int64_t MidiTime(int64_t ticks, uint32_t tempo, int16_t division);

} // namespace lyrimo
