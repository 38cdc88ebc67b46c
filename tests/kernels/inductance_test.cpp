#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "kernels/inductance.h"
#include "kernels/quadrature.h"

namespace xsrl {

namespace {

const double mu0Over2Pi = 2e-7;

// A ribbon of conductor 0; the pair inductance depends only on the corners and the kind.
Ribbon ribbon(double x1, double y1, double x2, double y2, RibbonKind kind = RibbonKind::FaceX)
{
    return Ribbon{x1, y1, x2, y2, kind, 0};
}

// Appends the chords of a circle, counter-clockwise from angle 0.
void addChords(std::vector<Ribbon>& ribbons, double xc, double yc, double rad, int nr)
{
    const double delta = 6.283185307179586 / nr;
    for (int i = 0; i < nr; ++i)
        ribbons.push_back(ribbon(xc + rad * std::cos(i * delta), yc + rad * std::sin(i * delta),
                                 xc + rad * std::cos((i + 1) * delta), yc + rad * std::sin((i + 1) * delta),
                                 RibbonKind::Chord));
}

}  // namespace

TEST(Inductance, RectangleKernelValuesAndSymmetries)
{
    EXPECT_EQ(rectangleKernel(0.0, 0.0), 0.0);
    EXPECT_EQ(rectangleKernel(1.0, 0.0), 0.0);
    EXPECT_EQ(rectangleKernel(0.0, 1.0), 0.0);
    EXPECT_NEAR(rectangleKernel(1.0, 1.0), -std::log(2.0) / 6 - 3.141592653589793 / 6, 1e-15);
    // One argument zero: u^4/24 ln(u^2), whichever of the two is non-zero and of either sign.
    EXPECT_DOUBLE_EQ(rectangleKernel(2.0, 0.0), 16.0 / 24 * std::log(4.0));
    EXPECT_EQ(rectangleKernel(0.0, -2.0), rectangleKernel(2.0, 0.0));
    for (double x : {0.3, 1.7, 1e-4, 25.0}) {
        for (double y : {0.2, 2.9, 3e-6}) {
            const double f = rectangleKernel(x, y);
            EXPECT_NEAR(rectangleKernel(y, x), f, 1e-14 * std::fabs(f)) << x << " " << y;
            EXPECT_EQ(rectangleKernel(-x, y), f) << x << " " << y;
            EXPECT_EQ(rectangleKernel(x, -y), f) << x << " " << y;
        }
    }
}

TEST(Inductance, GaussLegendreIntegratesPolynomialsExactly)
{
    double weightSum = 0.0;
    for (double w : GaussLegendre48Weights) weightSum += w;
    EXPECT_NEAR(weightSum, 1.0, 1e-15);

    EXPECT_NEAR(gaussLegendre48([](double) { return 1.0; }, -0.5, 2.25), 2.75, 1e-15);
    EXPECT_NEAR(gaussLegendre48([](double x) { return x * x; }, 0.0, 1.0), 1.0 / 3, 2e-16);
    // The rule is exact up to degree 95.
    for (int k = 0; k <= 95; ++k) {
        const double integral = gaussLegendre48([k](double x) { return std::pow(x, k); }, 0.0, 1.0);
        EXPECT_NEAR(integral, 1.0 / (k + 1), 1e-14 / (k + 1)) << "degree " << k;
        const double shifted = gaussLegendre48([k](double x) { return std::pow(x, k); }, 1.0, 1.5);
        const double exact = (std::pow(1.5, k + 1) - 1.0) / (k + 1);
        EXPECT_NEAR(shifted, exact, 1e-13 * exact) << "degree " << k;
    }
}

TEST(Inductance, Integrate2dCoversBothRanges)
{
    // Integral of s·t² over s in [1, 3] and t in [0, 2]: 4 · 8/3.
    EXPECT_NEAR(integrate2d([](double s, double t) { return s * t * t; }, 1.0, 3.0, 2.0), 32.0 / 3, 1e-13);
}

TEST(Inductance, FilamentIntegrandFloorsZeroDistance)
{
    const SegmentPair pair{1.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    EXPECT_EQ(filamentIntegrand(pair, 0.5, 0.5), std::log(1e-10));
    EXPECT_DOUBLE_EQ(filamentIntegrand(pair, 3.0, 1.0), std::log(4.0));
}

TEST(Inductance, FormChoiceAtStrictThresholds)
{
    // Ribbons 3 × 4: length 5, far threshold 250.
    const Ribbon a = ribbon(0, 0, 3, 4);
    const Ribbon atThreshold = ribbon(0, 250, 3, 254);
    const double justAbove = std::nextafter(250.0, 1e3);
    const Ribbon beyond = ribbon(0, justAbove, 3, justAbove + 4);

    EXPECT_EQ(ribbonPairInductance(a, atThreshold), rectangleInductance(a, atThreshold));
    EXPECT_EQ(ribbonPairInductance(a, beyond), segmentInductance(a, beyond));
    EXPECT_NE(rectangleInductance(a, beyond), segmentInductance(a, beyond));

    // Either ribbon's length decides: a long first ribbon with a short second one.
    const Ribbon longA = ribbon(0, 0, 6, 8);
    EXPECT_EQ(ribbonPairInductance(longA, atThreshold), rectangleInductance(longA, atThreshold));
    EXPECT_EQ(ribbonPairInductance(longA, beyond), segmentInductance(longA, beyond));

    // Filaments take the closed form however far.
    const Ribbon filamentA = ribbon(0, 0, 3, 4, RibbonKind::Filament);
    EXPECT_EQ(ribbonPairInductance(filamentA, beyond), rectangleInductance(filamentA, beyond));
    EXPECT_EQ(ribbonPairInductance(beyond, filamentA), rectangleInductance(beyond, filamentA));

    // A chord takes the integral form however near, with itself too.
    const Ribbon chord = ribbon(0, 10, 3, 14, RibbonKind::Chord);
    EXPECT_EQ(ribbonPairInductance(a, chord), segmentInductance(a, chord));
    EXPECT_EQ(ribbonPairInductance(chord, a), segmentInductance(chord, a));
    EXPECT_EQ(ribbonPairInductance(chord, chord), segmentInductance(chord, chord));
}

TEST(Inductance, LevelChordNextToFilamentStaysFinite)
{
    // Chord 3 of a circle of 14 chords is exactly level: as a rectangle it has zero height.
    std::vector<Ribbon> chords;
    addChords(chords, 0.0, 0.0, 1e-3, 14);
    ASSERT_EQ(chords[3].y1, chords[3].y2);
    const Ribbon filament = ribbon(5e-3, 0, 5.001e-3, 1e-6, RibbonKind::Filament);
    for (const Ribbon& chord : chords) {
        const double l = ribbonPairInductance(chord, filament);
        EXPECT_EQ(l, segmentInductance(chord, filament));
        // Both about 5 mm apart: -(μ0/2π)·ln(5e-3) within the spread of the distances.
        EXPECT_NEAR(l, -mu0Over2Pi * std::log(5e-3), 0.05 * l);
        EXPECT_EQ(ribbonPairInductance(filament, chord), segmentInductance(filament, chord));
    }
}

TEST(Inductance, ClosedAndIntegralFormsAgreeForThinRibbons)
{
    const Ribbon lower = ribbon(0, 0, 1e-3, 1e-7);
    const Ribbon upper = ribbon(0, 2e-3, 1e-3, 2e-3 + 1e-7);
    const double closed = rectangleInductance(lower, upper);
    const double integral = segmentInductance(lower, upper);
    EXPECT_EQ(ribbonPairInductance(lower, upper), closed);
    EXPECT_NEAR(integral, closed, 2e-4 * closed);

    // The rectangle does not depend on which corners come first (plate top faces run downwards),
    // up to the cancellation of about (thickness/width)^2 in the sum of the kernel terms.
    const Ribbon upperFlipped = ribbon(1e-3, 2e-3 + 1e-7, 0, 2e-3);
    EXPECT_NEAR(rectangleInductance(lower, upperFlipped), closed, 1e-7 * closed);
}

TEST(Inductance, FarRibbonsFollowTheLogarithmOfDistance)
{
    const Ribbon a = ribbon(0, 0, 1e-3, 1e-7);
    const Ribbon at10cm = ribbon(0, 0.1, 1e-3, 0.1 + 1e-7);
    const Ribbon at1m = ribbon(0, 1.0, 1e-3, 1.0 + 1e-7);
    const double l10cm = ribbonPairInductance(a, at10cm);
    const double l1m = ribbonPairInductance(a, at1m);
    EXPECT_EQ(l10cm, segmentInductance(a, at10cm));
    EXPECT_NEAR(l10cm, -mu0Over2Pi * std::log(0.1), 2e-4 * l10cm);
    EXPECT_NEAR(l10cm - l1m, mu0Over2Pi * std::log(10.0), 2e-4 * mu0Over2Pi * std::log(10.0));
}

TEST(Inductance, IntegralFormFollowsTheChordDirection)
{
    // atan2 keeps a right-to-left segment pointing from its first corner to its second.
    const Ribbon a = ribbon(0, 0, 1e-3, 2e-4, RibbonKind::Chord);
    const Ribbon leftward = ribbon(3e-3, 1e-3, 1e-3, 1.5e-3, RibbonKind::Chord);
    const Ribbon rightward = ribbon(1e-3, 1.5e-3, 3e-3, 1e-3, RibbonKind::Chord);
    const double l = ribbonPairInductance(a, leftward);
    EXPECT_NEAR(l, ribbonPairInductance(a, rightward), 1e-12 * l);
}

TEST(Inductance, SelfTermOfThinStrip)
{
    // Thin strip of width w: geometric mean distance w·e^(-3/2), self term -(μ0/2π)·ln of it.
    const Ribbon narrow = ribbon(0, 0, 1e-3, 1e-7);
    const Ribbon wide = ribbon(0, 0, 2e-3, 1e-7);
    const double lNarrow = ribbonPairInductance(narrow, narrow);
    const double lWide = ribbonPairInductance(wide, wide);
    EXPECT_NEAR(lNarrow, -mu0Over2Pi * (std::log(1e-3) - 1.5), 1e-4 * lNarrow);
    EXPECT_NEAR(lWide - lNarrow, -mu0Over2Pi * std::log(2.0), 1e-3 * mu0Over2Pi * std::log(2.0));
}

}  // namespace xsrl
