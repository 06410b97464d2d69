#pragma once

// The statistics the benches need beyond Google Benchmark's own, in the shape it
// takes for an added statistic, so that the driver and the benches share them.

#include <algorithm>
#include <cmath>
#include <vector>

namespace bench {

// NaN for no values, which the table shows as "n/a".
inline double median(const std::vector<double> &values)
{
    if (values.empty())
        return std::nan("");
    std::vector<double> v = values;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

inline double largest(const std::vector<double> &values)
{
    return values.empty() ? std::nan("") : *std::max_element(values.begin(), values.end());
}

} // namespace bench
