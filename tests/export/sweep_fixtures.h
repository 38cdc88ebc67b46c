// Hand-made sweep results for the exporter tests.
#pragma once

#include <cmath>
#include <initializer_list>
#include <unistd.h>
#include <vector>

#include "app/sweep_result.h"

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

// A uniform line's per-metre matrices at one frequency.
inline FrequencyPoint linePoint(double frequency, const RealMatrix& r, const RealMatrix& l, const RealMatrix& g,
                                const RealMatrix& c)
{
    return FrequencyPoint{frequency, r, l, c, g};
}

inline SweepResult sweepOf(std::vector<FrequencyPoint> points)
{
    SweepResult result;
    for (int k = 0; k < points.front().r.rows(); ++k) result.ports.push_back(Port{k + 2, true});
    result.points = std::move(points);
    return result;
}

// count frequencies evenly spaced on a log scale from fmin to fmax.
inline std::vector<double> logSweep(double fmin, double fmax, int count)
{
    std::vector<double> f;
    for (int k = 0; k < count; ++k) f.push_back(fmin * std::pow(fmax / fmin, k / (count - 1.0)));
    return f;
}

// Runs a test body in a fresh folder (exports are written in the current one) and comes back.
struct InFolder {
    std::string previous;
    explicit InFolder(const std::string& folder)
    {
        char here[4096];
        previous = getcwd(here, sizeof here) ? here : ".";
        if (chdir(folder.c_str()) != 0) previous.clear();
    }
    ~InFolder()
    {
        if (!previous.empty() && chdir(previous.c_str()) != 0) std::perror("chdir");
    }
};
