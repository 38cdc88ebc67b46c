// Long double complex arithmetic for high-precision reference values in the kernel tests: its
// wider exponent range evaluates the skin-effect formulas directly far past the double overflow.
#pragma once

#include <cmath>

#include "numerics/complex.h"

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

// |a - b| / |b| with b as the reference.
inline double relativeError(Complex a, LongComplex b)
{
    const long double dr = a.re - b.re;
    const long double di = a.im - b.im;
    return static_cast<double>(std::hypot(dr, di) / std::hypot(b.re, b.im));
}
inline double relativeError(Complex a, Complex b) { return relativeError(a, widen(b)); }

// J0(z)/J1(z) for large |z| off the real axis, from the asymptotic series of P and Q:
// J_n = sqrt(2/(pi z)) (P_n cos chi_n - Q_n sin chi_n); the decaying half of each cosine and
// sine is dropped (it is below e^(-2|Im z|)).
inline LongComplex besselRatioAsymptotic(LongComplex z)
{
    const LongComplex one{1.0L, 0.0L};
    const LongComplex inv = one / z;
    LongComplex p[2], q[2];
    for (int order = 0; order < 2; ++order) {
        const long double mu = 4.0L * order * order;
        LongComplex term = one;
        LongComplex sumP{}, sumQ{};
        for (int k = 0; k < 16; ++k) {
            const LongComplex scaled{term.re, term.im};
            if (k % 4 == 0) sumP = sumP + scaled;
            if (k % 4 == 1) sumQ = sumQ + scaled;
            if (k % 4 == 2) sumP = sumP - scaled;
            if (k % 4 == 3) sumQ = sumQ - scaled;
            const long double odd = 2.0L * k + 1.0L;
            const long double factor = (mu - odd * odd) / (8.0L * (k + 1));
            term = term * inv * LongComplex{factor, 0.0L};
        }
        p[order] = sumP;
        q[order] = sumQ;
    }
    // Upper half-plane: cos(chi) ~ e^(-j chi)/2, sin(chi) ~ j e^(-j chi)/2 and chi0 - chi1 = pi/2.
    // Lower half-plane: the conjugate relations.
    const long double s = z.im >= 0 ? 1.0L : -1.0L;
    const LongComplex js{0.0L, s};
    return LongComplex{0.0L, -s} * ((p[0] - js * q[0]) / (p[1] - js * q[1]));
}
