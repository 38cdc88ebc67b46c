#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "numerics/bessel.h"

namespace {

const double TwoOverPi = 0.6366197723675814;

// Error bounds of the handbook approximations (9.4.1 to 9.4.6), with a margin for rounding.
const double BoundJ0 = 5e-8, BoundY0Series = 1.4e-8, BoundJ1OverX = 1.3e-8, BoundY1Series = 1.1e-7;
const double BoundF0 = 1.6e-8, BoundTheta0 = 7e-8, BoundF1 = 4e-8, BoundTheta1 = 9e-8;
const double Rounding = 1e-14;

bool sameBits(Complex a, Complex b)
{
    return std::memcmp(&a.re, &b.re, sizeof(double)) == 0 && std::memcmp(&a.im, &b.im, sizeof(double)) == 0;
}

Complex polar(double r, double angle) { return Complex(r * std::cos(angle), r * std::sin(angle)); }

// The large-argument forms, as the handbook writes them, from the modulus and phase helpers.
Complex largeJ0(Complex z) { return pow(z, -0.5) * (besselModulus0(z) * cos(besselPhase0(z))); }
Complex largeY0(Complex z) { return pow(z, -0.5) * (besselModulus0(z) * sin(besselPhase0(z))); }
Complex largeJ1(Complex z) { return pow(z, -0.5) * (besselModulus1(z) * cos(besselPhase1(z))); }
Complex largeY1(Complex z) { return pow(z, -0.5) * (besselModulus1(z) * sin(besselPhase1(z))); }

}  // namespace

TEST(NumericsBessel, SmallArgumentsWithinHandbookBounds)
{
    for (double x = 0.05; x < 3.0; x += 0.0625) {
        const Complex z(x, 0.0);
        const double logTerm = std::fabs(TwoOverPi * std::log(x / 2));
        const double j0Error = BoundJ0 + Rounding;
        const double j1Error = BoundJ1OverX * x + Rounding;
        EXPECT_NEAR(real(besselJ0(z)), std::cyl_bessel_j(0.0, x), j0Error) << x;
        EXPECT_NEAR(real(besselJ1(z)), std::cyl_bessel_j(1.0, x), j1Error) << x;
        EXPECT_NEAR(real(besselY0(z)), std::cyl_neumann(0.0, x), BoundY0Series + logTerm * j0Error + Rounding) << x;
        EXPECT_NEAR(real(besselY1(z)), std::cyl_neumann(1.0, x), (BoundY1Series + x * logTerm * j1Error) / x + Rounding)
            << x;
        EXPECT_EQ(imag(besselJ0(z)), 0.0);
        EXPECT_EQ(imag(besselY0(z)), 0.0);
        EXPECT_EQ(imag(besselJ1(z)), 0.0);
        EXPECT_EQ(imag(besselY1(z)), 0.0);
    }
}

TEST(NumericsBessel, LargeArgumentsWithinHandbookBounds)
{
    for (double x = 3.0; x < 60.0; x += 0.37) {
        const Complex z(x, 0.0);
        const double root = std::sqrt(x);
        const double order0 = (BoundF0 + 0.82 * BoundTheta0) / root + Rounding;
        const double order1 = (BoundF1 + 0.82 * BoundTheta1) / root + Rounding;
        EXPECT_NEAR(real(besselJ0(z)), std::cyl_bessel_j(0.0, x), order0) << x;
        EXPECT_NEAR(real(besselY0(z)), std::cyl_neumann(0.0, x), order0) << x;
        EXPECT_NEAR(real(besselJ1(z)), std::cyl_bessel_j(1.0, x), order1) << x;
        EXPECT_NEAR(real(besselY1(z)), std::cyl_neumann(1.0, x), order1) << x;
        EXPECT_EQ(imag(besselJ0(z)), 0.0);
        EXPECT_EQ(imag(besselY1(z)), 0.0);
    }
}

TEST(NumericsBessel, WronskianAtComplexArgumentsOnBothSidesOfThree)
{
    // J1 Y0 - J0 Y1 = 2 / (pi z) off the negative real axis. The polynomials were fitted on the
    // real axis, so off it they hold to about 1e-4 of the products' size near |z| = 3.
    for (double r : {0.3, 1.0, 2.2, 2.99, 3.0, 3.5, 6.0, 12.0}) {
        for (double angle : {-1.2, -0.785398, -0.3, 0.4, 0.785398, 1.3}) {
            const Complex z = polar(r, angle);
            const Complex w = besselJ1(z) * besselY0(z) - besselJ0(z) * besselY1(z);
            const Complex expected = TwoOverPi / z;
            const double scale = abs(besselJ0(z)) * abs(besselY1(z)) + abs(besselJ1(z)) * abs(besselY0(z));
            EXPECT_LT(abs(w - expected), 1e-4 * scale) << "r=" << r << " angle=" << angle;
        }
    }
}

