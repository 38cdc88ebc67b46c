#include "electrostatics/capacitance.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>

#include "geometry/ribbon_index.h"
#include "numerics/constants.h"
#include "numerics/hierarchical_solve.h"
#include "numerics/lu_solve.h"
#include "support/errors.h"
#include "xsrl/error.h"

namespace xsrl {

namespace {

Point middleOf(const Panel& p) { return {0.5 * (p.a.x + p.b.x), 0.5 * (p.a.y + p.b.y)}; }

double lengthOf(const Panel& p) { return std::hypot(p.b.x - p.a.x, p.b.y - p.a.y); }

// The unit normal, on the right of a -> b.
Point normalOf(const Panel& p)
{
    const double length = lengthOf(p);
    return {(p.b.y - p.a.y) / length, -(p.b.x - p.a.x) / length};
}

// The panel system for the unknowns Q_j = (charge of panel j) / (2 pi eps0) and the constant.
// A conductor row: the potential at the panel's middle, -sum_j Q_j (integral of ln r over j) / L_j,
// minus the constant. An interface row, from the jump of the normal field across a charged
// panel, times L_i / (er+ + er-): pi Q_i + (er+ - er-) / (er+ + er-) L_i sum_j E_n(j) Q_j / L_j.
// The last row sums the free charges (er of the touching medium times a conductor panel's
// charge): zero in all, the reference at infinity, so every column of C sums to zero.
// The kernel is real: only the contrasts of the interface rows and the er of the last row are
// complex, and only where a medium is lossy.
struct PanelSystem {
    const std::vector<Panel>& panels;
    std::vector<Point> middles;
    std::vector<Point> normals;
    std::vector<double> lengths;
    std::vector<Complex> contrasts;  // (er+ - er-) / (er+ + er-) of an interface row
    bool lossy = false;
};

PanelSystem panelSystemOf(const std::vector<Panel>& panels)
{
    PanelSystem system{panels, {}, {}, {}, {}, false};
    for (const Panel& p : panels) {
        system.middles.push_back(middleOf(p));
        system.normals.push_back(normalOf(p));
        system.lengths.push_back(lengthOf(p));
        const bool interface = p.conductor < 0;
        system.contrasts.push_back(interface ? (p.erOutside - p.erInside) / (p.erOutside + p.erInside)
                                             : Complex(0.0, 0.0));
        if (imag(p.erOutside) != 0.0 || (interface && imag(p.erInside) != 0.0)) system.lossy = true;
    }
    return system;
}

// Row i, column j of the system without its last row and column.
Complex panelEntry(const PanelSystem& system, int i, int j)
{
    const std::size_t row = static_cast<std::size_t>(i);
    const Panel& column = system.panels[static_cast<std::size_t>(j)];
    const double columnLength = system.lengths[static_cast<std::size_t>(j)];
    if (system.panels[row].conductor >= 0)
        return Complex(-logIntegral(column.a, column.b, system.middles[row]) / columnLength, 0.0);
    // The panel's own field at its middle: only the jump, never the +-pi that rounding puts on
    // either side of a slanted panel.
    if (i == j) return Complex(Pi, 0.0);
    const Point field = logIntegralGradient(column.a, column.b, system.middles[row]);
    const Point normal = system.normals[row];
    return system.contrasts[row] * ((field.x * normal.x + field.y * normal.y) * system.lengths[row] / columnLength);
}

Complex asComplex(Complex z) { return z; }
Complex asComplex(double x) { return Complex(x, 0.0); }

template <class Scalar>
Scalar scalarOf(Complex z);
template <>
Complex scalarOf<Complex>(Complex z)
{
    return z;
}
template <>
double scalarOf<double>(Complex z)
{
    return real(z);
}

// The potentials of the conductor rows: column k with conductor k at 1 V.
template <class Scalar>
Matrix<Scalar> conductorPotentials(const std::vector<Panel>& panels, int rows, int conductorCount)
{
    Matrix<Scalar> potentials(rows, conductorCount);
    for (std::size_t i = 0; i < panels.size(); ++i)
        if (panels[i].conductor >= 0)
            potentials[static_cast<int>(i)][panels[i].conductor] = scalarOf<Scalar>({1.0, 0.0});
    return potentials;
}

// The charges Q of every panel (rows) for every conductor at 1 V (columns): the whole system
// filled and factored by LAPACK. The fill grows as n^2, the factoring as n^3.
template <class Scalar>
Matrix<Scalar> chargesByDenseLu(const PanelSystem& system, int conductorCount, const std::function<void(double)>& tell)
{
    const int n = static_cast<int>(system.panels.size());
    const double fillShare = 1.0 / (1.0 + n / 4000.0);
    Matrix<Scalar> a(n + 1, n + 1);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) a[i][j] = scalarOf<Scalar>(panelEntry(system, i, j));
        const Panel& row = system.panels[static_cast<std::size_t>(i)];
        if (row.conductor >= 0) {
            a[i][n] = scalarOf<Scalar>({-1.0, 0.0});
            a[n][i] = scalarOf<Scalar>(row.erOutside);
        }
        tell(fillShare * (i + 1) / n);
    }
    Matrix<Scalar> solution =
        solveByLu(std::move(a), conductorPotentials<Scalar>(system.panels, n + 1, conductorCount));
    tell(1.0);
    Matrix<Scalar> charges(n, conductorCount);
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < conductorCount; ++k) charges[i][k] = solution[i][k];
    return charges;
}

