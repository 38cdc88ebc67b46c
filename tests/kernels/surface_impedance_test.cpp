#include <gtest/gtest.h>

#include <cmath>

#include "kernels/long_complex.h"
#include "kernels/surface_impedance.h"
#include "numerics/bessel.h"

namespace {

const double Copper = 5.8e7;
const double Mu0 = 1.2566370614359173e-06;
const double TwoPi = 6.283185307179586;

double skinDepth(double omega, double mu) { return std::sqrt(2.0 / (omega * mu * Copper)); }

// (1 + j)/(sigma*delta): the surface impedance of metal many skin depths thick.
Complex thickMetal(double omega, double mu)
{
    const double delta = skinDepth(omega, mu);
    return Complex(1.0, 1.0) / (Copper * delta);
}

// (k/sigma) J0(kr)/J1(kr) with k^2 = -j omega mu sigma, from the asymptotic series.
LongComplex wireReference(double omega, double r, double mu)
{
    const LongComplex k = lsqrt(LongComplex{0.0L, -static_cast<long double>(omega) * mu * Copper});
    const LongComplex ratio = besselRatioAsymptotic(k * LongComplex{r, 0.0L});
    return k * ratio / LongComplex{Copper, 0.0L};
}

} // namespace

TEST(SkinSurface, SlabTendsToSheetResistanceAndThickMetal)
{
    // Thin slab: 1/(sigma t) plus the internal reactance omega mu t / 3.
    const double t = 10e-6;
    const Complex low = slabSurfaceImpedance(TwoPi * 1.0, t, Copper);
    EXPECT_NEAR(low.re, 1.0 / (Copper * t), 1e-12 / (Copper * t));
    // (sinh of a small argument from exponentials leaves the reactance good to about 1e-4.)
    EXPECT_NEAR(low.im, TwoPi * Mu0 * t / 3.0, 1e-4 * TwoPi * Mu0 * t);

    const double omega = TwoPi * 1e9;
    EXPECT_LT(relativeError(slabSurfaceImpedance(omega, 100e-6, Copper), thickMetal(omega, Mu0)), 1e-14);
}

TEST(SkinSurface, WireTendsToDirectCurrentResistance)
{
    const double r = 1e-3;
    const Complex perMetre = wireSurfaceImpedance(TwoPi * 1.0, r, Copper) / (TwoPi * r);
    // Direct-current resistance plus the reactance of the internal inductance mu/(8 pi).
    EXPECT_NEAR(perMetre.re, 1.0 / (Copper * M_PI * r * r), 1e-7 * perMetre.re);
    EXPECT_NEAR(perMetre.im, TwoPi * Mu0 / (8.0 * M_PI), 1e-6 * perMetre.im);
}

TEST(SkinSurface, SolidWireAgreesWithWireButForPermeability)
{
    const double r = 1e-3;
    for (double f : {1.0, 1e3, 1e6, 1e9, 1e11}) {
        const double omega = TwoPi * f;
        const Complex wire = wireSurfaceImpedance(omega, r, Copper) / (TwoPi * r);
        EXPECT_LT(relativeError(solidWireImpedance(omega, TwoPi * r, r, Copper), wire), 3e-4) << f;
    }
}

// Radii from 50 to 10^4 skin depths, a fine sweep across the point where J0 and J1 overflow
// (about 355 skin depths, where the formula as written gives NaN or an exact zero).
TEST(SkinSurface, WiresMatchAsymptoticReferencePastOverflow)
{
    const double omega = TwoPi * 1e9;
    const double delta = skinDepth(omega, Mu0);
    const Complex z = Complex(0.0, 400.0) * pow(Complex(0.0, omega * Mu0 * Copper), 0.5) * delta;
    ASSERT_FALSE(std::isfinite((besselJ0(z) / besselJ1(z)).re));

    std::vector<double> depths = {50.0, 200.0, 700.0, 2000.0, 1e4};
    for (double d = 340.0; d <= 380.0; d += 0.125) depths.push_back(d);
    for (double d : depths) {
        // The handbook's modulus and phase forms are good to about 5e-7 at 50 skin depths.
        const double tolerance = d < 100.0 ? 1e-6 : 1e-7;
        const double r = d * delta;
        EXPECT_LT(relativeError(wireSurfaceImpedance(omega, r, Copper), wireReference(omega, r, Mu0)), tolerance) << d;
        const LongComplex solid = wireReference(omega, r, 1.257e-06) / LongComplex{TwoPi * r, 0.0L};
        EXPECT_LT(relativeError(solidWireImpedance(omega, TwoPi * r, r, Copper), solid), tolerance) << d;
    }
}

TEST(SkinSurface, SlabStaysThickMetalPastOverflow)
{
    // A copper plate 1 mm thick at 10 GHz is about 1500 skin depths thick.
    const double omega = TwoPi * 1e10;
    const double delta = skinDepth(omega, Mu0);
    for (double d = 340.0; d <= 380.0; d += 0.125)
        EXPECT_LT(relativeError(slabSurfaceImpedance(omega, d * delta, Copper), thickMetal(omega, Mu0)), 1e-14) << d;
    EXPECT_LT(relativeError(slabSurfaceImpedance(omega, 1e-3, Copper), thickMetal(omega, Mu0)), 1e-14);
}

// Below the overflow the scaled forms agree with the quotients they replace.
TEST(SkinSurface, ScaledFormsAgreeWhereQuotientsAreFinite)
{
    for (double m : {3.5, 20.0, 100.0, 300.0, 490.0}) {
        for (double angle : {0.75 * M_PI, -0.25 * M_PI, 0.1}) {
            const Complex z(m * std::cos(angle), m * std::sin(angle));
            EXPECT_LT(relativeError(besselRatioScaled(z), besselJ0(z) / besselJ1(z)), 2e-13) << m << " " << angle;
        }
    }
    for (double a : {0.05, 0.5, 5.0, 50.0, 300.0}) {
        const Complex x(a, a);
        EXPECT_LT(relativeError(cothScaled(x), cosh(x) / sinh(x)), 1e-15) << a;
        const LongComplex e = lexp(LongComplex{-2.0L * a, -2.0L * a});
        const LongComplex one{1.0L, 0.0L};
        EXPECT_LT(relativeError(cothScaled(x), (one + e) / (one - e)), 1e-15) << a;
    }
}
