// The accurate mode's wire internal impedance: the surface impedance of each current pattern
// and the chord matrix built from them.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "kernels/wire_impedance.h"
#include "numerics/bessel_reference.h"

namespace xsrl {

namespace {

const double kMu0 = 4e-7 * M_PI;
const double kCopper = 5.8e7;
const double kRadius = 1e-3;

// Angular frequency at which the radius is this many skin depths.
double omegaFor(double depths)
{
    const double delta = kRadius / depths;
    return 2.0 / (kMu0 * kCopper * delta * delta);
}

std::complex<double> toStd(Complex z) { return {z.re, z.im}; }

}  // namespace

TEST(WireImpedance, ModeImpedancesAreTheBesselRatiosAndTendToTheirDirectCurrentLimit)
{
    for (double depths : {1.0, 2.5, 4.0, 20.0}) {
        const double omega = omegaFor(depths);
        const std::vector<Complex> modes = wireModeImpedances(omega, kRadius, kCopper, 5);
        const ComplexLD k = std::sqrt(ComplexLD(0.0L, -omega * kMu0 * kCopper));
        for (int n = 0; n <= 5; ++n) {
            const ComplexLD expected = k / static_cast<long double>(kCopper) *
                                       besselJSeries(n, k * (long double)kRadius) /
                                       besselJSeries(n + 1, k * (long double)kRadius);
            const std::complex<double> got = toStd(modes[static_cast<std::size_t>(n)]);
            EXPECT_LT(std::abs(got / std::complex<double>(expected) - 1.0), 1e-13) << depths << " " << n;
        }
    }
    // A thousandth of a skin depth: the current pattern n meets 2(n+1)/(sigma a), and mode 0 is
    // the direct-current resistance times the circumference.
    const std::vector<Complex> modes = wireModeImpedances(omegaFor(1e-3), kRadius, kCopper, 3);
    for (int n = 0; n <= 3; ++n)
        EXPECT_NEAR(modes[static_cast<std::size_t>(n)].re * kCopper * kRadius / (2 * (n + 1)), 1.0, 1e-6);
}

// The chord matrix is circulant; its eigenvalue for the pattern e^(j m phi) must be n Zs_m /
// (2 pi a), each pattern up to the finest the chords carry, for odd and even chord counts.
TEST(WireImpedance, ChordMatrixCarriesEachPatternWithItsOwnImpedance)
{
    const double omega = omegaFor(3.0);
    for (int n : {7, 8}) {
        const std::vector<Complex> entries = wireChordImpedances(omega, kRadius, kCopper, n);
        const std::vector<Complex> modes = wireModeImpedances(omega, kRadius, kCopper, n / 2);
        for (int m = 0; m <= n / 2; ++m) {
            std::complex<double> eigenvalue = 0.0;
            for (int d = 0; d < n; ++d)
                eigenvalue += toStd(entries[static_cast<std::size_t>(d)]) * std::polar(1.0, 2 * M_PI * m * d / n);
            const std::complex<double> expected =
                toStd(modes[static_cast<std::size_t>(m)]) * (n / (2 * M_PI * kRadius));
            EXPECT_LT(std::abs(eigenvalue / expected - 1.0), 1e-13) << n << " " << m;
        }
    }
}

}  // namespace xsrl
