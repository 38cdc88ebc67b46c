#include "kernels/inductance.h"

#include <cmath>

#include "kernels/chord_inductance.h"
#include "kernels/quadrature.h"
#include "kernels/strip_inductance.h"
#include "numerics/constants.h"

namespace xsrl {

double rectangleKernel(double x, double y)
{
    if (x == 0.0 && y == 0.0) return 0.0;
    if (x == 0.0 || y == 0.0) {
        const double u = x + y;
        return std::pow(u, 4.0) / 24 * std::log(u * u);
    }
    return ((std::pow(x, 4.0) - 6 * x * x * y * y + std::pow(y, 4.0)) / 24) * std::log(x * x + y * y) -
           (x * y / 3) * (x * x * std::atan(y / x) + y * y * std::atan(x / y));
}

double rectangleInductance(const Ribbon& a, const Ribbon& b)
{
    // Corner differences in term order, each with its sign (-1)^(i+j) or (-1)^(k+l).
    const double dy[4] = {a.y2 - b.y2, a.y1 - b.y2, a.y2 - b.y1, a.y1 - b.y1};
    const double dx[4] = {a.x2 - b.x2, a.x1 - b.x2, a.x2 - b.x1, a.x1 - b.x1};
    const bool positive[4] = {true, false, false, true};

    // One running sum: the terms cancel over many orders of magnitude for thin ribbons.
    double sum = 0.0;
    for (int k = 0; k < 4; ++k) {
        for (int i = 0; i < 4; ++i) {
            const double term = rectangleKernel(dx[i], dy[k]);
            if (positive[i] == positive[k])
                sum += term;
            else
                sum -= term;
        }
    }
    const double total = sum + 4.166666666666667 * (a.x2 - a.x1) * (b.x2 - b.x1) * (a.y2 - a.y1) * (b.y2 - b.y1);
    return ((Mu0 / 4) / Pi) / ((a.x1 - a.x2) * (a.y1 - a.y2)) / ((b.x1 - b.x2) * (b.y1 - b.y2)) * total;
}

namespace {

double segmentLength(const Ribbon& r)
{
    const double dx = r.x2 - r.x1;
    const double dy = r.y2 - r.y1;
    return std::sqrt(dx * dx + dy * dy);
}

}  // namespace

double segmentInductance(const Ribbon& a, const Ribbon& b)
{
    const double lenA = segmentLength(a);
    const double lenB = segmentLength(b);
    const double thetaA = std::atan2(a.y2 - a.y1, a.x2 - a.x1);
    const double thetaB = std::atan2(b.y2 - b.y1, b.x2 - b.x1);
    const SegmentPair pair{
        std::cos(thetaA), std::sin(thetaA), std::cos(thetaB), std::sin(thetaB), a.x1, a.y1, b.x1, b.y1};

    const double q =
        integrate2d([&pair](double s, double t) { return filamentIntegrand(pair, s, t); }, 0.0001 * lenA, lenA, lenB);
    return -q * Mu0 / (FourPi * lenA * lenB);
}

double ribbonPairInductance(const Ribbon& a, const Ribbon& b, Accuracy accuracy)
{
    if (a.kind == RibbonKind::AccurateChord || b.kind == RibbonKind::AccurateChord)
        return accurateChordInductance(a, b);
    // A chord is a segment: its bounding rectangle is no model of it, and a level or upright
    // chord spans a rectangle of (nearly) zero height or width, so the closed form would give
    // an infinite or meaningless value next to a filament.
    if (a.kind == RibbonKind::Chord || b.kind == RibbonKind::Chord) return segmentInductance(a, b);
    // The accurate mode (the only one with plate strips) takes the current as sheets on the
    // faces, with forms that keep their digits (the integral form below leaves out 1e-4 of
    // each outer integral).
    if (accuracy == Accuracy::High || isPlateStrip(a) || isPlateStrip(b)) return accuratePairInductance(a, b);
    if (a.kind == RibbonKind::Filament || b.kind == RibbonKind::Filament) return rectangleInductance(a, b);

    const double dx = a.x1 - b.x1;
    const double dy = a.y1 - b.y1;
    const double dist = std::sqrt(dx * dx + dy * dy);
    const bool far = 50.0 * segmentLength(a) < dist || 50.0 * segmentLength(b) < dist;
    return far ? segmentInductance(a, b) : rectangleInductance(a, b);
}

}  // namespace xsrl
