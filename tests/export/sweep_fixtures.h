// Hand-made sweep results for the exporter tests.
#pragma once

#include <cmath>
#include <initializer_list>
#include <vector>

#include "numerics/matrix.h"
#include "xsrl/result.h"

namespace xsrl {

inline RealMatrix realMatrix(std::initializer_list<std::initializer_list<double>> rows)
{
    RealMatrix m = dmatrix(static_cast<int>(rows.size()), static_cast<int>(rows.size()));
    int i = 0;
    for (const auto& row : rows) {
        int j = 0;
        for (const double value : row) m[i][j++] = value;
        ++i;
    }
    return m;
}

// Ports 2, 3, ... of the deck, all signals.
inline SweepResult sweepOf(std::vector<FrequencyPoint> points)
{
    SweepResult result;
    for (int k = 0; k < points.front().r.rows(); ++k) result.ports.push_back(Port{k + 2, true});
    result.points = std::move(points);
    return result;
}

// `count` frequencies evenly spaced on a log scale from fmin to fmax.
inline std::vector<double> logSweep(double fmin, double fmax, int count)
{
    std::vector<double> f;
    for (int k = 0; k < count; ++k) f.push_back(fmin * std::pow(fmax / fmin, k / (count - 1.0)));
    return f;
}

}  // namespace xsrl
