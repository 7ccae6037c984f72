// Pure tones for the key tests, and the frequency of the tone in a piece of played sound.
#pragma once

#include "media_fixtures.h"

#include <cmath>
#include <cstddef>
#include <numbers>
#include <vector>

namespace lyrimo::test {

// A sine of hz in both channels at half of full scale.
inline tSignal ToneSignal(double hz, double seconds, int rate = 48000) {
    tSignal signal;
    signal.rate = rate;
    const auto frames = static_cast<size_t>(seconds * rate);
    signal.samples.resize(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        const auto sample =
            static_cast<int16_t>(std::lround(16384 * std::sin(2 * std::numbers::pi * hz * i / rate)));
        signal.samples[i * 2] = signal.samples[i * 2 + 1] = sample;
    }
    return signal;
}

// The frequency (Hz) of the strongest tone between lowHz and highHz in the samples: the peak of
// their spectrum under a Hann window, found by steps of half the window's resolution and
// then narrowed down to a hundredth of a Hz. 0 for fewer than a thousand samples.
inline double ToneFrequency(const std::vector<float>& samples, int rate, double lowHz = 100,
                            double highHz = 2000) {
    const size_t n = samples.size();
    if (n < 1000)
        return 0;
    std::vector<double> windowed(n);
    for (size_t i = 0; i < n; ++i)
        windowed[i] = samples[i] * (0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / (n - 1)));
    // Goertzel's recurrence gives the power at any frequency, not only at the bins of an FFT.
    const auto power = [&](double hz) {
        const double coefficient = 2 * std::cos(2 * std::numbers::pi * hz / rate);
        double s1 = 0, s2 = 0;
        for (double x : windowed) {
            const double s = x + coefficient * s1 - s2;
            s2 = s1;
            s1 = s;
        }
        return s1 * s1 + s2 * s2 - coefficient * s1 * s2;
    };
    const double step = rate / 2.0 / n;
    double best = lowHz;
    double bestPower = -1;
    for (double hz = lowHz; hz <= highHz; hz += step)
        if (const double p = power(hz); p > bestPower) {
            bestPower = p;
            best = hz;
        }
    double low = best - step, high = best + step;
    while (high - low > 0.01) {
        const double a = low + (high - low) * 0.382, b = low + (high - low) * 0.618;
        if (power(a) > power(b))
            high = b;
        else
            low = a;
    }
    return (low + high) / 2;
}

// The frequency a key of semitones makes of hz.
inline double KeyedFrequency(double hz, int semitones) { return hz * std::exp2(semitones / 12.0); }

} // namespace lyrimo::test
