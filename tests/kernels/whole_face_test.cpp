#include <gtest/gtest.h>

#include <cmath>

#include "kernels/long_complex.h"
#include "kernels/surface_impedance.h"
#include "kernels/whole_face.h"
#include "model/structure.h"
#include "numerics/bessel.h"

namespace {

const double Copper = 5.8e7;
const double Mu = 1.257e-06;
const double TwoPi = 6.283185307179586;

void expectSame(Complex a, Complex b)
{
    EXPECT_EQ(a.re, b.re);
    EXPECT_EQ(a.im, b.im);
}

// Leading asymptotic term of the Hankel function of the given order and kind.
LongComplex hankelLeading(int order, int kind, LongComplex z)
{
    const long double pi = 3.14159265358979323846264338327950288L;
    const LongComplex amplitude = lsqrt(LongComplex{2.0L / pi, 0.0L} / z);
    const LongComplex phase = z - LongComplex{pi / 4.0L + order * pi / 2.0L, 0.0L};
    const LongComplex exponent = LongComplex{0.0L, kind == 1 ? 1.0L : -1.0L} * phase;
    return amplitude * lexp(exponent);
}

// N/D of the tube with every Hankel value in its leading asymptotic form, in long double.
LongComplex tubeRatioReference(LongComplex zi, LongComplex zo)
{
    const LongComplex D = hankelLeading(1, 1, zo) * hankelLeading(1, 2, zi) - hankelLeading(1, 1, zi) * hankelLeading(1, 2, zo);
    const LongComplex N = hankelLeading(1, 1, zi) * hankelLeading(0, 2, zo) - hankelLeading(1, 2, zi) * hankelLeading(0, 1, zo);
    return N / D;
}

// The tube formula of wholeFaceImpedance for outer diameter L and wall M/2, in long double.
LongComplex tubeReference(double omega, double L, double M)
{
    const LongComplex j{0.0L, 1.0L};
    const long double product = static_cast<long double>(omega) * Mu * Copper;
    const LongComplex k = j * lsqrt(LongComplex{0.0L, product});
    const LongComplex zi = k * LongComplex{(static_cast<long double>(L) - M) / 2.0L, 0.0L};
    const LongComplex zo = k * LongComplex{static_cast<long double>(L) / 2.0L, 0.0L};
    const LongComplex eta = LongComplex{0.0L, -1.0L} * lsqrt(LongComplex{0.0L, static_cast<long double>(omega) * Mu / Copper});
    return eta * tubeRatioReference(zi, zo) / LongComplex{L, 0.0L};
}

Complex polar(double m, double angle) { return Complex(m * std::cos(angle), m * std::sin(angle)); }

} // namespace

TEST(SkinWholeFace, BranchesByReferenceSideAndRightAngleSymmetry)
{
    const double omega = TwoPi * 1e9;
    // Square: the solid wire for both kinds.
    const Complex square = solidWireImpedance(omega, 20e-6, 10e-6, Copper);
    expectSame(wholeFaceImpedance(omega, Copper, 0.0, 20e-6, 0.0, 20e-6, KindWholeFaceX), square);
    expectSame(wholeFaceImpedance(omega, Copper, 0.0, 20e-6, 0.0, 20e-6, KindWholeFaceY), square);
    // 10 um wide, 100 um tall: kind 4 is the solid wire of diameter 10 um, kind 5 the tube of
    // diameter 100 um, equal to kind 4 of the conductor turned by a right angle.
    expectSame(wholeFaceImpedance(omega, Copper, 0.0, 10e-6, 0.0, 100e-6, KindWholeFaceX),
               solidWireImpedance(omega, 10e-6, 5e-6, Copper));
    const Complex tube = wholeFaceImpedance(omega, Copper, 0.0, 10e-6, 0.0, 100e-6, KindWholeFaceY);
    expectSame(tube, wholeFaceImpedance(omega, Copper, 0.0, 100e-6, 0.0, 10e-6, KindWholeFaceX));
    expectSame(tube, wholeFaceImpedance(omega, Copper, 10e-6, 0.0, 100e-6, 0.0, KindWholeFaceY));
    EXPECT_LT(relativeError(tube, tubeReference(omega, 100e-6, 10e-6)), 1e-12);
}

