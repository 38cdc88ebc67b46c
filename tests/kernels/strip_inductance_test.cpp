#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "kernels/inductance.h"
#include "kernels/strip_inductance.h"

namespace xsrl {

namespace {

const long double mu0Over4Pi = 1e-7L;

Ribbon strip(double x1, double x2, double y) { return Ribbon{x1, y, x2, y, RibbonKind::PlateStripOneFace, 0}; }
Ribbon box(double x1, double y1, double x2, double y2) { return Ribbon{x1, y1, x2, y2, RibbonKind::FaceX, 0}; }

// Composite 12-point Gauss-Legendre rule in long double on [lo, hi], `panels` panels.
struct Rule {
    std::vector<long double> x;
    std::vector<long double> w;
};

Rule compositeRule(long double lo, long double hi, int panels)
{
    const int n = 12;
    std::vector<long double> t(n);
    std::vector<long double> wt(n);
    for (int i = 0; i < n; ++i) {
        long double z = std::cos(3.14159265358979323846L * (i + 0.75L) / (n + 0.5L));
        for (int it = 0; it < 100; ++it) {
            long double p0 = 1.0L;
            long double p1 = z;
            for (int k = 2; k <= n; ++k) {
                const long double p2 = ((2 * k - 1) * z * p1 - (k - 1) * p0) / k;
                p0 = p1;
                p1 = p2;
            }
            const long double dp = n * (z * p1 - p0) / (z * z - 1.0L);
            const long double step = p1 / dp;
            z -= step;
            if (std::fabs(step) < 1e-19L) {
                t[i] = z;
                wt[i] = 2.0L / ((1.0L - z * z) * dp * dp);
                break;
            }
        }
    }
    Rule rule;
    const long double h = (hi - lo) / panels;
    for (int p = 0; p < panels; ++p) {
        for (int i = 0; i < n; ++i) {
            rule.x.push_back(lo + h * (p + 0.5L + 0.5L * t[i]));
            rule.w.push_back(0.5L * h * wt[i]);
        }
    }
    return rule;
}

// -mu0/4pi times the mean of ln r^2 over a box (zero height: a strip) and a strip, in long
// double; the integrand must be smooth over both.
long double referenceInductance(const Ribbon& a, const Ribbon& s)
{
    const Rule ax = compositeRule(a.x1, a.x2, 6);
    const Rule sx = compositeRule(s.x1, s.x2, 6);
    const bool flat = a.y1 == a.y2;
    const Rule ay = flat ? Rule{{static_cast<long double>(a.y1)}, {1.0L}} : compositeRule(a.y1, a.y2, 6);
    long double sum = 0.0L;
    for (std::size_t i = 0; i < ax.x.size(); ++i)
        for (std::size_t j = 0; j < ay.x.size(); ++j)
            for (std::size_t k = 0; k < sx.x.size(); ++k) {
                const long double dx = ax.x[i] - sx.x[k];
                const long double dy = ay.x[j] - s.y1;
                sum += ax.w[i] * ay.w[j] * sx.w[k] * std::log(dx * dx + dy * dy);
            }
    const long double area = (a.x2 - a.x1) * (flat ? 1.0L : a.y2 - a.y1) * (s.x2 - s.x1);
    return -mu0Over4Pi * sum / area;
}

}  // namespace

TEST(StripInductance, ClosedFormsAgreeWithLongDoubleIntegration)
{
    // Two strips at a vertical offset, overlapping in x; a strip at a height of its own.
    const std::vector<std::pair<Ribbon, Ribbon>> pairs = {
        {strip(0.0, 1e-4, 3e-5), strip(4e-5, 2.1e-4, 0.0)},
        {strip(-3e-4, -1e-4, 2e-6), strip(1e-4, 1.5e-4, 0.0)},
        // A ribbon with a height above a strip; beside it, level with it; tall and thin.
        {box(2e-5, 1e-5, 9e-5, 5e-5), strip(-3e-5, 1.4e-4, 0.0)},
        {box(2e-5, -2e-5, 9e-5, 3e-5), strip(1.2e-4, 2e-4, 0.0)},
        {box(1e-4, 1e-5, 1.0001e-4, 3e-5), strip(0.0, 8e-5, 0.0)},
    };
    for (const auto& [a, s] : pairs) {
        const long double exact = referenceInductance(a, s);
        EXPECT_NEAR(stripPairInductance(a, s), exact, 1e-11L * std::fabs(exact)) << a.x1 << " " << a.y1;
        EXPECT_EQ(stripPairInductance(s, a), stripPairInductance(a, s));
    }
}

TEST(StripInductance, SelfTermAndStraddlingBox)
{
    // A strip with itself: the mean of ln r^2 is ln w^2 - 3.
    const double w = 3e-5;
    EXPECT_NEAR(stripPairInductance(strip(0.0, w, 1.0), strip(0.0, w, 1.0)), -1e-7 * (std::log(w * w) - 3.0), 1e-21);
    // A box across the strip's plane, right above the strip: the parts above and below it.
    const Ribbon s = strip(0.0, 4e-5, 0.0);
    const double whole = stripPairInductance(box(1e-5, -1e-5, 3e-5, 3e-5), s);
    const double parts = (stripPairInductance(box(1e-5, -1e-5, 3e-5, 0.0), s) +
                          3.0 * stripPairInductance(box(1e-5, 0.0, 3e-5, 3e-5), s)) /
                         4.0;
    EXPECT_NEAR(whole, parts, 1e-14 * std::fabs(whole));
}

TEST(StripInductance, FarPairsAndThinRibbonsMatchTheOtherForms)
{
    // Either side of the switch to the product rule, for a strip and for a box.
    for (const Ribbon& a : {strip(0.0, 1e-5, 2e-6), box(0.0, 2e-6, 1e-5, 6e-6)}) {
        for (const double x : {0.99e-4, 1.01e-4, 1e-2}) {
            const Ribbon s = strip(x, x + 4e-6, 0.0);
            const long double exact = referenceInductance(a, s);
            EXPECT_NEAR(stripPairInductance(a, s), exact, 1e-12L * std::fabs(exact)) << x;
        }
    }
    // A ribbon 5e-6 of its width thick is, to second order in its thickness, the strip on its
    // middle line: the closed form of rectangles and the strip forms share one convention.
    const Ribbon thin = box(0.0, 1e-5, 2e-5, 1e-5 + 1e-10);
    const Ribbon mid = strip(0.0, 2e-5, 1e-5 + 5e-11);
    const Ribbon below = box(5e-6, 0.0, 3e-5, 5e-6);
    const double rectangles = rectangleInductance(thin, below);
    EXPECT_NEAR(stripPairInductance(below, mid), rectangles, 1e-8 * rectangles);
    const Ribbon level = strip(5e-6, 3e-5, 0.0);
    EXPECT_NEAR(stripPairInductance(thin, level), stripPairInductance(mid, level), 1e-8 * rectangles);
}

}  // namespace xsrl
