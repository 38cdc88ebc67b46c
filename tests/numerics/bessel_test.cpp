#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "numerics/bessel.h"
#include "numerics/bessel_reference.h"

namespace xsrl {

namespace {

const double TwoOverPi = 0.6366197723675814;

bool sameBits(Complex a, Complex b) { return std::memcmp(&a, &b, sizeof(Complex)) == 0; }

// The large-argument forms from the modulus and phase helpers.
Complex largeJ0(Complex z) { return pow(z, -0.5) * (besselModulus0(z) * cos(besselPhase0(z))); }
Complex largeY1(Complex z) { return pow(z, -0.5) * (besselModulus1(z) * sin(besselPhase1(z))); }

}  // namespace

TEST(NumericsBessel, RealArgumentsWithinHandbookBounds)
{
    // Bounds of 9.4.1 to 9.4.6; below 3 the logarithmic term carries the J error into Y, and
    // from 3 on the bounds on f and theta give (f-bound + |f|*theta-bound)/sqrt(x).
    for (double x = 0.05; x < 60.0; x += (x < 3.0 ? 0.0625 : 0.37)) {
        const Complex z(x, 0.0);
        double j0, y0, j1, y1;
        if (x < 3.0) {
            const double logTerm = std::fabs(TwoOverPi * std::log(x / 2));
            j0 = 5e-8;
            j1 = 1.3e-8 * x;
            y0 = 1.4e-8 + logTerm * j0;
            y1 = (1.1e-7 + x * logTerm * j1) / x;
        } else {
            j0 = y0 = (1.6e-8 + 0.82 * 7e-8) / std::sqrt(x);
            j1 = y1 = (4e-8 + 0.82 * 9e-8) / std::sqrt(x);
        }
        EXPECT_NEAR(real(besselJ0(z)), std::cyl_bessel_j(0.0, x), j0 + 1e-14) << x;
        EXPECT_NEAR(real(besselY0(z)), std::cyl_neumann(0.0, x), y0 + 1e-14) << x;
        EXPECT_NEAR(real(besselJ1(z)), std::cyl_bessel_j(1.0, x), j1 + 1e-14) << x;
        EXPECT_NEAR(real(besselY1(z)), std::cyl_neumann(1.0, x), y1 + 1e-14) << x;
        EXPECT_EQ(imag(besselJ0(z)) + imag(besselY0(z)) + imag(besselJ1(z)) + imag(besselY1(z)), 0.0) << x;
    }
}

TEST(NumericsBessel, WronskianAtComplexArgumentsOnBothSidesOfThree)
{
    // J1 Y0 - J0 Y1 = 2/(pi z) off the negative real axis. The polynomials were fitted on the
    // real axis, so off it they hold to about 1e-4 of the products' size near |z| = 3.
    for (double r : {0.3, 1.0, 2.2, 2.99, 3.0, 3.5, 6.0, 12.0}) {
        for (double angle : {-1.2, -0.785398, -0.3, 0.4, 0.785398, 1.3}) {
            const Complex z(r * std::cos(angle), r * std::sin(angle));
            const Complex w = besselJ1(z) * besselY0(z) - besselJ0(z) * besselY1(z);
            const double scale = abs(besselJ0(z)) * abs(besselY1(z)) + abs(besselJ1(z)) * abs(besselY0(z));
            EXPECT_LT(abs(w - TwoOverPi / z), 1e-4 * scale) << "r=" << r << " angle=" << angle;
        }
    }
}

TEST(NumericsBessel, ModulusThreeTakesTheLargeForm)
{
    for (Complex z : {Complex(3.0, 0.0), Complex(0.0, -3.0), Complex(-3.0, 0.0)}) {
        EXPECT_TRUE(sameBits(besselJ0(z), largeJ0(z)));
        EXPECT_TRUE(sameBits(besselY1(z), largeY1(z)));
    }
    // Just below 3 the polynomials are used: not the large form, though within the two
    // approximations' errors of it on the real axis.
    const Complex below(std::nextafter(3.0, 0.0), 0.0);
    EXPECT_FALSE(sameBits(besselJ0(below), largeJ0(below)));
    EXPECT_FALSE(sameBits(besselY1(below), largeY1(below)));
    EXPECT_LT(abs(besselJ0(below) - largeJ0(below)), 2e-7);
    EXPECT_LT(abs(besselY1(below) - largeY1(below)), 2e-7);
}

TEST(NumericsBessel, ValuesAtZero)
{
    EXPECT_TRUE(sameBits(besselJ0(Complex(0.0, 0.0)), Complex(1.0, 0.0)));
    EXPECT_EQ(abs(besselJ1(Complex(0.0, 0.0))), 0.0);
    EXPECT_FALSE(std::isfinite(real(besselY0(Complex(0.0, 0.0)))));
}

TEST(NumericsHankel, BelowTwentyFirstKindIsJPlusJYAndSecondKindItsReflection)
{
    const Complex j(0.0, 1.0);
    for (Complex z :
         {Complex(0.7, -0.7), Complex(2.0, 2.5), Complex(-4.0, 1.0), Complex(std::nextafter(20.0, 0.0), 0.0)}) {
        EXPECT_TRUE(sameBits(hankel0(1, z), besselJ0(z) + j * besselY0(z)));
        EXPECT_TRUE(sameBits(hankel1(1, z), besselJ1(z) + j * besselY1(z)));
        for (int kind : {2, 0, -1}) {
            EXPECT_TRUE(sameBits(hankel0(kind, z), conj(hankel0(1, conj(z))))) << kind;
            EXPECT_TRUE(sameBits(hankel1(kind, z), conj(hankel1(1, conj(z))))) << kind;
        }
    }
}

TEST(NumericsHankel, FromTwentyTheLeadingTermWithThePhaseSignedByKind)
{
    const Complex j(0.0, 1.0);
    for (Complex z : {Complex(20.0, 0.0), Complex(12.0, 16.0), Complex(30.0, -30.0)}) {
        const Complex amplitude = pow(TwoOverPi / z, 0.5);
        const Complex phase0 = z - 0.7853981633974483;
        const Complex phase1 = phase0 - 1.5707963267948966;
        EXPECT_TRUE(sameBits(hankel0(1, z), amplitude * exp(j * phase0)));
        EXPECT_TRUE(sameBits(hankel1(1, z), amplitude * exp(j * phase1)));
        EXPECT_TRUE(sameBits(hankel0(2, z), amplitude * exp(j * (-1.0 * phase0))));
        EXPECT_TRUE(sameBits(hankel1(0, z), amplitude * exp((-1.0 * j) * phase1)));
    }
    // On the real axis the kinds are conjugates, within 1/(8x) (order 0) of J -+ jY.
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

// J_n/J_(n+1) at a skin-effect argument (1 - j) x, and its mirror image (1 + j) x, from a
// thousandth of a skin depth to 1.4e7: the downward recurrence below |z| = 1e7 and the
// large-argument expansion above it, each to rounding.
TEST(NumericsBessel, RatiosOfConsecutiveOrdersFromTheDirectCurrentLimitToThickConductors)
{
    const int count = 12;
    for (double x : {1e-3, 0.7, 2.5, 9.0, 25.0, 1e4, 1e7}) {
        for (double side : {-1.0, 1.0}) {
            const Complex z(x, side * x);
            const std::vector<Complex> ratios = besselRatios(z, count);
            ASSERT_EQ(ratios.size(), static_cast<std::size_t>(count));
            const ComplexLD zl(z.re, z.im);
            for (int n = 0; n < count; ++n) {
                const ComplexLD expected =
                    x < 30 ? besselJSeries(n, zl) / besselJSeries(n + 1, zl) : besselRatioLarge(n, zl);
                const ComplexLD got(ratios[static_cast<std::size_t>(n)].re, ratios[static_cast<std::size_t>(n)].im);
                EXPECT_LT(static_cast<double>(std::abs(got / expected - 1.0L)), 2e-14) << "x=" << x << " n=" << n;
            }
        }
    }
}

}  // namespace xsrl
