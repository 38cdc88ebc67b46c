#include "electrostatics/panel_integrals.h"

#include <algorithm>
#include <cmath>

namespace xsrl {

namespace {

// An antiderivative in x of ln sqrt(x^2 + v^2): x ln sqrt(x^2 + v^2) - x + v atan(x / v),
// each term taken as its limit where it is 0 * infinity or 0 / 0.
double logAntiderivative(double x, double v)
{
    const double logTerm = x == 0.0 ? 0.0 : 0.5 * x * std::log(x * x + v * v);
    const double angleTerm = v == 0.0 ? 0.0 : v * std::atan(x / v);
    return logTerm - x + angleTerm;
}

// Farther than the panel's length from both its ends (squared distances given), the closed
// forms' terms at the two ends are about equal (x ln r against a difference of about L ln r):
// taken apart they would leave a rounding of up to 1e-16 r / L relative, a noise in every entry
// between far panels that the compressed solve cannot follow (its blocks lose their low rank).
bool farFrom(double length, double squaredToA, double squaredToB)
{
    return std::min(squaredToA, squaredToB) > length * length;
}

}  // namespace

double logIntegral(Point a, Point b, Point p)
{
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double length = std::hypot(dx, dy);
    // p in the panel's frame: u along a -> b from a, v across it.
    const double u = ((p.x - a.x) * dx + (p.y - a.y) * dy) / length;
    const double v = ((p.x - a.x) * dy - (p.y - a.y) * dx) / length;
    const double toA = u * u + v * v;
    const double toB = (length - u) * (length - u) + v * v;
    if (!farFrom(length, toA, toB)) return logAntiderivative(length - u, v) - logAntiderivative(-u, v);
    // The same difference with nothing large cancelling: x ln r at the two ends as
    // L ln r(a) + x(b) ln(r(b)^2 / r(a)^2) / 2, the two angles as one.
    const double xa = -u;
    const double xb = length - u;
    return 0.5 * (length * std::log(toA) + xb * std::log1p(length * (xa + xb) / toA)) - length +
           v * std::atan2(v * length, v * v + xa * xb);
}

Point logIntegralGradient(Point a, Point b, Point p)
{
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double length = std::hypot(dx, dy);
    const Point ta{a.x - p.x, a.y - p.y};
    const Point tb{b.x - p.x, b.y - p.y};
    // Along the panel: ln(|p - a| / |p - b|); across it, toward the right of a -> b: the angle
    // the panel subtends at p, signed by the side p is on. Far away the ratio is near 1 and
    // the angle small: both from differences taken before they round away.
    const double toA = ta.x * ta.x + ta.y * ta.y;
    const double toB = tb.x * tb.x + tb.y * tb.y;
    const bool far = farFrom(length, toA, toB);
    const double along =
        far ? 0.5 * std::log1p((-dx * (ta.x + tb.x) - dy * (ta.y + tb.y)) / toB) : 0.5 * std::log(toA / toB);
    const double cross = far ? ta.y * dx - ta.x * dy : tb.x * ta.y - tb.y * ta.x;
    const double across = cross == 0.0 ? 0.0 : std::atan2(cross, ta.x * tb.x + ta.y * tb.y);
    return {(along * dx + across * dy) / length, (along * dy - across * dx) / length};
}

}  // namespace xsrl
