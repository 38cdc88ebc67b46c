#include <gtest/gtest.h>

#include <cmath>

#include "kernels/skin_reference.h"
#include "kernels/surface_impedance.h"
#include "kernels/whole_face.h"
#include "model/structure.h"
#include "numerics/bessel.h"

namespace xsrl {

namespace {

const double Copper = 5.8e7;
const double Mu = 1.257e-06;
const double TwoPi = 6.283185307179586;

// N/D of the tube with every Hankel value in its leading asymptotic form.
LongComplex tubeRatioReference(LongComplex zi, LongComplex zo)
{
    const auto H = hankelLeading;
    const LongComplex D = H(1, 1, zo) * H(1, 2, zi) - H(1, 1, zi) * H(1, 2, zo);
    const LongComplex N = H(1, 1, zi) * H(0, 2, zo) - H(1, 2, zi) * H(0, 1, zo);
    return N / D;
}

// The tube of outer diameter L and wall M/2, divided by L.
LongComplex tubeReference(double omega, double L, double M)
{
    const LongComplex j{0.0L, 1.0L};
    const LongComplex k = j * lsqrt(LongComplex{0.0L, static_cast<long double>(omega) * Mu * Copper});
    const LongComplex zi = k * LongComplex{(static_cast<long double>(L) - M) / 2.0L, 0.0L};
    const LongComplex zo = k * LongComplex{static_cast<long double>(L) / 2.0L, 0.0L};
    const LongComplex wave = lsqrt(LongComplex{0.0L, static_cast<long double>(omega) * Mu / Copper});
    const LongComplex eta = LongComplex{0.0L, -1.0L} * wave;
    return eta * tubeRatioReference(zi, zo) / LongComplex{L, 0.0L};
}

Complex polar(double m) { return Complex(m * std::cos(0.75 * M_PI), m * std::sin(0.75 * M_PI)); }

}  // namespace

TEST(SkinWholeFace, BranchesAndRightAngleSymmetry)
{
    const double omega = TwoPi * 1e9;
    const Complex square = solidWireImpedance(omega, 20e-6, 10e-6, Copper);
    expectSame(wholeFaceImpedance(omega, Copper, 0.0, 20e-6, 0.0, 20e-6, RibbonKind::WholeFaceX), square);
    expectSame(wholeFaceImpedance(omega, Copper, 0.0, 20e-6, 0.0, 20e-6, RibbonKind::WholeFaceY), square);
    // 10 um wide, 100 um tall: kind 4 the solid wire of diameter 10 um, kind 5 the tube of
    // diameter 100 um, which is kind 4 of the conductor turned by a right angle.
    expectSame(wholeFaceImpedance(omega, Copper, 0.0, 10e-6, 0.0, 100e-6, RibbonKind::WholeFaceX),
               solidWireImpedance(omega, 10e-6, 5e-6, Copper));
    const Complex tube = wholeFaceImpedance(omega, Copper, 0.0, 10e-6, 0.0, 100e-6, RibbonKind::WholeFaceY);
    expectSame(tube, wholeFaceImpedance(omega, Copper, 0.0, 100e-6, 0.0, 10e-6, RibbonKind::WholeFaceX));
    expectSame(tube, wholeFaceImpedance(omega, Copper, 10e-6, 0.0, 100e-6, 0.0, RibbonKind::WholeFaceY));
    EXPECT_LT(relativeError(tube, tubeReference(omega, 100e-6, 10e-6)), 1e-12);
}

TEST(SkinWholeFace, LowFrequencyLimits)
{
    const double omega = TwoPi * 10.0;
    const double L = 100e-6;
    const Complex solid = wholeFaceImpedance(omega, Copper, 0.0, L, 0.0, 2.0 * L, RibbonKind::WholeFaceX);
    EXPECT_NEAR(solid.re, 4.0 / (Copper * L * L), 1e-7 * solid.re);
    // The wire's internal inductance mu/(8 pi), times its circumference over L.
    EXPECT_NEAR(solid.im, omega * Mu / 8.0, 1e-4 * solid.im);

    const double M = 30e-6;
    const double ro = L / 2.0;
    const double ri = (L - M) / 2.0;
    const Complex tube = wholeFaceImpedance(omega, Copper, 0.0, L, 0.0, M, RibbonKind::WholeFaceX);
    EXPECT_NEAR(tube.re, 1.0 / (Copper * (ro * ro - ri * ri)), 1e-6 * tube.re);
    EXPECT_GT(tube.im, 0.0);
    EXPECT_LT(tube.im, 1e-6 * tube.re);
}

// Lines 1 mm wide from 1 GHz (outer radius 240 skin depths) to 100 GHz (2400). 35 um thick, the
// Hankel values of the outer radius overflow from about 9 GHz on; 0.8 mm thick, the 400 um wall
// makes N and D overflow from about 3.8 GHz on.
TEST(SkinWholeFace, ThickTubesPastOverflow)
{
    for (double M : {35e-6, 0.8e-3}) {
        for (double f = 1e9; f <= 1.0001e11; f *= 1.1) {
            const Complex z = wholeFaceImpedance(TwoPi * f, Copper, 0.0, 1e-3, 0.0, M, RibbonKind::WholeFaceX);
            EXPECT_LT(relativeError(z, tubeReference(TwoPi * f, 1e-3, M)), 1e-10) << M << " " << f;
        }
    }
}

TEST(SkinWholeFace, TubeHankelRatio)
{
    // Where N and D are finite the scaled quotient is theirs.
    for (double outer : {30.0, 150.0, 400.0}) {
        for (double inner : {0.5, 10.0, 25.0, outer - 1.0}) {
            const Complex zi = polar(inner);
            const Complex zo = polar(outer);
            const Complex D = hankel1(1, zo) * hankel1(2, zi) - hankel1(1, zi) * hankel1(2, zo);
            const Complex N = hankel1(1, zi) * hankel0(2, zo) - hankel1(2, zi) * hankel0(1, zo);
            EXPECT_LT(relativeError(tubeHankelRatio(zi, zo), N / D), 1e-12) << outer << " " << inner;
        }
    }
    // Far past the overflow: the same forms in long double, the inner argument's Hankel values
    // from the small-argument forms below 20.
    const LongComplex zo = widen(polar(3000.0));
    for (double inner : {200.0, 1000.0, 2800.0}) {
        const LongComplex reference = tubeRatioReference(widen(polar(inner)), zo);
        EXPECT_LT(relativeError(tubeHankelRatio(polar(inner), polar(3000.0)), reference), 1e-12) << inner;
    }
    const Complex zi = polar(5.0);
    const auto H = hankelLeading;
    const LongComplex D = H(1, 1, zo) * widen(hankel1(2, zi)) - widen(hankel1(1, zi)) * H(1, 2, zo);
    const LongComplex N = widen(hankel1(1, zi)) * H(0, 2, zo) - widen(hankel1(2, zi)) * H(0, 1, zo);
    EXPECT_LT(relativeError(tubeHankelRatio(zi, polar(3000.0)), N / D), 1e-12);
}

}  // namespace xsrl
