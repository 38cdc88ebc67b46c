#include "electrostatics/panel_integrals.h"

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

}  // namespace

double logIntegral(Point a, Point b, Point p)
{
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double length = std::hypot(dx, dy);
    // p in the panel's frame: u along a -> b from a, v across it.
    const double u = ((p.x - a.x) * dx + (p.y - a.y) * dy) / length;
    const double v = ((p.x - a.x) * dy - (p.y - a.y) * dx) / length;
    return logAntiderivative(length - u, v) - logAntiderivative(-u, v);
}

Point logIntegralGradient(Point a, Point b, Point p)
{
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double length = std::hypot(dx, dy);
    const Point ta{a.x - p.x, a.y - p.y};
    const Point tb{b.x - p.x, b.y - p.y};
    // Along the panel: ln(|p - a| / |p - b|); across it, toward the right of a -> b: the angle
    // the panel subtends at p, signed by the side p is on.
    const double along = 0.5 * std::log((ta.x * ta.x + ta.y * ta.y) / (tb.x * tb.x + tb.y * tb.y));
    const double cross = tb.x * ta.y - tb.y * ta.x;
    const double across = cross == 0.0 ? 0.0 : std::atan2(cross, ta.x * tb.x + ta.y * tb.y);
    return {(along * dx + across * dy) / length, (along * dy - across * dx) / length};
}

}  // namespace xsrl
