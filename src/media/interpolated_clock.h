// A smooth position from an engine whose clock is coarse: an engine that reports its position in
// steps (a quarter of a second or more) or that answers slowly (another program over D-Bus).
// Between the engine's reports the position runs on the steady clock at the playback rate;
// a report that disagrees a little nudges it, one that disagrees a lot (a seek the engine made
// itself, a stall) is taken as it stands. While running the position never goes back.
//
// Times are milliseconds of media time, as doubles so that the interpolation keeps its fractions.
#pragma once

#include <chrono>

namespace lyrimo {

class tInterpolatedClock {
public:
    using tTime = std::chrono::steady_clock::time_point;

    // Errors larger than this are jumps: the report is taken as the new position.
    static constexpr double kJumpMs = 250.0;
    // The share of a small error put right at each changed report.
    static constexpr double kCorrectionShare = 0.5;

    // Stands still at ms (after an open, a seek or a stop).
    void Reset(double ms);
    // Starts running from where it stands.
    void Run(tTime now);
    // Stops running, standing where it is now.
    void Hold(tTime now);
    void SetRate(double rate, tTime now);

    // A reading of the engine's own clock. A coarse clock repeats its last value until it moves
    // on, so only a reading that changed carries news; a standing clock takes every reading.
    void Observe(double reportedMs, tTime now);

    // The smoothed position now.
    double Position(tTime now);
    bool IsRunning() const { return running_; }

private:
    double Projected(tTime now) const;
    void Anchor(double ms, tTime now);

    double anchorMs_ = 0;
    tTime anchorTime_{};
    double rate_ = 1.0;
    bool running_ = false;
    bool hasReport_ = false;
    double lastReport_ = 0;
    double lastGiven_ = 0;
};

} // namespace lyrimo
