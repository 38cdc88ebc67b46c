#include "export/touchstone.h"

#include "export/exports.h"
#include "numerics/constants.h"
#include "numerics/eigen.h"
#include "numerics/lu_solve.h"

namespace xsrl {

namespace {

ComplexMatrix product(const ComplexMatrix& a, const ComplexMatrix& b)
{
    ComplexMatrix out = matrix(a.rows(), b.cols());
    for (int i = 0; i < a.rows(); ++i)
        for (int k = 0; k < a.cols(); ++k)
            for (int j = 0; j < b.cols(); ++j) out[i][j] = out[i][j] + a[i][k] * b[k][j];
    return out;
}

// a + j omega b, entry by entry.
ComplexMatrix immittance(const RealMatrix& a, double omega, const RealMatrix& b)
{
    ComplexMatrix out = matrix(a.rows(), a.cols());
    for (int i = 0; i < a.rows(); ++i)
        for (int j = 0; j < a.cols(); ++j) out[i][j] = Complex(a[i][j], omega * b[i][j]);
    return out;
}

}  // namespace

ComplexMatrix lineScattering(const FrequencyPoint& point, double lengthMetres, double z0)
{
    const int n = point.r.rows();
    const double omega = TwoPi * point.frequency;
    const ComplexMatrix z = immittance(point.r, omega, point.l);
    const EigenDecomposition modes = eigenDecompose(product(immittance(point.g, omega, point.c), z));
    const ComplexMatrix& t = modes.vectors;

    // Per mode gamma (the principal root: Re gamma >= 0) and exp(-gamma l).
    const std::size_t modeCount = static_cast<std::size_t>(n);
    std::vector<Complex> gamma(modeCount), decay(modeCount);
    for (std::size_t k = 0; k < modeCount; ++k) {
        gamma[k] = pow(modes.values[k], 0.5);
        decay[k] = exp(-gamma[k] * lengthMetres);
    }
    // With M = Z T gamma^-1, the waves V +- z0 I of mode amplitudes are (M +- z0 T) times them.
    const ComplexMatrix zt = product(z, t);
    ComplexMatrix plus = matrix(n, n), minus = matrix(n, n);
    for (int i = 0; i < n; ++i)
        for (std::size_t k = 0; k < modeCount; ++k) {
            const Complex m = zt[i][k] / gamma[k];
            plus[i][k] = m + z0 * t[i][k];
            minus[i][k] = m - z0 * t[i][k];
        }

    // Incident waves = K (a, b), reflected = N (a, b), with b the backward amplitudes at the
    // far end:  K = [[plus, minus E], [minus E, plus]],  N = [[minus, plus E], [plus E, minus]].
    // S = N K^-1, found as the solution of K^T S^T = N^T.
    ComplexMatrix kTransposed = matrix(2 * n, 2 * n), nTransposed = matrix(2 * n, 2 * n);
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < n; ++k) {
            const Complex& modeDecay = decay[static_cast<std::size_t>(k)];
            const Complex plusDecayed = plus[i][k] * modeDecay, minusDecayed = minus[i][k] * modeDecay;
            kTransposed[k][i] = kTransposed[k + n][i + n] = plus[i][k];
            kTransposed[k + n][i] = kTransposed[k][i + n] = minusDecayed;
            nTransposed[k][i] = nTransposed[k + n][i + n] = minus[i][k];
            nTransposed[k + n][i] = nTransposed[k][i + n] = plusDecayed;
        }
    const ComplexMatrix sTransposed = solveByLu(std::move(kTransposed), nTransposed);
    ComplexMatrix s = matrix(2 * n, 2 * n);
    for (int i = 0; i < 2 * n; ++i)
        for (int j = 0; j < 2 * n; ++j) s[i][j] = sTransposed[j][i];
    return s;
}

void writeTouchstone(const std::string& path, const std::string& deckPath, const SweepResult& result,
                     double lengthMetres, double z0)
{
    if (!result.hasCapacitance()) throw missingCapacitance(ExportFormat::Touchstone);
    OutputFile file(path, path);
    const int n = static_cast<int>(result.ports.size());
    file.print("! S-parameters of a uniform line %.9g m long, from the deck %s\n", lengthMetres, deckPath.c_str());
    for (int end = 0; end < 2; ++end)
        for (int k = 0; k < n; ++k)
            file.print("! port %d: %s, %s end\n", end * n + k + 1,
                       portDescription(result.ports[static_cast<std::size_t>(k)]).c_str(), end == 0 ? "near" : "far");
    file.print("# Hz S RI R %.17g\n", z0);

    const int ports = 2 * n;
    for (const FrequencyPoint& point : result.points) {
        const ComplexMatrix s = lineScattering(point, lengthMetres, z0);
        file.print("%.17g", point.frequency);
        for (int row = 0; row < ports; ++row) {
            for (int column = 0; column < ports; ++column) {
                if (column > 0 && column % 4 == 0) file.print("\n");
                // Two-port files list S11 S21 S12 S22: column by column.
                const Complex value = ports == 2 ? s[column][row] : s[row][column];
                file.print(" %.17g %.17g", value.re, value.im);
            }
            if (ports > 2) file.print("\n");
        }
        if (ports == 2) file.print("\n");
    }
    file.close();
}

}  // namespace xsrl
