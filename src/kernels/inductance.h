// Partial inductance per unit length between two infinitely long parallel ribbons.
#pragma once

#include <cmath>

#include "model/structure.h"

namespace xsrl {

// H/m. The lower-index ribbon of a pair is always `a`: the integral form is not symmetric.
// Pairs with a chord of the accurate mode take its exact chord integrals (chord_inductance.h);
// pairs with a circle chord take the integral form; then, in the accurate mode,
// accuratePairInductance. Otherwise pairs with a filament the closed form; then ribbons more
// than 50 lengths apart the integral form; all others the closed form.
double ribbonPairInductance(const Ribbon& a, const Ribbon& b, Accuracy accuracy = Accuracy::Normal);

// Closed form: each ribbon as the axis-parallel rectangle spanned by its two corners.
double rectangleInductance(const Ribbon& a, const Ribbon& b);

// Integral form: each ribbon as the segment from its first corner to its second, the outer
// integral along `a` starting at 0.0001 of its length.
double segmentInductance(const Ribbon& a, const Ribbon& b);

// F(x, y) of the closed form for two rectangles.
double rectangleKernel(double x, double y);

// The two segments of an integral-form pair: start points and direction cosines and sines.
struct SegmentPair {
    double cosA;
    double sinA;
    double cosB;
    double sinB;
    double ax1;
    double ay1;
    double bx1;
    double by1;
};

// Natural logarithm of the squared distance between the point at s along segment A and the
// point at t along segment B; a squared distance <= 0 is taken as 1e-10.
inline double filamentIntegrand(const SegmentPair& p, double s, double t)
{
    const double dx = s * p.cosA - t * p.cosB + p.ax1 - p.bx1;
    const double dy = s * p.sinA - t * p.sinB + p.ay1 - p.by1;
    double r2 = dx * dx + dy * dy;
    if (r2 <= 0.0) r2 = 1e-10;
    return std::log(r2);
}

}  // namespace xsrl
