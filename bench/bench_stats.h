// What the benchmarks share for summing up their readings.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

// The reading at the fraction (0.5 the median, 0.99 the 99th percentile) of the sorted readings;
// not a number when there are none.
inline double Percentile(std::vector<double> values, double fraction) {
    if (values.empty())
        return NAN;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1,
                           static_cast<size_t>(fraction * static_cast<double>(values.size())))];
}
