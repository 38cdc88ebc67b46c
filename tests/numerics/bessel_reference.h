// Reference Bessel functions of complex argument in long double, for the tests of the accurate
// mode's wire kernels: the power series for moderate |z|, Hankel's asymptotic series for large.
#pragma once

#include <complex>

namespace xsrl {

using ComplexLD = std::complex<long double>;

// J_n(z) = sum_k (-1)^k (z/2)^(2k+n) / (k! (k+n)!). Off the real axis at arg z = -pi/4 its
// terms grow to about e^|z| against |J_n| ~ e^(|z|/sqrt 2): long double holds 1e-15 up to
// |z| of about 40.
inline ComplexLD besselJSeries(int n, ComplexLD z)
{
    ComplexLD term = 1.0L;
    for (int k = 1; k <= n; ++k) term *= z / (2.0L * k);
    ComplexLD sum = term;
    for (int k = 1; k < 400; ++k) {
        term *= -(z * z / 4.0L) / static_cast<long double>(k * (k + n));
        sum += term;
    }
    return sum;
}

// J_n(z)/J_(n+1)(z) for |z| much larger than n^2 off the real axis, where J is half the Hankel
// function growing away from the axis, H_n ~ sqrt(2/(pi z)) e^(+-j(z - n pi/2 - pi/4)) S_n(z)
// with S_n = sum_k (+-j)^k a_k(n) / z^k, a_k(n) = prod_(m<=k) (4n^2 - (2m-1)^2) / (k! 8^k):
// the ratio is +-j S_n / S_(n+1), the upper sign below the axis.
inline ComplexLD besselRatioLarge(int n, ComplexLD z)
{
    const ComplexLD j(0.0L, z.imag() < 0 ? 1.0L : -1.0L);
    const auto series = [&](int order) {
        ComplexLD term = 1.0L, sum = 1.0L;
        for (int k = 1; k < 30; ++k) {
            const long double odd = 2.0L * k - 1.0L;
            term *= j * ((4.0L * order * order - odd * odd) / (8.0L * k)) / z;
            sum += term;
        }
        return sum;
    };
    return j * series(n) / series(n + 1);
}

}  // namespace xsrl
