#include "solver/lc_check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "numerics/constants.h"

namespace xsrl {

double lcCheck(const FrequencyPoint& point, const RealMatrix& vacuumCapacitance, bool partial)
{
    const int n = point.l.rows();
    if (partial && n < 2) return std::numeric_limits<double>::quiet_NaN();
    const double omega = TwoPi * point.frequency;
    const double lightSpeed = 299792458.0;  // m/s
    RealMatrix m = dmatrix(n, n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            double sum = 0.0;
            for (int k = 0; k < n; ++k) sum += (point.l[i][k] - point.r[i][k] / omega) * vacuumCapacitance[k][j];
            m[i][j] = lightSpeed * lightSpeed * sum - (i == j ? 1.0 : 0.0);
            if (!std::isfinite(m[i][j])) return std::numeric_limits<double>::quiet_NaN();
        }
    double check = 0.0;
    for (int j = 0; j < n; ++j) {
        double low = m[0][j], high = m[0][j], largest = 0.0;
        for (int i = 0; i < n; ++i) {
            low = std::min(low, m[i][j]);
            high = std::max(high, m[i][j]);
            largest = std::max(largest, std::fabs(m[i][j]));
        }
        check = std::max(check, partial ? high - low : largest);
    }
    return check;
}

std::string lcCheckNote(double check, double frequency, bool partial)
{
    char text[160];
    std::snprintf(text, sizeof text, "L-C check %.1e (largest %s c0^2 (L - R/omega) C0 - I at f=%.4e Hz)", check,
                  partial ? "difference down a column of" : "entry of", frequency);
    return text;
}

}  // namespace xsrl
