#include "kernels/strip_inductance.h"

#include <algorithm>
#include <cmath>

#include "kernels/inductance.h"
#include "numerics/constants.h"

namespace xsrl {

namespace {

bool level(const Outline& o) { return o.y1 == o.y2; }
bool upright(const Outline& o) { return o.x1 == o.x2; }
Outline swapAxes(const Outline& o) { return Outline{o.y1, o.y2, o.x1, o.x2}; }

// Int Int f(x - x') dx dx' over the x extents of a and b = -(K(a2 - b2) - K(a2 - b1) -
// K(a1 - b2) + K(a1 - b1)) for K'' = f.
template <class Kernel>
double secondDifference(const Outline& a, const Outline& b, const Kernel& k)
{
    return -(k(a.x2 - b.x2) - k(a.x2 - b.x1) - k(a.x1 - b.x2) + k(a.x1 - b.x1));
}

// Mean of ln r^2 over a level sheet `s` and `a`, a level sheet or a rectangle.
double overLevelSheet(const Outline& a, const Outline& s)
{
    const double wa = a.x2 - a.x1;
    const double ws = s.x2 - s.x1;
    if (level(a)) {
        const double d = a.y1 - s.y1;
        return secondDifference(a, s, [d](double u) { return stripKernel(u, d); }) / (wa * ws);
    }
    const double v1 = a.y1 - s.y1;
    const double v2 = a.y2 - s.y1;
    const double sum =
        secondDifference(a, s, [v1, v2](double u) { return stripAreaKernel(u, v2) - stripAreaKernel(u, v1); });
    return sum / (wa * (a.y2 - a.y1) * ws);
}

// Mean of ln r^2 over a level sheet and an upright one: an integral over the rectangle of the
// differences u = x - x', v = y - y'.
double overCrossedSheets(const Outline& h, const Outline& v)
{
    const double u1 = h.x1 - v.x1;
    const double u2 = h.x2 - v.x1;
    const double w1 = h.y1 - v.y2;
    const double w2 = h.y1 - v.y1;
    const double sum = crossKernel(u2, w2) - crossKernel(u1, w2) - crossKernel(u2, w1) + crossKernel(u1, w1);
    return sum / ((u2 - u1) * (w2 - w1));
}

// Mean of ln r^2 in closed form, at least one of the two a sheet.
double closedFormMean(const Outline& a, const Outline& b)
{
    if (level(b)) return upright(a) ? overCrossedSheets(b, a) : overLevelSheet(a, b);
    if (level(a)) return upright(b) ? overCrossedSheets(a, b) : overLevelSheet(b, a);
    // An upright sheet and an upright sheet or a rectangle: the same with x and y swapped.
    return upright(b) ? overLevelSheet(swapAxes(a), swapAxes(b)) : overLevelSheet(swapAxes(b), swapAxes(a));
}

// Four-point Gauss-Legendre rule on [-1, 1].
constexpr double Nodes[4] = {-0.8611363115940526, -0.3399810435848563, 0.3399810435848563, 0.8611363115940526};
constexpr double Weights[4] = {0.3478548451374538, 0.6521451548625461, 0.6521451548625461, 0.3478548451374538};

// Points and weights (adding up to 1) of the rule over an outline: one point across a sheet.
struct RulePoints {
    double x[16];
    double y[16];
    double w[16];
    int count = 0;
};

RulePoints rulePoints(const Outline& o)
{
    RulePoints p;
    const int nx = upright(o) ? 1 : 4;
    const int ny = level(o) ? 1 : 4;
    for (int i = 0; i < nx; ++i) {
        for (int j = 0; j < ny; ++j) {
            p.x[p.count] = nx == 1 ? o.x1 : 0.5 * (o.x1 + o.x2) + 0.5 * (o.x2 - o.x1) * Nodes[i];
            p.y[p.count] = ny == 1 ? o.y1 : 0.5 * (o.y1 + o.y2) + 0.5 * (o.y2 - o.y1) * Nodes[j];
            p.w[p.count] = (nx == 1 ? 1.0 : 0.5 * Weights[i]) * (ny == 1 ? 1.0 : 0.5 * Weights[j]);
            ++p.count;
        }
    }
    return p;
}

double productRuleMean(const Outline& a, const Outline& b)
{
    const RulePoints pa = rulePoints(a);
    const RulePoints pb = rulePoints(b);
    double sum = 0.0;
    for (int i = 0; i < pa.count; ++i) {
        for (int j = 0; j < pb.count; ++j) {
            const double dx = pa.x[i] - pb.x[j];
            const double dy = pa.y[i] - pb.y[j];
            sum += pa.w[i] * pb.w[j] * std::log(dx * dx + dy * dy);
        }
    }
    return sum;
}

// Beyond ten sides the closed forms lose digits to cancellation while the product rule, its
// integrand analytic over both, is exact to about 1e-13.
bool farApart(const Outline& a, const Outline& b)
{
    const double side = std::max({a.x2 - a.x1, a.y2 - a.y1, b.x2 - b.x1, b.y2 - b.y1});
    return 0.5 * std::hypot(a.x1 + a.x2 - b.x1 - b.x2, a.y1 + a.y2 - b.y1 - b.y2) > 10.0 * side;
}

}  // namespace

Outline currentOutline(const Ribbon& r)
{
    const double xLow = std::min(r.x1, r.x2);
    const double xHigh = std::max(r.x1, r.x2);
    const double yLow = std::min(r.y1, r.y2);
    const double yHigh = std::max(r.y1, r.y2);
    switch (r.kind) {
    case RibbonKind::FaceX:
    case RibbonKind::WholeFaceX:
    case RibbonKind::PlateStripOneFace:
    case RibbonKind::PlateStripBothFaces: return Outline{xLow, xHigh, r.y1, r.y1};
    case RibbonKind::FaceY:
    case RibbonKind::WholeFaceY: return Outline{r.x1, r.x1, yLow, yHigh};
    default: return Outline{xLow, xHigh, yLow, yHigh};
    }
}

double stripKernel(double u, double d)
{
    if (u == 0.0 && d == 0.0) return 0.0;
    const double arc = d == 0.0 ? 0.0 : 2.0 * u * d * std::atan(u / d);
    return 0.5 * (u * u - d * d) * std::log(u * u + d * d) + arc - 1.5 * u * u;
}

double stripAreaKernel(double u, double v)
{
    if (u == 0.0 && v == 0.0) return 0.0;
    const double arcs =
        (u == 0.0 ? 0.0 : u * u * u / 3.0 * std::atan(v / u)) + (v == 0.0 ? 0.0 : u * v * v * std::atan(u / v));
    return arcs - 11.0 / 6.0 * u * u * v + v * v * v / 9.0 + v * (3.0 * u * u - v * v) * std::log(u * u + v * v) / 6.0;
}

double crossKernel(double u, double v)
{
    if (u == 0.0 && v == 0.0) return 0.0;
    const double arcs = (u == 0.0 ? 0.0 : u * u * std::atan(v / u)) + (v == 0.0 ? 0.0 : v * v * std::atan(u / v));
    return u * v * std::log(u * u + v * v) - 3.0 * u * v + arcs;
}

double accuratePairInductance(const Ribbon& a, const Ribbon& b)
{
    const Outline first = currentOutline(a);
    const Outline second = currentOutline(b);
    if (farApart(first, second)) return -(Mu0 / FourPi) * productRuleMean(first, second);
    const bool sheets = level(first) || upright(first) || level(second) || upright(second);
    if (!sheets) return rectangleInductance(a, b);
    return -(Mu0 / FourPi) * closedFormMean(first, second);
}

}  // namespace xsrl
