#include "kernels/strip_inductance.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "numerics/constants.h"

namespace xsrl {

namespace {

// A strip has zero height: y1 == y2.
struct Box {
    double x1;
    double x2;
    double y1;
    double y2;
};

Box boxOf(const Ribbon& r)
{
    return Box{std::min(r.x1, r.x2), std::max(r.x1, r.x2), std::min(r.y1, r.y2), std::max(r.y1, r.y2)};
}

// The four x differences of two extents, each with its sign in the double integral
// Int Int f(x - x') dx dx' = -(K(a2 - b2) - K(a2 - b1) - K(a1 - b2) + K(a1 - b1)) for K'' = f.
template <class Kernel>
double secondDifference(const Box& a, const Box& b, const Kernel& k)
{
    return -(k(a.x2 - b.x2) - k(a.x2 - b.x1) - k(a.x1 - b.x2) + k(a.x1 - b.x1));
}

// Mean of ln r^2 over two strips, or over a rectangle and a strip, in closed form.
double closedFormMean(const Box& a, const Box& strip)
{
    const double wa = a.x2 - a.x1;
    const double wb = strip.x2 - strip.x1;
    if (a.y1 == a.y2) {
        const double d = a.y1 - strip.y1;
        return secondDifference(a, strip, [d](double u) { return stripKernel(u, d); }) / (wa * wb);
    }
    const double v1 = a.y1 - strip.y1;
    const double v2 = a.y2 - strip.y1;
    const double sum =
        secondDifference(a, strip, [v1, v2](double u) { return stripAreaKernel(u, v2) - stripAreaKernel(u, v1); });
    return sum / (wa * (a.y2 - a.y1) * wb);
}

// Four-point Gauss-Legendre rule on [-1, 1].
constexpr double FarNodes[4] = {-0.8611363115940526, -0.3399810435848563, 0.3399810435848563, 0.8611363115940526};
constexpr double FarWeights[4] = {0.3478548451374538, 0.6521451548625461, 0.6521451548625461, 0.3478548451374538};

// Mean of ln r^2 by the product rule: over x of both, and over y of a box with a height.
double productRuleMean(const Box& a, const Box& b)
{
    const auto node = [](double lo, double hi, int i) { return 0.5 * (lo + hi) + 0.5 * (hi - lo) * FarNodes[i]; };
    const int aRows = a.y1 == a.y2 ? 1 : 4;
    const int bRows = b.y1 == b.y2 ? 1 : 4;
    double sum = 0.0;
    for (int ia = 0; ia < 4; ++ia) {
        for (int ja = 0; ja < aRows; ++ja) {
            const double xa = node(a.x1, a.x2, ia);
            const double ya = aRows == 1 ? a.y1 : node(a.y1, a.y2, ja);
            const double wa = FarWeights[ia] * (aRows == 1 ? 2.0 : FarWeights[ja]);
            for (int ib = 0; ib < 4; ++ib) {
                for (int jb = 0; jb < bRows; ++jb) {
                    const double dx = xa - node(b.x1, b.x2, ib);
                    const double dy = ya - (bRows == 1 ? b.y1 : node(b.y1, b.y2, jb));
                    const double wb = FarWeights[ib] * (bRows == 1 ? 2.0 : FarWeights[jb]);
                    sum += wa * wb * std::log(dx * dx + dy * dy);
                }
            }
        }
    }
    return sum / 16.0;  // each rule's weights add up to 2 per dimension, 4 dimensions
}

// Larger side of the two boxes, and the distance between their centres.
double largestSide(const Box& a, const Box& b)
{
    return std::max({a.x2 - a.x1, a.y2 - a.y1, b.x2 - b.x1, b.y2 - b.y1});
}

double centreDistance(const Box& a, const Box& b)
{
    return 0.5 * std::hypot(a.x1 + a.x2 - b.x1 - b.x2, a.y1 + a.y2 - b.y1 - b.y2);
}

// Beyond ten sides the closed forms lose digits to cancellation while the product rule, its
// integrand analytic over both, is exact to about 1e-13.
bool far(const Box& a, const Box& b) { return centreDistance(a, b) > 10.0 * largestSide(a, b); }

}  // namespace

bool fartherThanTenSides(const Ribbon& a, const Ribbon& b) { return far(boxOf(a), boxOf(b)); }

double productRuleInductance(const Ribbon& a, const Ribbon& b)
{
    return -(Mu0 / FourPi) * productRuleMean(boxOf(a), boxOf(b));
}

double stripKernel(double u, double d)
{
    if (u == 0.0 && d == 0.0) return 0.0;
    const double r2 = u * u + d * d;
    const double arc = d == 0.0 ? 0.0 : 2.0 * u * d * std::atan(u / d);
    return 0.5 * (u * u - d * d) * std::log(r2) + arc - 1.5 * u * u;
}

double stripAreaKernel(double u, double v)
{
    if (u == 0.0 && v == 0.0) return 0.0;
    const double r2 = u * u + v * v;
    const double arcs =
        (u == 0.0 ? 0.0 : u * u * u / 3.0 * std::atan(v / u)) + (v == 0.0 ? 0.0 : u * v * v * std::atan(u / v));
    return arcs - 11.0 / 6.0 * u * u * v + v * v * v / 9.0 + v * (3.0 * u * u - v * v) * std::log(r2) / 6.0;
}

double stripPairInductance(const Ribbon& a, const Ribbon& b)
{
    Box first = boxOf(a);
    Box second = boxOf(b);
    // The closed forms take the strip second.
    if (second.y1 != second.y2) std::swap(first, second);

    const double mean = far(first, second) ? productRuleMean(first, second) : closedFormMean(first, second);
    return -(Mu0 / FourPi) * mean;
}

}  // namespace xsrl