TEST(SkinWholeFace, LowFrequencyLimits)
{
    const double omega = TwoPi * 10.0;
    const double L = 100e-6;
    const Complex solid = wholeFaceImpedance(omega, Copper, 0.0, L, 0.0, 2.0 * L, KindWholeFaceX);
    EXPECT_NEAR(solid.re, 4.0 / (Copper * L * L), 1e-7 * solid.re);
    // The wire's internal inductance mu/(8 pi) per metre, times its circumference over L.
    EXPECT_NEAR(solid.im, omega * Mu / 8.0, 1e-4 * solid.im);

    const double M = 30e-6;
    const double ro = L / 2.0;
    const double ri = (L - M) / 2.0;
    const Complex tube = wholeFaceImpedance(omega, Copper, 0.0, L, 0.0, M, KindWholeFaceX);
    EXPECT_NEAR(tube.re, 1.0 / (Copper * (ro * ro - ri * ri)), 1e-6 * tube.re);
    EXPECT_GT(tube.im, 0.0);
    EXPECT_LT(tube.im, 1e-6 * tube.re);
}

// Lines 1 mm wide from 1 GHz (outer radius 240 skin depths, the formula as written) to
// 100 GHz (2400 skin depths). 35 um thick, the Hankel values of the outer radius overflow from
// about 9 GHz on; 0.8 mm thick, the wall of 400 um first makes N and D overflow (about 3.5 GHz).
TEST(SkinWholeFace, ThickTubeMatchesReferencePastOverflow)
{
    for (double M : {35e-6, 0.8e-3}) {
        for (double f = 1e9; f <= 1.0001e11; f *= 1.1) {
            const double omega = TwoPi * f;
            const Complex z = wholeFaceImpedance(omega, Copper, 0.0, 1e-3, 0.0, M, KindWholeFaceX);
            EXPECT_LT(relativeError(z, tubeReference(omega, 1e-3, M)), 1e-10) << M << " " << f;
        }
    }
}

TEST(SkinWholeFace, TubeHankelRatioAgainstDirectAndLongDoubleForms)
{
    const double angle = 0.75 * M_PI;
    // Where N and D are finite the scaled quotient is theirs.
    for (double outer : {30.0, 150.0, 400.0}) {
        for (double inner : {0.5, 10.0, 25.0, outer - 300.0, outer - 1.0}) {
            if (inner <= 0.0) continue;
            const Complex zi = polar(inner, angle);
            const Complex zo = polar(outer, angle);
            const Complex D = hankel1(1, zo) * hankel1(2, zi) - hankel1(1, zi) * hankel1(2, zo);
            const Complex N = hankel1(1, zi) * hankel0(2, zo) - hankel1(2, zi) * hankel0(1, zo);
            EXPECT_LT(relativeError(tubeHankelRatio(zi, zo), N / D), 1e-12) << outer << " " << inner;
        }
    }
    // Far past the overflow (outer argument 3000, walls of about 200 to 2800 in the argument):
    // the same leading-term forms in long double.
    for (double inner : {200.0, 1000.0, 2800.0}) {
        const Complex zi = polar(inner, angle);
        const Complex zo = polar(3000.0, angle);
        EXPECT_LT(relativeError(tubeHankelRatio(zi, zo), tubeRatioReference(widen(zi), widen(zo))), 1e-12) << inner;
    }
    // Inner argument below 20 (its Hankel values from the small-argument forms).
    const Complex zi = polar(5.0, angle);
    const LongComplex zo = widen(polar(3000.0, angle));
    const LongComplex D = hankelLeading(1, 1, zo) * widen(hankel1(2, zi)) - widen(hankel1(1, zi)) * hankelLeading(1, 2, zo);
    const LongComplex N = widen(hankel1(1, zi)) * hankelLeading(0, 2, zo) - widen(hankel1(2, zi)) * hankelLeading(0, 1, zo);
    EXPECT_LT(relativeError(tubeHankelRatio(zi, polar(3000.0, angle)), N / D), 1e-12);
}
