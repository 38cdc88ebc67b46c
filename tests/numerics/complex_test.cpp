#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "numerics/complex.h"

namespace xsrl {

namespace {

const double Pi = 3.141592653589793;
const double Inf = std::numeric_limits<double>::infinity();

void expectExact(Complex z, double re, double im)
{
    EXPECT_EQ(z.re, re);
    EXPECT_EQ(z.im, im);
}

void expectNaN(Complex z)
{
    EXPECT_TRUE(std::isnan(z.re)) << z.re;
    EXPECT_TRUE(std::isnan(z.im)) << z.im;
}

TEST(ComplexArithmetic, ProductAndDivision)
{
    expectExact(Complex(1, 2) * Complex(3, 4), -5, 10);
    expectExact(Complex(-5, 10) / Complex(3, 4), 1, 2);
    expectExact(conj(Complex(1, 2)), 1, -2);
    expectExact(-Complex(1, -2), -1, 2);
    // The denominator is formed unscaled, so it overflows to infinity here.
    expectExact(Complex(1, 1) / Complex(1e200, 1e200), 0, 0);
}

TEST(ComplexArithmetic, MixedWithReals)
{
    expectExact(3.0 - Complex(1, 2), 2, -2);
    expectExact(Complex(1, 2) - 3.0, -2, 2);
    expectExact(2.0 + Complex(1, 2), 3, 2);
    expectExact(Complex(1, 2) + 2.0, 3, 2);
    expectExact(2.0 * Complex(1, -2), 2, -4);
    expectExact(Complex(1, -2) * 2.0, 2, -4);
    expectExact(1.0 / Complex(0, 1), 0, -1);
    expectExact(Complex(6, 8) / 2.0, 3, 4);
}

// z / x goes through the complex division: (z.re*x / (x*x), z.im*x / (x*x)).
TEST(ComplexArithmetic, DivisionByARealUsesTheConjugateProduct)
{
    const Complex q = Complex(1, 1) / 0.1;
    EXPECT_EQ(q.re, (1 * 0.1) / (0.1 * 0.1));
    EXPECT_NE(q.re, 1 / 0.1);
    expectExact(Complex(6, 8) / 1e200, 0, 0);  // x*x overflows
    const Complex r = 0.001 / Complex(0.1, 0);
    EXPECT_EQ(r.re, (0.001 * 0.1) / (0.1 * 0.1));
}

TEST(ComplexArithmetic, DivisionByZeroIsNaN)
{
    expectNaN(Complex(1, 1) / Complex(0, 0));
    expectNaN(Complex(6, 8) / 0.0);
    expectNaN(1.0 / Complex(0, 0));
}

TEST(ComplexFunctions, ModulusAndArgument)
{
    EXPECT_EQ(abs(Complex(3, 4)), 5);
    EXPECT_EQ(arg(Complex(0, 0)), 0);
    EXPECT_EQ(arg(Complex(-1, 0)), Pi);
    EXPECT_EQ(arg(Complex(0, -1)), -Pi / 2);
    // The modulus decides: these squares underflow to zero.
    EXPECT_EQ(arg(Complex(-1e-200, 1e-200)), 0);
}

TEST(ComplexFunctions, PrincipalBranches)
{
    expectExact(log(Complex(-1, 0)), 0, Pi);
    expectExact(log(Complex(0, 0)), -Inf, 0);
    expectExact(pow(Complex(0, 0), 2), 0, 0);
    expectExact(pow(Complex(0, 0), 0), 1, 0);
    const Complex p = pow(Complex(0, 0), -1);
    EXPECT_EQ(p.re, Inf);
    EXPECT_TRUE(std::isnan(p.im));
    const Complex root = pow(Complex(-4, 0), 0.5);
    expectExact(root, 2 * std::cos(Pi * 0.5), 2 * std::sin(Pi * 0.5));
    EXPECT_NEAR(root.re, 0, 1e-15);
    const Complex lowerRoot = pow(Complex(-4, -1e-300), 0.5);  // below the cut
    EXPECT_NEAR(lowerRoot.im, -2, 1e-15);
}

TEST(ComplexFunctions, ExponentialAndTrigonometry)
{
    expectExact(exp(Complex(0, Pi)), -1, std::sin(Pi));
    expectExact(sin(Complex(0, 0)), 0, 0);
    expectExact(cos(Complex(0, 0)), 1, 0);
    const Complex s = sin(Complex(1, 0.5));
    EXPECT_NEAR(s.re, std::sin(1.0) * std::cosh(0.5), 1e-15);
    EXPECT_NEAR(s.im, std::cos(1.0) * std::sinh(0.5), 1e-15);
    const Complex c = cos(Complex(1, 0.5));
    EXPECT_NEAR(c.re, std::cos(1.0) * std::cosh(0.5), 1e-15);
    EXPECT_NEAR(c.im, -std::sin(1.0) * std::sinh(0.5), 1e-15);
    const Complex sh = sinh(Complex(0.5, 1));
    EXPECT_NEAR(sh.re, std::sinh(0.5) * std::cos(1.0), 1e-15);
    EXPECT_NEAR(sh.im, std::cosh(0.5) * std::sin(1.0), 1e-15);
}

// The guard is strict: at exactly +-80 the value comes from sinh/cosh, which an
// infinite imaginary part turns into NaN.
TEST(ComplexFunctions, TanhGuard)
{
    expectExact(tanh(Complex(81, 5)), 1, 0);
    expectExact(tanh(Complex(-81, 5)), -1, 0);
    expectExact(tanh(Complex(std::nextafter(80.0, 81.0), Inf)), 1, 0);
    expectExact(tanh(Complex(std::nextafter(-80.0, -81.0), Inf)), -1, 0);
    expectNaN(tanh(Complex(80, Inf)));
    expectNaN(tanh(Complex(-80, Inf)));
    const Complex t = tanh(Complex(0.5, 0.25));
    const Complex expected = sinh(Complex(0.5, 0.25)) / cosh(Complex(0.5, 0.25));
    expectExact(t, expected.re, expected.im);
}

}  // namespace

}  // namespace xsrl
