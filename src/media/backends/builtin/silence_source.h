// Silence of a fixed length: the clock of a video without sound, so that its pictures keep the
// same steady time (and speed) a sound track would give them.
#pragma once

#include "media/backends/builtin/pcm_source.h"

#include <algorithm>
#include <cstring>

namespace lyrimo {

class tSilenceSource : public tPcmSource {
public:
    explicit tSilenceSource(int64_t lengthFrames) : length_(std::max<int64_t>(lengthFrames, 0)) {}

    int64_t LengthFrames() const override { return length_; }
    bool Seek(int64_t frame) override {
        position_ = std::clamp<int64_t>(frame, 0, length_);
        return true;
    }
    int Read(float* out, int frames) override {
        const int made = int(std::clamp<int64_t>(length_ - position_, 0, frames));
        std::memset(out, 0, size_t(made) * 2 * sizeof(float));
        position_ += made;
        return made;
    }
    bool Ended() const override { return position_ >= length_; }

private:
    int64_t length_;
    int64_t position_ = 0;
};

} // namespace lyrimo
