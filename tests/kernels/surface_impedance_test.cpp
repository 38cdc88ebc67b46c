#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "kernels/skin_reference.h"
#include "kernels/surface_impedance.h"
#include "numerics/bessel.h"

namespace xsrl {

namespace {

const double Copper = 5.8e7;
const double Mu0 = 1.2566370614359173e-06;
const double TwoPi = 6.283185307179586;

double skinDepth(double omega) { return std::sqrt(2.0 / (omega * Mu0 * Copper)); }

// (1 + j)/(sigma delta): metal many skin depths thick.
Complex thickMetal(double omega) { return Complex(1.0, 1.0) / (Copper * skinDepth(omega)); }

// (k/sigma) J0(kr)/J1(kr), k^2 = -j omega mu sigma.
LongComplex wireReference(double omega, double r, double mu)
{
    const LongComplex k = lsqrt(LongComplex{0.0L, -static_cast<long double>(omega) * mu * Copper});
    return k * besselRatioAsymptotic(k * LongComplex{r, 0.0L}) / LongComplex{Copper, 0.0L};
}

}  // namespace

TEST(SkinSurface, LowAndHighFrequencyLimits)
{
    // Thin slab: 1/(sigma t) and the reactance omega mu t / 3 (sinh of a small argument formed
    // from exponentials leaves that reactance good to about 1e-4).
    const double t = 10e-6;
    const Complex slab = slabSurfaceImpedance(TwoPi, t, Copper);
    EXPECT_NEAR(slab.re, 1.0 / (Copper * t), 1e-12 / (Copper * t));
    EXPECT_NEAR(slab.im, TwoPi * Mu0 * t / 3.0, 1e-4 * TwoPi * Mu0 * t);
    EXPECT_LT(relativeError(slabSurfaceImpedance(TwoPi * 1e9, 100e-6, Copper), thickMetal(TwoPi * 1e9)), 1e-14);

    // Round wire over its circumference: 1/(sigma pi r^2) and the internal inductance mu/(8 pi).
    const double r = 1e-3;
    const Complex wire = wireSurfaceImpedance(TwoPi, r, Copper) / (TwoPi * r);
    EXPECT_NEAR(wire.re, 1.0 / (Copper * M_PI * r * r), 1e-7 * wire.re);
    EXPECT_NEAR(wire.im, TwoPi * Mu0 / (8.0 * M_PI), 1e-6 * wire.im);

    // The second wire formula differs by its permeability only.
    for (double f : {1.0, 1e6, 1e9, 1e11}) {
        const Complex perMetre = wireSurfaceImpedance(TwoPi * f, r, Copper) / (TwoPi * r);
        EXPECT_LT(relativeError(solidWireImpedance(TwoPi * f, TwoPi * r, r, Copper), perMetre), 3e-4) << f;
    }
}

// Radii from 200 to 10^4 skin depths, finely across 355 skin depths, where J0 and J1 overflow
// and the formulas as written give NaN or, in a band about 2 skin depths wide, an exact zero.
TEST(SkinSurface, PastOverflowWiresFollowTheAsymptoticSeriesAndSlabsStayThickMetal)
{
    const double omega = TwoPi * 1e9;
    const double delta = skinDepth(omega);
    const Complex z = Complex(-400.0, 400.0);
    ASSERT_FALSE(std::isfinite((besselJ0(z) / besselJ1(z)).re));

    std::vector<double> depths = {200.0, 700.0, 2000.0, 1e4};
    for (double d = 340.0; d <= 380.0; d += 0.125) depths.push_back(d);
    for (double d : depths) {
        const double r = d * delta;
        // (1e-7: the accuracy of the handbook's modulus and phase forms there.)
        EXPECT_LT(relativeError(wireSurfaceImpedance(omega, r, Copper), wireReference(omega, r, Mu0)), 1e-7) << d;
        const LongComplex solid = wireReference(omega, r, 1.257e-06) / LongComplex{TwoPi * r, 0.0L};
        EXPECT_LT(relativeError(solidWireImpedance(omega, TwoPi * r, r, Copper), solid), 1e-7) << d;
        EXPECT_LT(relativeError(slabSurfaceImpedance(omega, r, Copper), thickMetal(omega)), 1e-14) << d;
    }
}

TEST(SkinSurface, ScaledFormsAgreeWhereTheQuotientsAreFinite)
{
    for (double m : {3.5, 20.0, 100.0, 300.0, 490.0}) {
        for (double angle : {0.75 * M_PI, -0.25 * M_PI, 0.1}) {
            const Complex z(m * std::cos(angle), m * std::sin(angle));
            EXPECT_LT(relativeError(besselRatioScaled(z), besselJ0(z) / besselJ1(z)), 2e-13) << m << " " << angle;
        }
    }
    for (double a : {0.05, 0.5, 5.0, 300.0}) {
        const Complex x(a, a);
        EXPECT_LT(relativeError(cothScaled(x), cosh(x) / sinh(x)), 1e-15) << a;
        const LongComplex e = lexp(LongComplex{-2.0L * a, -2.0L * a});
        const LongComplex one{1.0L, 0.0L};
        EXPECT_LT(relativeError(cothScaled(x), (one + e) / (one - e)), 1e-15) << a;
    }
}

}  // namespace xsrl
