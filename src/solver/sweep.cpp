#include "solver/sweep.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "kernels/internal_impedance.h"
#include "kernels/wire_impedance.h"
#include "numerics/constants.h"
#include "numerics/lu_solve.h"
#include "numerics/parallel.h"
#include "reduction/loop_reduction.h"
#include "solver/lc_check.h"
#include "solver/physical_checks.h"

namespace xsrl {

double sweepOmega(const RunSettings& settings, int k)
{
    const int n = settings.npoints;
    if (k < n) {
        const double start = TwoPi * settings.fmin;
        return std::exp(std::log(settings.fmax / settings.fmin) * k / n) * start;
    }
    return TwoPi * settings.fmax;
}

namespace {

// A wire of the accurate mode: its internal impedance is a matrix over its chords, which
// couples them (the proximity effect on the wire's surface impedance).
void addWireChordImpedances(const PreparedStructure& prepared, double omega, ComplexMatrix& z)
{
    const Ribbons& ribbons = prepared.ribbons;
    for (int k = 0; k < ribbons.conductorCount(); ++k) {
        const long first = ribbons.firstOf(k);
        const int n = static_cast<int>(ribbons.endOf(k) - first);
        if (n == 0 || ribbons.list[static_cast<std::size_t>(first)].kind != RibbonKind::AccurateChord) continue;
        const Conductor& wire = prepared.conductors[static_cast<std::size_t>(k)];
        const std::vector<Complex> entries = wireChordImpedances(omega, wire.rad, wire.sigma, n);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) {
                Complex& entry = z[static_cast<int>(first) + i][first + j];
                entry = entry + entries[static_cast<std::size_t>((i - j + n) % n)];
            }
    }
}

ComplexMatrix ribbonImpedance(const PreparedStructure& prepared, double omega, int threads)
{
    const std::vector<Ribbon>& ribbons = prepared.ribbons.list;
    const int n = static_cast<int>(ribbons.size());
    const RealMatrix& inductance = prepared.partialInductance;
    ComplexMatrix z = matrix(n, n);
    // Row i writes the upper row i and its mirror column; no two rows write the same entry.
    runInParallel(threads, n, [&](int, int i) {
        for (int j = i; j < n; ++j) {
            z[i][j] = Complex(0.0, omega * inductance[i][j]);
            z[j][i] = z[i][j];
        }
        const Ribbon& ribbon = ribbons[static_cast<std::size_t>(i)];
        z[i][i] =
            z[i][i] + internalImpedance(ribbon, prepared.conductors[static_cast<std::size_t>(ribbon.conductor)], omega);
    });
    if (prepared.settings.accuracy == Accuracy::High) addWireChordImpedances(prepared, omega, z);
    return z;
}

// Sums the ribbon admittances over the ribbons of every pair of conductors.
ComplexMatrix conductorAdmittance(const Ribbons& ribbons, const ComplexMatrix& y)
{
    const int m = ribbons.conductorCount();
    ComplexMatrix g = matrix(m, m);
    for (int p = 0; p < m; ++p) {
        for (int q = 0; q < m; ++q) {
            Complex sum(0.0, 0.0);
            for (long i = ribbons.firstOf(p); i < ribbons.endOf(p); ++i)
                for (long j = ribbons.firstOf(q); j < ribbons.endOf(q); ++j) sum = sum + y[static_cast<int>(i)][j];
            g[p][q] = sum;
        }
    }
    return g;
}

// The same sums without forming the inverse: X = Z^-1 E for the ribbon-to-conductor
// incidence E (n x m), then the rows of X summed over each conductor's ribbons, E^T X.
ComplexMatrix conductorAdmittanceByFactoring(const Ribbons& ribbons, ComplexMatrix z, int* singularCount)
{
    const int n = static_cast<int>(ribbons.count());
    const int m = ribbons.conductorCount();
    ComplexMatrix incidence = matrix(n, m);
    for (int p = 0; p < m; ++p)
        for (long i = ribbons.firstOf(p); i < ribbons.endOf(p); ++i)
            incidence[static_cast<int>(i)][p] = Complex(1.0, 0.0);
    const ComplexMatrix x = solveByLu(std::move(z), incidence, singularCount);
    ComplexMatrix g = matrix(m, m);
    for (int p = 0; p < m; ++p)
        for (long i = ribbons.firstOf(p); i < ribbons.endOf(p); ++i)
            for (int q = 0; q < m; ++q) g[p][q] = g[p][q] + x[static_cast<int>(i)][q];
    return g;
}

}  // namespace