TEST(NumericsBessel, BranchIsChosenByModulusWithThreeInTheLargeForm)
{
    const double below = std::nextafter(3.0, 0.0);
    for (Complex z : {Complex(3.0, 0.0), Complex(0.0, 3.0), Complex(0.0, -3.0), Complex(-3.0, 0.0)}) {
        ASSERT_EQ(abs(z), 3.0);
        EXPECT_TRUE(sameBits(besselJ0(z), largeJ0(z)));
        EXPECT_TRUE(sameBits(besselY0(z), largeY0(z)));
        EXPECT_TRUE(sameBits(besselJ1(z), largeJ1(z)));
        EXPECT_TRUE(sameBits(besselY1(z), largeY1(z)));
    }
    // Just below 3 the polynomials in (z/3)^2 are used: not the large form, though on the real
    // axis within the two approximations' errors of it.
    for (Complex z : {Complex(below, 0.0), Complex(0.0, below)}) {
        ASSERT_LT(abs(z), 3.0);
        EXPECT_FALSE(sameBits(besselJ0(z), largeJ0(z)));
        EXPECT_FALSE(sameBits(besselY1(z), largeY1(z)));
    }
    const Complex x(below, 0.0);
    EXPECT_LT(abs(besselJ0(x) - largeJ0(x)), 2e-7);
    EXPECT_LT(abs(besselY1(x) - largeY1(x)), 2e-7);
}

TEST(NumericsBessel, ValuesAtZero)
{
    const Complex zero(0.0, 0.0);
    EXPECT_EQ(real(besselJ0(zero)), 1.0);
    EXPECT_EQ(imag(besselJ0(zero)), 0.0);
    EXPECT_EQ(real(besselJ1(zero)), 0.0);
    EXPECT_EQ(imag(besselJ1(zero)), 0.0);
    EXPECT_FALSE(std::isfinite(real(besselY0(zero))));
    EXPECT_FALSE(std::isfinite(real(besselY1(zero))) && std::isfinite(imag(besselY1(zero))));
}

TEST(NumericsHankel, FirstKindBelowTwentyIsJPlusJY)
{
    for (Complex z : {Complex(0.7, -0.7), Complex(2.0, 2.5), Complex(10.0, -3.0), Complex(std::nextafter(20.0, 0.0), 0.0)}) {
        const Complex j(0.0, 1.0);
        EXPECT_TRUE(sameBits(hankel0(1, z), besselJ0(z) + j * besselY0(z)));
        EXPECT_TRUE(sameBits(hankel1(1, z), besselJ1(z) + j * besselY1(z)));
    }
}

TEST(NumericsHankel, SecondKindBelowTwentyIsTheExactReflection)
{
    for (Complex z : {Complex(0.7, -0.7), Complex(2.0, 2.5), Complex(-4.0, 1.0), Complex(10.0, -3.0), Complex(19.0, 0.0)}) {
        const Complex h0 = conj(hankel0(1, conj(z)));
        const Complex h1 = conj(hankel1(1, conj(z)));
        for (int kind : {2, 0, -1}) {
            EXPECT_TRUE(sameBits(hankel0(kind, z), h0)) << kind;
            EXPECT_TRUE(sameBits(hankel1(kind, z), h1)) << kind;
        }
    }
}

TEST(NumericsHankel, LeadingAsymptoticTermFromTwenty)
{
    const double quarterPi = 0.7853981633974483;
    const double halfPi = 1.5707963267948966;
    const Complex j(0.0, 1.0);
    for (Complex z : {Complex(20.0, 0.0), Complex(12.0, 16.0), Complex(30.0, -30.0), Complex(45.0, 2.0)}) {
        const Complex amplitude = pow(TwoOverPi / z, 0.5);
        const Complex phase0 = z - quarterPi;
        const Complex phase1 = z - quarterPi - halfPi;
        EXPECT_TRUE(sameBits(hankel0(1, z), amplitude * exp(j * phase0)));
        EXPECT_TRUE(sameBits(hankel1(1, z), amplitude * exp(j * phase1)));
        // Second kind: the same amplitude and the phase with its sign reversed.
        EXPECT_TRUE(sameBits(hankel0(2, z), amplitude * exp(j * (-1.0 * phase0))));
        EXPECT_TRUE(sameBits(hankel1(2, z), amplitude * exp((-1.0 * j) * phase1)));
        EXPECT_TRUE(sameBits(hankel1(0, z), hankel1(2, z)));
        EXPECT_LT(abs(hankel0(1, z) * hankel0(2, z) - amplitude * amplitude), 1e-15);
    }
    // On the real axis the two kinds are conjugates, and the term is within 1/(8x) of J + jY.
    for (double x : {20.0, 27.5, 50.0}) {
        const Complex h1 = hankel0(1, Complex(x, 0.0));
        const Complex h2 = hankel0(2, Complex(x, 0.0));
        EXPECT_EQ(real(h2), real(h1));
        EXPECT_EQ(imag(h2), -imag(h1));
        const double size = std::sqrt(TwoOverPi / x);
        EXPECT_NEAR(real(h1), std::cyl_bessel_j(0.0, x), size / (8 * x));
        EXPECT_NEAR(imag(h1), std::cyl_neumann(0.0, x), size / (8 * x));
        const Complex g1 = hankel1(1, Complex(x, 0.0));
        EXPECT_NEAR(real(g1), std::cyl_bessel_j(1.0, x), 3 * size / (8 * x));
        EXPECT_NEAR(imag(g1), std::cyl_neumann(1.0, x), 3 * size / (8 * x));
    }
}
