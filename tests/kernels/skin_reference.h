// Reference values for the skin-effect kernel tests: long double complex arithmetic, whose wider
// exponent range evaluates the formulas directly far past the double overflow.
#pragma once

#include <gtest/gtest.h>

#include <cmath>

#include "numerics/complex.h"

namespace xsrl {

struct LongComplex {
    long double re = 0.0L;
    long double im = 0.0L;
};

inline LongComplex operator+(LongComplex a, LongComplex b) { return {a.re + b.re, a.im + b.im}; }
inline LongComplex operator-(LongComplex a, LongComplex b) { return {a.re - b.re, a.im - b.im}; }
inline LongComplex operator*(LongComplex a, LongComplex b)
{
    return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}
inline LongComplex operator/(LongComplex a, LongComplex b)
{
    const long double d = b.re * b.re + b.im * b.im;
    return {(a.re * b.re + a.im * b.im) / d, (a.im * b.re - a.re * b.im) / d};
}
inline LongComplex lexp(LongComplex z) { return {std::exp(z.re) * std::cos(z.im), std::exp(z.re) * std::sin(z.im)}; }
inline LongComplex lsqrt(LongComplex z)
{
    const long double m = std::sqrt(std::hypot(z.re, z.im));
    const long double t = std::atan2(z.im, z.re) / 2.0L;
    return {m * std::cos(t), m * std::sin(t)};
}
inline LongComplex widen(Complex z) { return {z.re, z.im}; }

inline double relativeError(Complex a, LongComplex b)
{
    return static_cast<double>(std::hypot(a.re - b.re, a.im - b.im) / std::hypot(b.re, b.im));
}
inline double relativeError(Complex a, Complex b) { return relativeError(a, widen(b)); }

inline void expectSame(Complex a, Complex b)
{
    EXPECT_EQ(a.re, b.re);
    EXPECT_EQ(a.im, b.im);
}

// J0(z)/J1(z) for large |z| off the real axis from the asymptotic series of P and Q, with
// J_n = sqrt(2/(pi z)) (P_n cos chi_n - Q_n sin chi_n); the half of each cosine and sine that
// decays (below e^(-2|Im z|)) is dropped, leaving -+j (P0 -+ jQ0)/(P1 -+ jQ1) for Im z >< 0.
inline LongComplex besselRatioAsymptotic(LongComplex z)
{
    const LongComplex inv = LongComplex{1.0L, 0.0L} / z;
    LongComplex p[2], q[2];
    for (int order = 0; order < 2; ++order) {
        LongComplex term{1.0L, 0.0L};
        for (int k = 0; k < 16; ++k) {
            LongComplex& sum = k % 2 == 0 ? p[order] : q[order];
            sum = k % 4 < 2 ? sum + term : sum - term;
            const long double odd = 2.0L * k + 1.0L;
            term = term * inv * LongComplex{(4.0L * order * order - odd * odd) / (8.0L * (k + 1)), 0.0L};
        }
    }
    const LongComplex js{0.0L, z.im >= 0 ? 1.0L : -1.0L};
    return LongComplex{0.0L, -js.im} * ((p[0] - js * q[0]) / (p[1] - js * q[1]));
}

// Leading asymptotic term of the Hankel function of the given order and kind.
inline LongComplex hankelLeading(int order, int kind, LongComplex z)
{
    const long double pi = 3.14159265358979323846264338327950288L;
    const LongComplex amplitude = lsqrt(LongComplex{2.0L / pi, 0.0L} / z);
    const LongComplex phase = z - LongComplex{pi / 4.0L + order * pi / 2.0L, 0.0L};
    return amplitude * lexp(LongComplex{0.0L, kind == 1 ? 1.0L : -1.0L} * phase);
}

}  // namespace xsrl
