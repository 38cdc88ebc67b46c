// The accurate mode's chord integrals against long-double numerical integration.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "kernels/chord_inductance.h"

namespace xsrl {

namespace {

using Real = long double;

// Tanh-sinh quadrature of f over [a, b]: near 1e-18 for integrands analytic inside, also with
// logarithmic singularities at the ends. A point is placed by its distance from the nearer
// end; the tails within 1e-17 of the ends are left out.
template <class F>
Real tanhSinh(const F& f, Real a, Real b)
{
    const Real h = 1.0L / 32;
    const Real halfPi = 1.5707963267948966192L;
    Real sum = 0;
    for (int k = -128; k <= 128; ++k) {
        const Real u = halfPi * std::sinh(k * h);
        const Real fromEnd = (b - a) / (std::exp(2 * std::fabs(u)) + 1);
        if (fromEnd < 1e-17L * (b - a)) continue;
        sum += halfPi * std::cosh(k * h) / (std::cosh(u) * std::cosh(u)) * f(k < 0 ? a + fromEnd : b - fromEnd);
    }
    return sum * h * (b - a) / 2;
}

// Over [a, b] cut at the given points inside it.
template <class F>
Real tanhSinhPieces(const F& f, Real a, Real b, std::vector<Real> cuts)
{
    cuts.push_back(a);
    cuts.push_back(b);
    std::sort(cuts.begin(), cuts.end());
    Real sum = 0;
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i)
        if (cuts[i] >= a && cuts[i + 1] <= b && cuts[i + 1] > cuts[i]) sum += tanhSinh(f, cuts[i], cuts[i + 1]);
    return sum;
}

struct PointLD {
    Real x;
    Real y;
};

PointLD along(const Segment& s, Real t)  // t from 0 to 1
{
    return {s.x1 + t * (s.x2 - s.x1), s.y1 + t * (s.y2 - s.y1)};
}

Real lengthLD(const Segment& s) { return std::hypot(Real(s.x2 - s.x1), Real(s.y2 - s.y1)); }

// Parameter of the point of s nearest to p.
Real nearestOn(const Segment& s, PointLD p)
{
    const Real dx = s.x2 - s.x1, dy = s.y2 - s.y1;
    return std::clamp(((p.x - s.x1) * dx + (p.y - s.y1) * dy) / (dx * dx + dy * dy), Real(0), Real(1));
}

// The integral of ln|p - q| over q on b, cut where p is nearest.
Real potentialLD(PointLD p, const Segment& b)
{
    const auto f = [&](Real t) {
        const PointLD q = along(b, t);
        return std::log(std::hypot(p.x - q.x, p.y - q.y));
    };
    return lengthLD(b) * tanhSinhPieces(f, 0, 1, {nearestOn(b, p)});
}

// The double integral, the outer one cut where a comes nearest to b's ends or crosses b. A
// segment with itself: over the distance u = |s - t| on either side of s.
Real pairLD(const Segment& a, const Segment& b, std::vector<Real> outerCuts)
{
    const Real length = lengthLD(a);
    if (a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2) {
        const auto side = [&](Real reach) { return tanhSinh([&](Real u) { return std::log(length * u); }, 0, reach); };
        return length * length * tanhSinh([&](Real s) { return side(s) + side(1 - s); }, 0, 1);
    }
    outerCuts.push_back(nearestOn(a, {b.x1, b.y1}));
    outerCuts.push_back(nearestOn(a, {b.x2, b.y2}));
    return length * tanhSinhPieces([&](Real s) { return potentialLD(along(a, s), b); }, 0, 1, outerCuts);
}

// The integral of ln|p - q| over q in the rectangle: the inner integral over y in closed form,
// x - p.x = u and F(y) = (y - p.y) ln r - y + u atan((y - p.y)/u).
Real rectanglePotentialLD(PointLD p, Real x1, Real y1, Real x2, Real y2)
{
    const auto column = [&](Real x) {
        const Real u = x - p.x;
        const auto f = [&](Real y) {
            const Real v = y - p.y;
            return v * std::log(std::hypot(u, v)) - v + u * std::atan(v / u);
        };
        return f(y2) - f(y1);
    };
    return tanhSinhPieces(column, x1, x2, {p.x});
}

}  // namespace

