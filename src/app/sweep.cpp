#include "app/sweep.h"

#include <cmath>
#include <utility>

#include "numerics/lu_solve.h"
#include "numerics/parallel.h"
#include "reduction/loop_reduction.h"

namespace xsrl {

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

ComplexMatrix conductorImpedance(const RunSettings& settings, const PreparedStructure& prepared, double omega)
{
    ComplexMatrix g = settings.solver == Solver::Lu
                          ? conductorAdmittanceByFactoring(prepared, ribbonImpedance(prepared, omega, settings.threads))
                          : conductorAdmittance(prepared, invertMatrix(ribbonImpedance(prepared, omega, settings.threads), settings.threads));
    if (settings.partial != 0 || prepared.conductorCount == 1) return invertMatrix(std::move(g), settings.threads);

    const int signalCount = prepared.signalCount;
    std::vector<int> isSignal = prepared.isSignal; // the reduction's own copy: it moves the flags
    moveSignalsToFront(isSignal, g);
    ComplexMatrix reduced = loopReduce(isSignal, signalCount, g);
    ComplexMatrix loop = matrix(signalCount, signalCount);
    for (int p = 0; p < signalCount; ++p)
        for (int q = 0; q < signalCount; ++q) loop[p][q] = reduced[p][q];
    return loop;
}

std::vector<Port> reportedPorts(const RunSettings& settings, const PreparedStructure& prepared)
{
    const bool everyConductor = settings.partial != 0 || prepared.conductorCount == 1;
    std::vector<Port> ports;
    for (std::size_t k = 0; k < prepared.isSignal.size(); ++k)
        if (everyConductor || prepared.isSignal[k]) ports.push_back(Port{static_cast<int>(k) + 1, prepared.isSignal[k] != 0});
    return ports;
}

namespace {

// The point at omega: R = Re z and L = Im z / omega; C = Re c and G = -omega Im c when c is
// given; all per metre.
FrequencyPoint sweepPoint(const ComplexMatrix& z, const ComplexMatrix& c, double omega)
{
    FrequencyPoint point{omega / 2.0 / 3.141592653589793, dmatrix(z.rows(), z.rows()), dmatrix(z.rows(), z.rows()),
                         dmatrix(c.rows(), c.rows()), dmatrix(c.rows(), c.rows())};
    for (int p = 0; p < z.rows(); ++p) {
        for (int q = 0; q < z.rows(); ++q) {
            point.r[p][q] = real(z[p][q]);
            point.l[p][q] = imag(z[p][q]) / omega;
        }
    }
    for (int p = 0; p < c.rows(); ++p) {
        for (int q = 0; q < c.rows(); ++q) {
            point.c[p][q] = real(c[p][q]);
            point.g[p][q] = -omega * imag(c[p][q]);
        }
    }
    return point;
}

// One frequency block: "<title> n x n matrix <pair names> at f=... Hz", then the pairs
// (first, second) times `scale`, row by row; true when every value written is finite.
bool writeMatrixBlock(OutputFile& report, const char* title, const char* names, double frequency,
                      const RealMatrix& first, const RealMatrix& second, double scale)
{
    const long size = first.rows();
    bool finite = true;
    report.print("\n%s %ld x %ld matrix %s at f=%10.4le Hz\n", title, size, size, names, frequency);
    for (int p = 0; p < size; ++p) {
        for (int q = 0; q < size; ++q) {
            const double a = first[p][q] * scale;
            const double b = second[p][q] * scale;
            finite = finite && std::isfinite(a) && std::isfinite(b);
            report.print("(%11.4le,%11.4le)  ", a, b);
        }
        report.print("\n");
    }
    report.flush();
    return finite;
}

} // namespace

SweepResult runSweep(const RunSettings& settings, const PreparedStructure& prepared, const ComplexMatrix& capacitance,
                     const std::function<void(const FrequencyPoint&)>& pointDone)
{
    SweepResult result;
    result.ports = reportedPorts(settings, prepared);
    // A one-point sweep reports fmin alone.
    const int last = settings.npoints == 1 ? 0 : settings.npoints;
    for (int k = 0; k <= last; ++k) {
        const double omega = sweepOmega(settings, k);
        result.points.push_back(sweepPoint(conductorImpedance(settings, prepared, omega), capacitance, omega));
        pointDone(result.points.back());
    }
    return result;
}

bool writeImpedanceBlock(OutputFile& report, const FrequencyPoint& point, double scale)
{
    return writeMatrixBlock(report, "Impedance", "(R,L)", point.frequency, point.r, point.l, scale);
}

bool writeCapacitanceBlock(OutputFile& report, const FrequencyPoint& point, double scale)
{
    return writeMatrixBlock(report, "Capacitance", "(C,G)", point.frequency, point.c, point.g, scale);
}

}  // namespace xsrl
