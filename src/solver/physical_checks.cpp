#include "solver/physical_checks.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "kernels/internal_impedance.h"
#include "numerics/positive_definite.h"
#include "solver/sweep.h"

namespace xsrl {

namespace {

// A diagonal resistance may fall below its floor by rounding: this fraction of |Z|.
constexpr double RoundingTolerance = 1e-9;

// The conductance of a conductor with its current spread over its ribbons as at DC.
double spreadConductance(const PreparedStructure& prepared, int conductor, double omega)
{
    const Conductor& c = prepared.conductors[static_cast<std::size_t>(conductor)];
    double conductance = 0.0;
    for (long i = prepared.ribbons.firstOf(conductor); i < prepared.ribbons.endOf(conductor); ++i)
        conductance += 1.0 / internalImpedance(prepared.ribbons.list[static_cast<std::size_t>(i)], c, omega).re;
    return conductance;
}

bool isLoopReport(const PreparedStructure& prepared)
{
    return !prepared.settings.partial && prepared.conductors.size() > 1;
}

bool allFinite(const RealMatrix& m)
{
    for (int i = 0; i < m.rows(); ++i)
        for (int j = 0; j < m.cols(); ++j)
            if (!std::isfinite(m[i][j])) return false;
    return true;
}

}  // namespace

double resistanceFloor(const PreparedStructure& prepared, int conductor, double omega)
{
    double floor = 1.0 / spreadConductance(prepared, conductor, omega);
    if (isLoopReport(prepared)) {
        double grounds = 0.0;
        for (std::size_t k = 0; k < prepared.conductors.size(); ++k)
            if (!prepared.isSignal[k]) grounds += spreadConductance(prepared, static_cast<int>(k), omega);
        floor += 1.0 / grounds;
    }
    return floor;
}

std::string unphysicalFinding(const PreparedStructure& prepared, const FrequencyPoint& point, double omega)
{
    if (!allFinite(point.r) || !allFinite(point.l) || !allFinite(point.c) || !allFinite(point.g)) return "";
    if (isLoopReport(prepared)) {
        if (!isPositiveDefinite(point.l)) return "the loop inductance matrix is not positive definite";
        if (point.c.rows() > 0 && !isPositiveDefinite(point.c))
            return "the capacitance matrix is not positive definite";
    }
    const std::vector<Port> ports = reportedPorts(prepared);
    for (std::size_t p = 0; p < ports.size(); ++p) {
        const int i = static_cast<int>(p);
        const int conductor = ports[p].conductor - 1;
        const double r = point.r[i][i];
        const double floor = resistanceFloor(prepared, conductor, omega);
        if (r < floor - RoundingTolerance * std::hypot(r, omega * point.l[i][i])) {
            char text[200];
            std::snprintf(text, sizeof text, "the resistance of %s, %.4e ohm/m, is below its DC floor %.4e ohm/m",
                          conductorName(conductor, prepared.conductors[static_cast<std::size_t>(conductor)]).c_str(), r,
                          floor);
            return text;
        }
    }
    return "";
}

}  // namespace xsrl
