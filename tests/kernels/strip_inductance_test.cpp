#include "kernels/strip_inductance.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "kernels/inductance.h"

namespace xsrl {

namespace {

// A plate strip, a bottom-face ribbon and a side-face ribbon of a line (thin boxes whose
// current the accurate mode puts on the face through the first corner), a volume filament.
Ribbon strip(double x1, double x2, double y) { return Ribbon{x1, y, x2, y, RibbonKind::PlateStripOneFace, 0}; }
Ribbon bottom(double x1, double x2, double y) { return Ribbon{x1, y, x2, y + 1e-9, RibbonKind::FaceX, 0}; }
Ribbon side(double x, double y1, double y2) { return Ribbon{x, y1, x + 1e-9, y2, RibbonKind::FaceY, 0}; }
Ribbon box(double x1, double y1, double x2, double y2) { return Ribbon{x1, y1, x2, y2, RibbonKind::Filament, 0}; }

// Nodes and weights of the composite 12-point Gauss-Legendre rule in long double over
// [lo, hi] in 6 panels; a single node of weight 1 when lo == hi.
struct Rule {
    std::vector<long double> x;
    std::vector<long double> w;
};

Rule compositeRule(long double lo, long double hi)
{
    if (lo == hi) return Rule{{lo}, {1.0L}};
    const int n = 12;
    const int panels = 6;
    Rule rule;
    const long double h = (hi - lo) / panels;
    for (int i = 0; i < n; ++i) {
        long double z = std::cos(3.14159265358979323846L * (i + 0.75L) / (n + 0.5L));
        long double dp = 1.0L;
        for (int it = 0; it < 100; ++it) {
            long double p0 = 1.0L;
            long double p1 = z;
            for (int k = 2; k <= n; ++k) {
                const long double p2 = ((2 * k - 1) * z * p1 - (k - 1) * p0) / k;
                p0 = p1;
                p1 = p2;
            }
            dp = n * (z * p1 - p0) / (z * z - 1.0L);
            z -= p1 / dp;
        }
        for (int p = 0; p < panels; ++p) {
            rule.x.push_back(lo + h * (p + 0.5L + 0.5L * z));
            rule.w.push_back(1.0L / (z * z > 1.0L ? 1.0L : (1.0L - z * z) * dp * dp) / panels);
        }
    }
    return rule;
}

// -mu0/4pi times the mean of ln r^2 over the current outlines of a and b, in long double; the
// integrand must be smooth over both.
long double referenceInductance(const Ribbon& a, const Ribbon& b)
{
    const Outline oa = currentOutline(a);
    const Outline ob = currentOutline(b);
    const Rule ax = compositeRule(oa.x1, oa.x2), ay = compositeRule(oa.y1, oa.y2);
    const Rule bx = compositeRule(ob.x1, ob.x2), by = compositeRule(ob.y1, ob.y2);
    long double sum = 0.0L;
    for (std::size_t i = 0; i < ax.x.size(); ++i)
        for (std::size_t j = 0; j < ay.x.size(); ++j)
            for (std::size_t k = 0; k < bx.x.size(); ++k)
                for (std::size_t l = 0; l < by.x.size(); ++l) {
                    const long double dx = ax.x[i] - bx.x[k];
                    const long double dy = ay.x[j] - by.x[l];
                    sum += ax.w[i] * ay.w[j] * bx.w[k] * by.w[l] * std::log(dx * dx + dy * dy);
                }
    return -1e-7L * sum;
}

}  // namespace

TEST(StripInductance, ClosedFormsAgreeWithLongDoubleIntegration)
{
    const std::vector<std::pair<Ribbon, Ribbon>> pairs = {
        // Level sheets at an offset, overlapping in x or not; upright ones side by side.
        {strip(0.0, 1e-4, 3e-5), bottom(4e-5, 2.1e-4, 0.0)},
        {bottom(-3e-4, -1e-4, 2e-6), strip(1e-4, 1.5e-4, 0.0)},
        {side(0.0, 1e-5, 4e-5), side(2e-5, 3e-5, 6e-5)},
        // A level and an upright sheet, apart and nearly touching.
        {strip(0.0, 1e-4, 0.0), side(4e-5, 1e-5, 3e-5)},
        {side(1.1e-4, -2e-5, 3e-5), bottom(0.0, 1e-4, 0.0)},
        // A filament above a strip, level with it, tall and thin; beside an upright sheet.
        {box(2e-5, 1e-5, 9e-5, 5e-5), strip(-3e-5, 1.4e-4, 0.0)},
        {box(2e-5, -2e-5, 9e-5, 3e-5), strip(1.2e-4, 2e-4, 0.0)},
        {box(1e-4, 1e-5, 1.0001e-4, 3e-5), strip(0.0, 8e-5, 0.0)},
        {box(2e-5, 1e-5, 9e-5, 5e-5), side(0.0, 0.0, 6e-5)},
    };
    for (const auto& [a, b] : pairs) {
        const long double exact = referenceInductance(a, b);
        EXPECT_NEAR(accuratePairInductance(a, b), exact, 1e-11L * std::fabs(exact)) << a.x1 << " " << a.y1;
        EXPECT_EQ(accuratePairInductance(b, a), accuratePairInductance(a, b));
    }
}

TEST(StripInductance, SelfTermsAndStraddlingFilament)
{
    // A sheet with itself: the mean of ln r^2 is ln w^2 - 3, level or upright.
    const double w = 3e-5;
    const double self = -1e-7 * (std::log(w * w) - 3.0);
    EXPECT_NEAR(accuratePairInductance(strip(0.0, w, 1.0), strip(0.0, w, 1.0)), self, 1e-21);
    EXPECT_NEAR(accuratePairInductance(side(1.0, 0.0, w), side(1.0, 0.0, w)), self, 1e-21);
    // A filament across the strip's plane, right above the strip: the parts above and below it.
    const Ribbon s = strip(0.0, 4e-5, 0.0);
    const double whole = accuratePairInductance(box(1e-5, -1e-5, 3e-5, 3e-5), s);
    const double parts = (accuratePairInductance(box(1e-5, -1e-5, 3e-5, 0.0), s) +
                          3.0 * accuratePairInductance(box(1e-5, 0.0, 3e-5, 3e-5), s)) /
                         4.0;
    EXPECT_NEAR(whole, parts, 1e-14 * std::fabs(whole));
}

TEST(StripInductance, FarPairsAndTheConventionOfRectangles)
{
    // Either side of the switch to the product rule: two sheets, a filament and a sheet.
    for (const Ribbon& a : {side(0.0, 0.0, 1e-5), box(0.0, 2e-6, 1e-5, 6e-6)}) {
        for (const double x : {0.99e-4, 1.01e-4, 1e-2}) {
            const Ribbon s = strip(x, x + 4e-6, 0.0);
            const long double exact = referenceInductance(a, s);
            EXPECT_NEAR(accuratePairInductance(a, s), exact, 1e-12L * std::fabs(exact)) << x;
        }
    }
    // A filament 5e-6 of its width thick is, to second order in its thickness, the sheet on
    // its middle line: the closed form of rectangles holds the same convention.
    const Ribbon thin = box(0.0, 1e-5, 2e-5, 1e-5 + 1e-10);
    const Ribbon below = box(5e-6, 0.0, 3e-5, 5e-6);
    const double rectangles = rectangleInductance(thin, below);
    EXPECT_EQ(accuratePairInductance(thin, below), rectangles);
    EXPECT_NEAR(accuratePairInductance(below, strip(0.0, 2e-5, 1e-5 + 5e-11)), rectangles, 1e-8 * rectangles);
}

}  // namespace xsrl