// The same charges through the hierarchical LU of the panel block A alone; the constant's
// column b and the charge sum row s^T are brought back by the Schur complement: with
// A X = potentials and A y = b, Q = X - y (s^T X) / (s^T y). The conductor rows are measured
// in lengths of twice the structure's bounding box: the shift ln(scale) of those rows, which
// the constant absorbs, keeps A itself far from singular (the log kernel is singular where an
// outline's logarithmic capacity is one length unit).
template <class Scalar>
Matrix<Scalar> chargesByHierarchicalLu(const PanelSystem& system, int conductorCount,
                                       const std::function<void(double)>& tell)
{
    const std::vector<Panel>& panels = system.panels;
    const int n = static_cast<int>(panels.size());
    HierarchicalSystem hierarchical;
    hierarchical.tolerance = PanelCompressionTolerance;
    double low = system.middles[0].x, high = low, bottom = system.middles[0].y, top = bottom;
    for (const Panel& p : panels)
        for (Point q : {p.a, p.b}) {
            low = std::min(low, q.x), high = std::max(high, q.x);
            bottom = std::min(bottom, q.y), top = std::max(top, q.y);
        }
    const double logScale = std::log(2.0 * std::hypot(high - low, top - bottom));
    for (const Point& middle : system.middles) {
        hierarchical.coordinates.push_back(middle.x);
        hierarchical.coordinates.push_back(middle.y);
    }
    const auto entry = [&](int i, int j) {
        const Complex value = panelEntry(system, i, j);
        const bool conductorRow = panels[static_cast<std::size_t>(i)].conductor >= 0;
        return scalarOf<Scalar>(conductorRow ? value + logScale : value);
    };
    Matrix<Scalar> rightSides = conductorPotentials<Scalar>(panels, n, conductorCount + 1);
    for (int i = 0; i < n; ++i)
        if (panels[static_cast<std::size_t>(i)].conductor >= 0)
            rightSides[i][conductorCount] = scalarOf<Scalar>({-1.0, 0.0});
    const Matrix<Scalar> x = solveHierarchical(hierarchical, std::function<Scalar(int, int)>(entry), rightSides, tell);

    const auto chargeSum = [&](int k) {
        Scalar sum = scalarOf<Scalar>({0.0, 0.0});
        for (int i = 0; i < n; ++i)
            if (panels[static_cast<std::size_t>(i)].conductor >= 0)
                sum = sum + scalarOf<Scalar>(panels[static_cast<std::size_t>(i)].erOutside) * x[i][k];
        return sum;
    };
    const Scalar constantSum = chargeSum(conductorCount);
    Matrix<Scalar> charges(n, conductorCount);
    for (int k = 0; k < conductorCount; ++k) {
        const Scalar constant = chargeSum(k) / constantSum;
        for (int i = 0; i < n; ++i) charges[i][k] = x[i][k] - x[i][conductorCount] * constant;
    }
    return charges;
}