TEST(ChordInductance, SegmentPairsAgreeWithNumericalIntegrationOnEveryPath)
{
    const double step = 2 * M_PI / 24;
    const Segment chord0{1, 0, std::cos(step), std::sin(step)};
    const Segment chord1{std::cos(step), std::sin(step), std::cos(2 * step), std::sin(2 * step)};
    const struct {
        const char* what;
        Segment a, b;
        std::vector<Real> cuts;  // where the outer integrand is not smooth
    } cases[] = {
        {"neighbouring chords", chord0, chord1, {}},
        {"crossing", {0, 0, 1, 0.2}, {-1, 1, 2, -1}, {0.3846153846153846L}},
        {"at an angle, apart", {0, 0, 1, 0}, {0.3, 0.5, 1.2, 2.0}, {}},
        {"parallel, overlapping", {0, 0, 1, 0}, {1.5, 0.1, 0.5, 0.1}, {}},
        {"collinear, a gap between", {0, 0, 1, 0}, {1.2, 0, 2.0, 0}, {}},
        {"nearly parallel", {0, 0, 1, 0}, {0.3, 0.05, 1.3, 0.05 + 1e-7}, {}},
        {"far apart", {0, 0, 1, 0}, {6, 7, 6.5, 7.6}, {}},
    };
    for (const auto& c : cases) {
        const Real expected = pairLD(c.a, c.b, c.cuts);
        EXPECT_NEAR(segmentPairLogIntegral(c.a, c.b), static_cast<double>(expected), 1e-12) << c.what;
        EXPECT_NEAR(segmentPairLogIntegral(c.b, c.a), static_cast<double>(expected), 1e-12) << c.what;
    }
    // A strip with itself: L^2 (ln L - 3/2).
    const Segment strip{0.2, 0.1, 0.5, 0.5};
    EXPECT_NEAR(segmentSelfLogIntegral(0.5), static_cast<double>(pairLD(strip, strip, {})), 1e-12);
}

TEST(ChordInductance, SegmentAndRectangleAgreeWithNumericalIntegrationNearAndFar)
{
    for (const Segment& s : {Segment{0, 0, 1, 0.1}, Segment{-3, 5, -2.2, 5.5}}) {
        const Real rectangle[4] = {0.2, 0.15, 0.6, 0.4};
        const Real expected = lengthLD(s) * tanhSinh(
                                                [&](Real t) {
                                                    return rectanglePotentialLD(along(s, t), rectangle[0], rectangle[1],
                                                                                rectangle[2], rectangle[3]);
                                                },
                                                0, 1);
        EXPECT_NEAR(segmentRectangleLogIntegral(s, 0.6, 0.4, 0.2, 0.15), static_cast<double>(expected), 1e-12) << s.x1;
    }
}

// The polygon's radius gives its uniform current the circle's mean logarithmic distance, and it
// tends to the circle's own as 1/n^2.
TEST(ChordInductance, PolygonRadiusGivesTheCirclesSelfInductance)
{
    const int n = 8;
    const double radius = 2.0;
    const double vertex = chordPolygonRadius(radius, n);
    const auto chord = [&](int i) {
        const double a1 = 2 * M_PI * i / n, a2 = 2 * M_PI * (i + 1) / n;
        return Segment{vertex * std::cos(a1), vertex * std::sin(a1), vertex * std::cos(a2), vertex * std::sin(a2)};
    };
    Real sum = 0;
    for (int i = 0; i < n; ++i) sum += pairLD(chord(0), chord(i), {});
    const Real length = lengthLD(chord(0));
    EXPECT_NEAR(static_cast<double>(sum / (n * length * length)), std::log(radius), 1e-13);
    EXPECT_NEAR(chordPolygonRadius(1.0, 512) - 1.0, 3.28 / (512.0 * 512.0), 1e-7);
}

}  // namespace xsrl
