// Changes the speed of stereo sound without moving its pitch, or its pitch without moving its
// speed, in real time (Rubber Band). The output is aligned with the input: after Restart, output
// frame k belongs to input frame k × rate, whatever the stretcher needs internally.
#pragma once

#include <memory>
#include <vector>

namespace RubberBand {
class RubberBandStretcher;
}

namespace lyrimo {

class tTimeStretcher {
public:
    explicit tTimeStretcher(int sampleRate);
    ~tTimeStretcher();
    tTimeStretcher(const tTimeStretcher&) = delete;
    tTimeStretcher& operator=(const tTimeStretcher&) = delete;

    // Starts a new stretch: forgets what was fed, at `rate` input frames per output frame and
    // the pitch times `pitch`.
    void Restart(double rate, double pitch);
    // Changes take effect on the frames fed from now on.
    void SetRate(double rate);
    void SetPitch(double pitch);

    // How many input frames the next Feed should bring for more output to come.
    int FramesWanted() const;
    // Interleaved stereo frames; `last` when they end the input.
    void Feed(const float* frames, int count, bool last);
    // Up to `count` interleaved stereo output frames; fewer when more input is wanted.
    int Take(float* frames, int count);
    // Everything fed with `last` has been taken.
    bool Finished() const;

private:
    void FeedPlanar(int count, bool last);
    void DropStartDelay();

    std::unique_ptr<RubberBand::RubberBandStretcher> stretcher_;
    std::vector<float> left_;
    std::vector<float> right_;
    size_t delayLeft_ = 0; // output frames still to drop at the start
};

} // namespace lyrimo
