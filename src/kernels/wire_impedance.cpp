#include "kernels/wire_impedance.h"

#include <cmath>
#include <cstddef>

#include "numerics/bessel.h"
#include "numerics/constants.h"

namespace xsrl {

std::vector<Complex> wireModeImpedances(double omega, double radius, double sigma, int highestOrder)
{
    // Either root of k^2 will do: k J_n(ka)/J_(n+1)(ka) is even in k.
    const Complex k = pow(Complex(0.0, -omega * Mu0 * sigma), 0.5);
    std::vector<Complex> impedances = besselRatios(k * radius, highestOrder + 1);
    const Complex factor = k / sigma;
    for (Complex& z : impedances) z = factor * z;
    return impedances;
}

std::vector<Complex> wireChordImpedances(double omega, double radius, double sigma, int chordCount)
{
    const int n = chordCount;
    const std::vector<Complex> modes = wireModeImpedances(omega, radius, sigma, n / 2);
    std::vector<double> cosines(static_cast<std::size_t>(n));
    for (int m = 0; m < n; ++m) cosines[static_cast<std::size_t>(m)] = std::cos(TwoPi * m / n);

    // A chord carries the current of its arc, 2 pi a / n: the modes e^(j m phi), m from
    // -n/2 + 1 to n/2 (the last one once when n is even), each Zs_|m| / (2 pi a), sampled at
    // the chords.
    std::vector<Complex> entries(static_cast<std::size_t>(n));
    const double circumference = TwoPi * radius;
    for (int d = 0; d < n; ++d) {
        Complex sum = modes[0];
        for (int m = 1; 2 * m < n; ++m)
            sum = sum + 2.0 * cosines[static_cast<std::size_t>((static_cast<long long>(m) * d) % n)] *
                            modes[static_cast<std::size_t>(m)];
        if (n % 2 == 0) sum = sum + (d % 2 == 0 ? 1.0 : -1.0) * modes[static_cast<std::size_t>(n / 2)];
        entries[static_cast<std::size_t>(d)] = sum / circumference;
    }
    return entries;
}

}  // namespace xsrl
