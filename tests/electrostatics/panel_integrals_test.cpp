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