ComplexMatrix conductorImpedance(const PreparedStructure& prepared, double omega, int threads, int* singularCount)
{
    const RunSettings& settings = prepared.settings;
    ComplexMatrix z = ribbonImpedance(prepared, omega, threads);
    ComplexMatrix g = settings.solver == Solver::Lu
                          ? conductorAdmittanceByFactoring(prepared.ribbons, std::move(z), singularCount)
                          : conductorAdmittance(prepared.ribbons, invertMatrix(std::move(z), threads,
                                                                               InnerLoops::Fastest, singularCount));
    const int conductorCount = prepared.ribbons.conductorCount();
    if (settings.partial || conductorCount == 1)
        return invertMatrix(std::move(g), threads, InnerLoops::Fastest, singularCount);

    // The reduction's own flags: it moves them with the signal conductors.
    std::vector<int> isSignal(prepared.isSignal.begin(), prepared.isSignal.end());
    const int signalCount = static_cast<int>(std::count(isSignal.begin(), isSignal.end(), 1));
    moveSignalsToFront(isSignal, g);
    ComplexMatrix reduced = loopReduce(isSignal, signalCount, g, singularCount);
    ComplexMatrix loop = matrix(signalCount, signalCount);
    for (int p = 0; p < signalCount; ++p)
        for (int q = 0; q < signalCount; ++q) loop[p][q] = reduced[p][q];
    return loop;
}

std::vector<Port> reportedPorts(const PreparedStructure& prepared)
{
    const bool everyConductor = prepared.settings.partial || prepared.conductors.size() == 1;
    std::vector<Port> ports;
    for (std::size_t k = 0; k < prepared.isSignal.size(); ++k)
        if (everyConductor || prepared.isSignal[k])
            ports.push_back(Port{static_cast<int>(k) + 1, prepared.isSignal[k]});
    return ports;
}

namespace {

// The point at omega: R = Re z and L = Im z / omega; C = Re c and G = -omega Im c when c is
// given; all per metre.
FrequencyPoint sweepPoint(const ComplexMatrix& z, const ComplexMatrix& c, double omega)
{
    FrequencyPoint point{omega / 2.0 / Pi, dmatrix(z.rows(), z.rows()), dmatrix(z.rows(), z.rows()),
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

}  // namespace

SweepResult runSweep(const PreparedStructure& prepared, int threads,
                     const std::function<void(const FrequencyPoint&)>& pointDone)
{
    const RunSettings& settings = prepared.settings;
    SweepResult result;
    result.ports = reportedPorts(prepared);
    // A one-point sweep reports fmin alone.
    const int last = settings.npoints == 1 ? 0 : settings.npoints;
    for (int k = 0; k <= last; ++k) {
        const double omega = sweepOmega(settings, k);
        int singularCount = 0;
        const ComplexMatrix z = conductorImpedance(prepared, omega, threads, &singularCount);
        result.points.push_back(sweepPoint(z, prepared.capacitance, omega));
        result.points.back().singularInversions = singularCount;
        result.points.back().unphysical = unphysicalFinding(prepared, result.points.back(), omega);
        if (pointDone) pointDone(result.points.back());
    }
    if (prepared.vacuumCapacitance.rows() > 0) {
        const bool partial = settings.partial || prepared.conductors.size() == 1;
        result.lcCheck = lcCheck(result.points.back(), prepared.vacuumCapacitance, partial);
        if (!std::isnan(result.lcCheck))
            result.lcCheckNote = lcCheckNote(result.lcCheck, result.points.back().frequency, partial);
    }
    return result;
}

}  // namespace xsrl
