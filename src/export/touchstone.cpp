#include "export/touchstone.h"

#include <array>
#include <cmath>

#include "export/exports.h"
#include "numerics/constants.h"
#include "numerics/eigen.h"
#include "numerics/lu_solve.h"

namespace xsrl {

namespace {

// exp(z) - 1 without the cancellation of the two terms for small z.
Complex expm1(Complex z)
{
    const double half = std::sin(0.5 * z.im);
    return Complex(std::expm1(z.re) * std::cos(z.im) - 2.0 * half * half, std::exp(z.re) * std::sin(z.im));
}

// One solution of a mode along the line: the mode's voltage amplitude u (V = Z T u) and
// current amplitude i (I = T i), which obey u' = -i and i' = -gamma^2 u, at the near end
// (x = 0) and the far end (x = l).
struct ModeEnds {
    Complex nearU, nearI, farU, farI;
};

// Two independent solutions of a mode with the propagation constant gamma (Re gamma >= 0).
// Where |gamma l| >= 1: the forward wave (u = exp(-gamma x) / gamma, i = exp(-gamma x)) and the
// backward wave, each 1 where it enters, so that the only exponential is exp(-gamma l), at most
// 1: no overflow however long and lossy the line. As gamma l goes to 0 the two waves become
// one solution and the port waves lose digits (the common mode of a partial report, whose C
// vanishes, has gamma near 0), so below 1 the solutions are the even and the odd one about the
// middle of the line, times exp(-gamma l / 2): u = cosh(gamma (x - l/2)), i = -gamma sinh(gamma
// (x - l/2)), and u = -sinh(gamma (x - l/2)) / gamma, i = cosh(gamma (x - l/2)). Both are
// entire in gamma^2; (1 - exp(-gamma l)) / gamma is formed without dividing by a vanishing gamma.
std::array<ModeEnds, 2> modeSolutions(Complex gamma, double length)
{
    const Complex decay = exp(-gamma * length);
    if (abs(gamma) * length >= 1.0) {
        const Complex u = 1.0 / gamma;
        return {ModeEnds{u, Complex(1.0, 0.0), decay * u, decay}, ModeEnds{decay * u, -decay, u, Complex(-1.0, 0.0)}};
    }
    const Complex gammaLength = gamma * length;
    // (1 - exp(-gamma l)) / (2 gamma) and (1 + exp(-gamma l)) / 2.
    const Complex odd = abs(gammaLength) == 0.0 ? Complex(0.5 * length, 0.0) : -expm1(-gammaLength) / gamma * 0.5;
    const Complex even = (1.0 + decay) * 0.5;
    const Complex oddCurrent = gamma * gamma * odd;
    return {ModeEnds{even, oddCurrent, even, -oddCurrent}, ModeEnds{odd, even, -odd, even}};
}

}  // namespace

ComplexMatrix lineScattering(const FrequencyPoint& point, double lengthMetres, double z0)
{
    const int n = point.r.rows();
    const double omega = TwoPi * point.frequency;
    const ComplexMatrix z = immittance(point.r, omega, point.l);
    const EigenDecomposition modes = eigenDecompose(product(immittance(point.g, omega, point.c), z));
    const ComplexMatrix& t = modes.vectors;
    const ComplexMatrix zt = product(z, t);

    // Column k and k + n of K (incident waves V + z0 I at the near ends, V - z0 I at the far
    // ends) and of N (the reflected waves, the other signs) hold mode k's two solutions.
    ComplexMatrix kTransposed = matrix(2 * n, 2 * n), nTransposed = matrix(2 * n, 2 * n);
    for (int k = 0; k < n; ++k) {
        const Complex gamma = pow(modes.values[static_cast<std::size_t>(k)], 0.5);  // Re gamma >= 0
        const std::array<ModeEnds, 2> solutions = modeSolutions(gamma, lengthMetres);
        for (int s = 0; s < 2; ++s) {
            const ModeEnds& e = solutions[static_cast<std::size_t>(s)];
            const int column = k + s * n;
            for (int i = 0; i < n; ++i) {
                kTransposed[column][i] = zt[i][k] * e.nearU + z0 * t[i][k] * e.nearI;
                nTransposed[column][i] = zt[i][k] * e.nearU - z0 * t[i][k] * e.nearI;
                kTransposed[column][i + n] = zt[i][k] * e.farU - z0 * t[i][k] * e.farI;
                nTransposed[column][i + n] = zt[i][k] * e.farU + z0 * t[i][k] * e.farI;
            }
        }
    }
    // S = N K^-1, found as the solution of K^T S^T = N^T.
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
    OutputFile file(path, path, Writing::Whole);
    const int n = static_cast<int>(result.ports.size());
    file.print("! S-parameters of a uniform line %.9g m long, from the deck %s\n", lengthMetres,
               printableDeckName(deckPath).c_str());
    for (int end = 0; end < 2; ++end)
        for (int k = 0; k < n; ++k)
            file.print("! port %d: %s, %s end\n", end * n + k + 1,
                       portDescription(result.ports[static_cast<std::size_t>(k)]).c_str(), end == 0 ? "near" : "far");
    if (!result.lcCheckNote.empty()) file.print("! %s\n", result.lcCheckNote.c_str());
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
                file.print(" %.17g %.17g", withoutNegativeZero(value.re), withoutNegativeZero(value.im));
            }
            if (ports > 2) file.print("\n");
        }
        if (ports == 2) file.print("\n");
    }
    file.close();
}

}  // namespace xsrl
