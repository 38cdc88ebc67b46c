#include <gtest/gtest.h>

#include <cmath>

#include "electrostatics/panel_integrals.h"

namespace xsrl {

namespace {

// The integral of ln|p - q| along the panel by the composite midpoint rule in long double.
long double quadrature(Point a, Point b, Point p)
{
    const int n = 200000;
    const long double length = std::hypot(static_cast<long double>(b.x - a.x), static_cast<long double>(b.y - a.y));
    long double sum = 0.0L;
    for (int k = 0; k < n; ++k) {
        const long double t = (k + 0.5L) / n;
        const long double x = a.x + t * (b.x - a.x) - p.x;
        const long double y = a.y + t * (b.y - a.y) - p.y;
        sum += 0.5L * std::log(x * x + y * y);
    }
    return sum * length / n;
}

// The closed forms in long double, for points far from the panel: their rounding, 1e-19 times
// the distance over the length, leaves the reference exact to a double.
long double farIntegral(Point a, Point b, Point p)
{
    const long double dx = b.x - static_cast<long double>(a.x), dy = b.y - static_cast<long double>(a.y);
    const long double px = p.x - static_cast<long double>(a.x), py = p.y - static_cast<long double>(a.y);
    const long double length = std::hypot(dx, dy);
    const long double u = (px * dx + py * dy) / length, v = (px * dy - py * dx) / length;
    const auto antiderivative = [v](long double x) {
        return 0.5L * x * std::log(x * x + v * v) - x + v * std::atan(x / v);
    };
    return antiderivative(length - u) - antiderivative(-u);
}

long double farFieldAlong(Point a, Point b, Point p)  // the component along a -> b
{
    const long double ax = a.x - static_cast<long double>(p.x), ay = a.y - static_cast<long double>(p.y);
    const long double bx = b.x - static_cast<long double>(p.x), by = b.y - static_cast<long double>(p.y);
    return 0.5L * std::log((ax * ax + ay * ay) / (bx * bx + by * by));
}

long double farFieldAcross(Point a, Point b, Point p)  // the component toward the right of a -> b
{
    const long double ax = a.x - static_cast<long double>(p.x), ay = a.y - static_cast<long double>(p.y);
    const long double bx = b.x - static_cast<long double>(p.x), by = b.y - static_cast<long double>(p.y);
    return std::atan2(bx * ay - by * ax, ax * bx + ay * by);
}

const Point A{0.3, 0.2};
const Point B{1.1, -0.4};  // a slanted panel of length 1

}  // namespace

TEST(PanelIntegrals, LogIntegralMatchesQuadratureOnAndOffThePanel)
{
    // Off the panel on either side, beyond its ends, on its line outside it, far away.
    for (const Point p : {Point{0.5, 0.7}, Point{0.9, -0.9}, Point{2.0, 1.0}, Point{1.9, -1.0}, Point{40.0, -25.0}})
        EXPECT_NEAR(logIntegral(A, B, p), static_cast<double>(quadrature(A, B, p)), 1e-9) << p.x << " " << p.y;
    // At its middle: L ln(L / 2) - L, the self term of the potential.
    EXPECT_NEAR(logIntegral(A, B, {0.7, -0.1}), std::log(0.5) - 1.0, 1e-14);
    // At an end: L ln L - L.
    EXPECT_NEAR(logIntegral({0, 0}, {2, 0}, {0, 0}), 2 * std::log(2.0) - 2, 1e-14);
}

// Far from a short panel the potential and the field keep all but a digit: a rounding of 1e-16
// times distance / length there is noise between far panels that no compression follows.
TEST(PanelIntegrals, FarFromAShortPanelIntegralAndGradientKeepFullPrecision)
{
    const Point a{1.3e-3, 2.0e-4}, b{1.3007e-3, 2.0002e-4};  // about 0.7 um long
    for (const Point p : {Point{-1.2e-2, 1e-4}, Point{2.5e-2, -3e-3}, Point{1.3e-3, 1.5e-2}, Point{1.9e-3, 2.0e-4}}) {
        const long double integral = farIntegral(a, b, p);
        EXPECT_NEAR(logIntegral(a, b, p), static_cast<double>(integral),
                    1e-14 * std::fabs(static_cast<double>(integral)));
        const Point g = logIntegralGradient(a, b, p);
        const double dx = b.x - a.x, dy = b.y - a.y, length = std::hypot(dx, dy);
        const double along = (g.x * dx + g.y * dy) / length, across = (g.x * dy - g.y * dx) / length;
        const double size =
            std::hypot(static_cast<double>(farFieldAlong(a, b, p)), static_cast<double>(farFieldAcross(a, b, p)));
        EXPECT_NEAR(along, static_cast<double>(farFieldAlong(a, b, p)), 1e-14 * size);
        EXPECT_NEAR(across, static_cast<double>(farFieldAcross(a, b, p)), 1e-14 * size);
    }
}

TEST(PanelIntegrals, GradientIsTheDerivativeOfTheIntegral)
{
    const double h = 1e-6;
    for (const Point p : {Point{0.5, 0.7}, Point{0.9, -0.9}, Point{2.0, 1.0}, Point{1.9, -1.0}}) {
        const Point g = logIntegralGradient(A, B, p);
        EXPECT_NEAR(g.x, (logIntegral(A, B, {p.x + h, p.y}) - logIntegral(A, B, {p.x - h, p.y})) / (2 * h), 1e-7);
        EXPECT_NEAR(g.y, (logIntegral(A, B, {p.x, p.y + h}) - logIntegral(A, B, {p.x, p.y - h})) / (2 * h), 1e-7);
    }
}

// Just off the middle of a panel the normal field jumps by 2 pi (the angle the panel
// subtends); on the panel's own line it is the principal value, zero.
TEST(PanelIntegrals, NormalPartJumpsAcrossThePanelAndIsZeroOnItsLine)
{
    const Point a{0, 0}, b{2, 0};  // the right of a -> b is -y
    EXPECT_NEAR(logIntegralGradient(a, b, {1, -1e-12}).y, -M_PI, 1e-9);
    EXPECT_NEAR(logIntegralGradient(a, b, {1, 1e-12}).y, M_PI, 1e-9);
    EXPECT_EQ(logIntegralGradient(a, b, {1, 0}).y, 0.0);
    EXPECT_EQ(logIntegralGradient(a, b, {3, 0}).y, 0.0);
    EXPECT_NEAR(logIntegralGradient(a, b, {3, 0}).x, std::log(3.0), 1e-15);
}

}  // namespace xsrl