template <class Scalar>
ComplexMatrix capacitanceFromCharges(const std::vector<Panel>& panels, const Matrix<Scalar>& charges)
{
    const int conductorCount = charges.cols();
    ComplexMatrix c = matrix(conductorCount, conductorCount);
    for (std::size_t j = 0; j < panels.size(); ++j) {
        const Panel& panel = panels[j];
        const int m = panel.conductor;
        if (m < 0) continue;
        for (int k = 0; k < conductorCount; ++k)
            c[m][k] = c[m][k] + panel.erOutside * asComplex(charges[static_cast<int>(j)][k]) * (2.0 * Pi * Epsilon0);
    }
    return c;
}

template <class Scalar>
ComplexMatrix solveForCapacitance(const PanelSystem& system, int conductorCount, PanelSolver solver,
                                  const std::function<void(double)>& tell)
{
    const bool dense =
        solver == PanelSolver::Dense || (solver == PanelSolver::BySize && system.panels.size() <= DensePanelSolveUpTo);
    return capacitanceFromCharges(system.panels, dense ? chargesByDenseLu<Scalar>(system, conductorCount, tell)
                                                       : chargesByHierarchicalLu<Scalar>(system, conductorCount, tell));
}

}  // namespace

ComplexMatrix maxwellCapacitance(const std::vector<Panel>& panels, int conductorCount,
                                 const std::function<void(double)>& progress, PanelSolver solver)
{
    const auto tell = [&](double share) {
        if (progress) progress(share);
    };
    const PanelSystem system = panelSystemOf(panels);
    ComplexMatrix c = system.lossy ? solveForCapacitance<Complex>(system, conductorCount, solver, tell)
                                   : solveForCapacitance<double>(system, conductorCount, solver, tell);
    for (int m = 0; m < conductorCount; ++m)
        for (int k = 0; k < conductorCount; ++k)
            if (!std::isfinite(c[m][k].re) || !std::isfinite(c[m][k].im))
                throw numericError("the capacitance panel system is singular");
    // Collocation at the panel middles is not a symmetric formulation: C[m][k] and C[k][m]
    // differ by the discretization error (1e-5 to 1e-3 of a mutual entry). The symmetric part
    // is as accurate and makes the line models reciprocal. Its columns still sum to zero:
    // so do the rows (with every conductor at 1 V no panel is charged).
    for (int m = 0; m < conductorCount; ++m)
        for (int k = m + 1; k < conductorCount; ++k) c[m][k] = c[k][m] = (c[m][k] + c[k][m]) * 0.5;
    return c;
}

std::vector<Panel> vacuumPanels(const std::vector<Panel>& panels)
{
    std::vector<Panel> vacuum;
    for (Panel panel : panels) {
        if (panel.conductor < 0) continue;
        panel.erOutside = Complex(1.0, 0.0);
        vacuum.push_back(panel);
    }
    return vacuum;
}

ComplexMatrix reportedCapacitance(const RunSettings& settings, const std::vector<Conductor>& conductors,
                                  const ComplexMatrix& maxwell)
{
    const int count = maxwell.rows();
    if (settings.partial || count == 1) return maxwell;
    std::vector<int> signals;
    for (std::size_t k = 0; k < conductors.size(); ++k)
        if (isSignalConductor(conductors[k])) signals.push_back(static_cast<int>(k));
    const int n = static_cast<int>(signals.size());
    ComplexMatrix block = matrix(n, n);
    for (std::size_t p = 0; p < signals.size(); ++p)
        for (std::size_t q = 0; q < signals.size(); ++q)
            block[static_cast<int>(p)][q] = maxwell[signals[p]][signals[q]];
    return block;
}

double panelSolveBytes(double panelCount, int conductorCount)
{
    // Bounded as if complex: the memory checks come before the media are looked at.
    const double complexBytes = 16.0;
    if (panelCount > static_cast<double>(DensePanelSolveUpTo))
        return hierarchicalSolveBytes(panelCount, conductorCount + 1, complexBytes);
    const double unknowns = panelCount + 1.0;
    return complexBytes * unknowns * (unknowns + 3.0 * conductorCount);
}

void checkPanelMemoryFits(std::size_t panelCount, int conductorCount, double availableBytes)
{
    const double needed = panelSolveBytes(static_cast<double>(panelCount), conductorCount);
    if (needed <= availableBytes) return;
    char text[200];
    std::snprintf(text, sizeof text,
                  "the capacitance solve on %zu panels needs %.3g bytes of memory; %.3g bytes are available",
                  panelCount, needed, availableBytes);
    throw MemoryError(text);
}

}  // namespace xsrl
