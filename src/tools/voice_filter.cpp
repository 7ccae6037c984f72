#include "tools/voice_filter.h"

#include <algorithm>

namespace lyrimo {

tVoiceRemSettings tVoiceRemSettings::Bounded() const {
    tVoiceRemSettings bounded = *this;
    bounded.Reduction = std::clamp(Reduction, 50, 100);
    bounded.TrebleCut = std::clamp(TrebleCut, 0, 5);
    bounded.ReverbLevel = std::clamp(ReverbLevel, 0, 5);
    bounded.ReverbDelay = std::clamp(ReverbDelay, 0, 9);
    return bounded;
}

tVoiceFilter::tVoiceFilter(const tVoiceRemSettings& settings, bool eightBit)
    : settings_(settings.Bounded()), eightBit_(eightBit),
      ring_(static_cast<size_t>(settings_.ReverbDelay + 1) * kRingRowLength, 0) {}

int tVoiceFilter::Filter(int left, int right) {
    const int e = settings_.Reduction;
    const int mid = (left + right) / 2;
    const int side = 2 * left - 2 * right;
    int out = ((100 - e) * mid + e * side) / 100;
    if (settings_.ReverbLevel > 0)
        out = Reverb(out);
    return TrebleCut(Clip(out));
}

int tVoiceFilter::StoredWidth(int value) const {
    return eightBit_ ? static_cast<int8_t>(value) : static_cast<int16_t>(value);
}

int tVoiceFilter::Reverb(int out) {
    const int divisor = 7 - settings_.ReverbLevel;
    if (settings_.RecursiveReverb) {
        out = (ring_[read_] + out) / 2;
        ring_[write_] = StoredWidth(out / divisor);
    } else {
        ring_[write_] = StoredWidth(out / divisor);
        out = (ring_[read_] + out) / 2;
    }
    if (++write_ == ring_.size())
        write_ = 0;
    if (++read_ == ring_.size())
        read_ = 0;
    return out;
}

int tVoiceFilter::Clip(int out) const {
    return eightBit_ ? std::clamp(out, -128, 127) : std::clamp(out, -32768, 32767);
}

int tVoiceFilter::TrebleCut(int out) {
    for (int pass = 0; pass < settings_.TrebleCut; ++pass) {
        auto& h = history_[pass];
        h[0] = h[1];
        h[1] = h[2];
        h[2] = out;
        out = (h[2] + 2 * h[1] + h[0]) / 4;
    }
    return out;
}

} // namespace lyrimo
