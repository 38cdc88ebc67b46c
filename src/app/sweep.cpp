#include "app/sweep.h"

#include <cmath>
#include <utility>

#include "geometry/plates.h"
#include "numerics/lu_solve.h"
#include "numerics/parallel.h"
#include "reduction/loop_reduction.h"

double sweepOmega(const RunSettings& settings, int k)
{
    const int n = settings.npoints;
    if (k < n) {
        const double start = 6.283185307179586 * settings.fmin;
        return std::exp(std::log(settings.fmax / settings.fmin) * k / n) * start;
    }
    return 6.283185307179586 * settings.fmax;
}

namespace {

ComplexMatrix ribbonImpedance(const PreparedStructure& prepared, double omega, int threads)
{
    const int n = static_cast<int>(prepared.ribbonCount);
    const RealMatrix& inductance = prepared.partialInductance;
    ComplexMatrix z = matrix(n, n);
    // Row i writes the upper row i and its mirror column; no two rows write the same entry.
    runInParallel(threads, n, [&](int, int i) {
        for (int j = i; j < n; ++j) {
            z[i][j] = Complex(0.0, omega * inductance[i][j]);
            z[j][i] = z[i][j];
        }
        z[i][i] = z[i][i] + prepared.ribbons[i]->internalImpedance(omega);
    });
    return z;
}

// Sums the ribbon admittances over the ribbons of every pair of conductors.
ComplexMatrix conductorAdmittance(const PreparedStructure& prepared, const ComplexMatrix& y)
{
    const int m = static_cast<int>(prepared.conductorCount);
    const std::vector<long>& index = prepared.ribbonIndex;
    ComplexMatrix g = matrix(m, m);
    for (int p = 0; p < m; ++p) {
        for (int q = 0; q < m; ++q) {
            Complex sum(0.0, 0.0);
            for (long i = index[p + 1]; i < index[p + 2]; ++i)
                for (long j = index[q + 1]; j < index[q + 2]; ++j) sum = sum + y[i][j];
            g[p][q] = sum;
        }
    }
    return g;
}

// The same sums without forming the inverse: X = Z^-1 E for the ribbon-to-conductor
// incidence E (n x m), then the rows of X summed over each conductor's ribbons, E^T X.
ComplexMatrix conductorAdmittanceByFactoring(const PreparedStructure& prepared, ComplexMatrix z)
{
    const int n = static_cast<int>(prepared.ribbonCount);
    const int m = static_cast<int>(prepared.conductorCount);
    const std::vector<long>& index = prepared.ribbonIndex;
    ComplexMatrix incidence = matrix(n, m);
    for (int p = 0; p < m; ++p)
        for (long i = index[p + 1]; i < index[p + 2]; ++i) incidence[i][p] = Complex(1.0, 0.0);
    const ComplexMatrix x = solveByLu(std::move(z), incidence);
    ComplexMatrix g = matrix(m, m);
    for (int p = 0; p < m; ++p)
        for (long i = index[p + 1]; i < index[p + 2]; ++i)
            for (int q = 0; q < m; ++q) g[p][q] = g[p][q] + x[i][q];
    return g;
}

} // namespace

ComplexMatrix conductorImpedance(const RunSettings& settings, Conductor* head, const PreparedStructure& prepared,
                                 double omega)
{
    ComplexMatrix g = settings.solver == Solver::Lu
                          ? conductorAdmittanceByFactoring(prepared, ribbonImpedance(prepared, omega, settings.threads))
                          : conductorAdmittance(prepared, invertMatrix(ribbonImpedance(prepared, omega, settings.threads), settings.threads));
    if (settings.partial != 0 || prepared.conductorCount == 1) return invertMatrix(std::move(g), settings.threads);

    const int signalCount = classifyConductors(head).signal;
    moveSignalsToFront(head, g);
    ComplexMatrix reduced = loopReduce(head, signalCount, g);
    ComplexMatrix loop = matrix(signalCount, signalCount);
    for (int p = 0; p < signalCount; ++p)
        for (int q = 0; q < signalCount; ++q) loop[p][q] = reduced[p][q];
    return loop;
}

namespace {

// One frequency block: "<title> n x n matrix <pair names> at f=... Hz", then the pairs that
// `pair` makes of the entries, row by row; true when every value written is finite.
template <class Pair>
bool writeMatrixBlock(OutputFile& report, const char* title, const char* names, const ComplexMatrix& m, double omega,
                      Pair pair)
{
    const long size = m.rows();
    bool finite = true;
    report.print("\n%s %ld x %ld matrix %s at f=%10.4le Hz\n", title, size, size, names,
                 omega / 2.0 / 3.141592653589793);
    for (int p = 0; p < size; ++p) {
        for (int q = 0; q < size; ++q) {
            const auto [first, second] = pair(m[p][q]);
            finite = finite && std::isfinite(first) && std::isfinite(second);
            report.print("(%11.4le,%11.4le)  ", first, second);
        }
        report.print("\n");
    }
    report.flush();
    return finite;
}

} // namespace

bool writeImpedanceBlock(OutputFile& report, const ComplexMatrix& z, double omega, double scale)
{
    return writeMatrixBlock(report, "Impedance", "(R,L)", z, omega, [&](Complex entry) {
        return std::pair<double, double>(real(entry) * scale, imag(entry) / omega * scale);
    });
}

bool writeCapacitanceBlock(OutputFile& report, const ComplexMatrix& c, double omega, double scale)
{
    return writeMatrixBlock(report, "Capacitance", "(C,G)", c, omega, [&](Complex entry) {
        return std::pair<double, double>(real(entry) * scale, -omega * imag(entry) * scale);
    });
}

SweepOutcome runSweep(const RunSettings& settings, Conductor* head, const PreparedStructure& prepared,
                      OutputFile& report, const ComplexMatrix& capacitance, OutputFile* capacitanceReport)
{
    SweepOutcome outcome;
    for (int k = 0; k <= settings.npoints; ++k) {
        // A one-point sweep reports fmin alone and ends the run with status 1.
        if (k == 1 && settings.npoints == 1) {
            outcome.status = 1;
            break;
        }
        const double omega = sweepOmega(settings, k);
        const bool finite =
            writeImpedanceBlock(report, conductorImpedance(settings, head, prepared, omega), omega, settings.scale);
        if (!finite && outcome.firstNonFiniteOmega == 0.0) outcome.firstNonFiniteOmega = omega;
        if (capacitanceReport) writeCapacitanceBlock(*capacitanceReport, capacitance, omega, settings.scale);
    }
    return outcome;
}
