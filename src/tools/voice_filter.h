// The voice suppressor's arithmetic, one sample frame at a time: the centre of the stereo image
// is taken out, then an optional reverb and treble cut are applied. Integer arithmetic only,
// divisions truncating toward zero, exactly as the suppressor has always computed it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace lyrimo {

struct tVoiceRemSettings {
    int Reduction = 90;          // 50..100 (%)
    int TrebleCut = 1;           // passes of the treble cut, 0..5
    int ReverbLevel = 5;         // 0 (none) .. 5
    int ReverbDelay = 4;         // 0..9: (delay + 1) × 1001 frames of reverb ring
    bool RecursiveReverb = true; // the reverb feeds back on itself

    // The same settings with every value inside its range.
    tVoiceRemSettings Bounded() const;
};

class tVoiceFilter {
public:
    tVoiceFilter(const tVoiceRemSettings& settings, bool eightBit);

    // Signed samples in (−128..127 for 8-bit, −32768..32767 for 16-bit); the mono sample out.
    int Filter(int left, int right);

    static constexpr int kRingRowLength = 1001;
    static constexpr int kReadLead = 10; // the read index starts this far ahead of the write index

private:
    int Reverb(int out);
    int Clip(int out) const;
    int TrebleCut(int out);
    int StoredWidth(int value) const; // a value as the ring holds it, truncated to the sample width

    tVoiceRemSettings settings_;
    bool eightBit_;
    std::vector<int> ring_;
    std::size_t write_ = 0;
    std::size_t read_ = kReadLead;
    std::array<std::array<int, 3>, 5> history_{}; // per pass: oldest first
};

} // namespace lyrimo
