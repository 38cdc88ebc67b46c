#include "electrostatics/capacitance.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
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

// The potential at the middle of panel i of a conductor row, per unit Q_j.
double conductorRowEntry(const PanelSystem& system, int i, int j)
{
    const Panel& column = system.panels[static_cast<std::size_t>(j)];
    return -logIntegral(column.a, column.b, system.middles[static_cast<std::size_t>(i)]) /
           system.lengths[static_cast<std::size_t>(j)];
}

// L_i E_n(j) / L_j of an interface row, i != j: its entry but for the contrast.
double interfaceRowField(const PanelSystem& system, int i, int j)
{
    const std::size_t row = static_cast<std::size_t>(i);
    const Panel& column = system.panels[static_cast<std::size_t>(j)];
    const Point field = logIntegralGradient(column.a, column.b, system.middles[row]);
    const Point normal = system.normals[row];
    return (field.x * normal.x + field.y * normal.y) * system.lengths[row] /
           system.lengths[static_cast<std::size_t>(j)];
}

// Row i, column j of the system without its last row and column.
Complex panelEntry(const PanelSystem& system, int i, int j)
{
    if (system.panels[static_cast<std::size_t>(i)].conductor >= 0) return Complex(conductorRowEntry(system, i, j), 0.0);
    // The panel's own field at its middle: only the jump, never the +-pi that rounding puts on
    // either side of a slanted panel.
    if (i == j) return Complex(Pi, 0.0);
    return system.contrasts[static_cast<std::size_t>(i)] * interfaceRowField(system, i, j);
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

// The panel block as the hierarchical solve takes it. The conductor rows are measured in
// lengths of twice the structure's bounding box: the shift ln(scale) of those rows, which the
// constant absorbs, keeps the block itself far from singular (the log kernel is singular where
// an outline's logarithmic capacity is one length unit). The interface rows are divided by
// their contrast, which leaves every entry real but the diagonal pi / contrast of a lossy
// interface: the block is M + j D, M real and D diagonal.
struct ScaledBlock {
    const PanelSystem& system;
    double logScale = 0.0;
    HierarchicalSystem hierarchical;
    std::vector<double> lossDiagonal;  // D
};

ScaledBlock scaledBlockOf(const PanelSystem& system)
{
    ScaledBlock block{system, 0.0, {}, {}};
    const std::vector<Panel>& panels = system.panels;
    double low = panels[0].a.x, high = low, bottom = panels[0].a.y, top = bottom;
    for (const Panel& p : panels)
        for (Point q : {p.a, p.b}) {
            low = std::min(low, q.x), high = std::max(high, q.x);
            bottom = std::min(bottom, q.y), top = std::max(top, q.y);
        }
    block.logScale = std::log(2.0 * std::hypot(high - low, top - bottom));
    block.hierarchical.tolerance = PanelCompressionTolerance;
    block.hierarchical.residualTolerance = PanelResidualTolerance;
    for (std::size_t i = 0; i < panels.size(); ++i) {
        block.hierarchical.coordinates.push_back(system.middles[i].x);
        block.hierarchical.coordinates.push_back(system.middles[i].y);
        block.lossDiagonal.push_back(panels[i].conductor >= 0 ? 0.0 : imag(Pi / system.contrasts[i]));
    }
    return block;
}

Complex scaledEntry(const ScaledBlock& block, int i, int j)
{
    const PanelSystem& system = block.system;
    if (system.panels[static_cast<std::size_t>(i)].conductor >= 0)
        return Complex(conductorRowEntry(system, i, j) + block.logScale, 0.0);
    if (i == j) return Pi / system.contrasts[static_cast<std::size_t>(i)];
    return Complex(interfaceRowField(system, i, j), 0.0);
}

// M compressed and factored.
std::unique_ptr<HierarchicalLu<double>> realFactors(const ScaledBlock& block, const std::function<void(double)>& tell)
{
    return std::make_unique<HierarchicalLu<double>>(
        block.hierarchical, [&](int i, int j) { return real(scaledEntry(block, i, j)); }, tell);
}

// A lossy block solved through the real factors of M: X = X' + j X'' with M X' = B' + D X'' and
// M X'' = B'' - D X', by turns of solves by the factors. D is about tand times the diagonal of
// M, so a turn gains about two digits; where it is not (two media of about the same er, one
// lossy, make pi / contrast mostly imaginary) the turns stop shrinking: false. They settle where
// a turn changes X'' by LossTurnsSettle of X', about what the factors give; the refinement
// against the tight M takes the solution further.
constexpr int LossTurnsAtMost = 12;
constexpr double LossTurnsSettle = 1e-8;

bool solvedByLossTurns(const HierarchicalLu<double>& lu, const std::vector<double>& d, const ComplexMatrix& b,
                       ComplexMatrix& x)
{
    const int n = b.rows();
    const int m = b.cols();
    RealMatrix re(n, m), im(n, m);
    for (int i = 0; i < n; ++i)
        for (int q = 0; q < m; ++q) re[i][q] = b[i][q].re;
    re = lu.solveByFactors(re);
    double lastChange = HUGE_VAL;
    for (int turn = 0; turn < LossTurnsAtMost; ++turn) {
        RealMatrix rightSides(n, m);
        double size = 0.0;
        for (int i = 0; i < n; ++i)
            for (int q = 0; q < m; ++q) {
                rightSides[i][q] = b[i][q].im - d[static_cast<std::size_t>(i)] * re[i][q];
                size = std::max(size, std::fabs(re[i][q]));
            }
        const RealMatrix nextIm = lu.solveByFactors(rightSides);
        double change = 0.0;
        for (int i = 0; i < n; ++i)
            for (int q = 0; q < m; ++q) change = std::max(change, std::fabs(nextIm[i][q] - im[i][q]));
        im = nextIm;
        if (!(change < lastChange)) return false;
        lastChange = change;
        if (change <= LossTurnsSettle * size) {
            x = matrix(n, m);
            for (int i = 0; i < n; ++i)
                for (int q = 0; q < m; ++q) x[i][q] = Complex(re[i][q], im[i][q]);
            return true;
        }
        for (int i = 0; i < n; ++i)
            for (int q = 0; q < m; ++q) rightSides[i][q] = b[i][q].re + d[static_cast<std::size_t>(i)] * im[i][q];
        re = lu.solveByFactors(rightSides);
    }
    return false;
}

// (M + j D) X by the tight M.
ComplexMatrix lossyProduct(const HierarchicalLu<double>& lu, const std::vector<double>& d, const ComplexMatrix& x)
{
    const int n = x.rows();
    const int m = x.cols();
    RealMatrix re(n, m), im(n, m);
    for (int i = 0; i < n; ++i)
        for (int q = 0; q < m; ++q) re[i][q] = x[i][q].re, im[i][q] = x[i][q].im;
    const RealMatrix productOfRe = lu.times(re);
    const RealMatrix productOfIm = lu.times(im);
    ComplexMatrix product = matrix(n, m);
    for (int i = 0; i < n; ++i)
        for (int q = 0; q < m; ++q) {
            const double loss = d[static_cast<std::size_t>(i)];
            product[i][q] = Complex(productOfRe[i][q] - loss * im[i][q], productOfIm[i][q] + loss * re[i][q]);
        }
    return product;
}

ComplexMatrix lossySolution(const ScaledBlock& block, const RealMatrix& b, const std::function<void(double)>& tell,
                            PanelSolveFigures& figures)
{
    const int n = b.rows();
    const int m = b.cols();
    ComplexMatrix complexB = matrix(n, m);
    for (int i = 0; i < n; ++i)
        for (int q = 0; q < m; ++q) complexB[i][q] = Complex(b[i][q], 0.0);
    const std::vector<double>& d = block.lossDiagonal;
    {  // the real factors are given back before any complex ones are made
        const std::unique_ptr<HierarchicalLu<double>> factors = realFactors(block, tell);
        const HierarchicalLu<double>& lu = *factors;
        figures = lu.figures();
        // Turns that settle on B settle on its residuals but where those are rounding: there a
        // correction of zero ends the refinement.
        int solves = 0;
        bool turnsSettle = false;
        const ComplexMatrix x = refinedSolution(
            complexB,
            [&](const ComplexMatrix& r) {
                ComplexMatrix correction = matrix(n, m);
                const bool settled = solvedByLossTurns(lu, d, r, correction);
                if (solves++ == 0) turnsSettle = settled;
                return correction;
            },
            [&](const ComplexMatrix& y) { return lossyProduct(lu, d, y); });
        if (turnsSettle) return x;
    }
    const HierarchicalLu<Complex> lu(
        block.hierarchical, [&](int i, int j) { return scaledEntry(block, i, j); }, tell);
    figures = lu.figures();
    return lu.solve(complexB);
}

template <class Scalar>
Matrix<Scalar> blockSolution(const ScaledBlock& block, const RealMatrix& b, const std::function<void(double)>& tell,
                             PanelSolveFigures& figures);

template <>
RealMatrix blockSolution<double>(const ScaledBlock& block, const RealMatrix& b, const std::function<void(double)>& tell,
                                 PanelSolveFigures& figures)
{
    const std::unique_ptr<HierarchicalLu<double>> factors = realFactors(block, tell);
    figures = factors->figures();
    return factors->solve(b);
}

template <>
ComplexMatrix blockSolution<Complex>(const ScaledBlock& block, const RealMatrix& b,
                                     const std::function<void(double)>& tell, PanelSolveFigures& figures)
{
    return lossySolution(block, b, tell, figures);
}

// The same charges through the hierarchical LU of the panel block A alone (scaled as above);
// the constant's column b and the charge sum row s^T are brought back by the Schur complement:
// with A X = potentials and A y = b, Q = X - y (s^T X) / (s^T y).
template <class Scalar>
Matrix<Scalar> chargesByHierarchicalLu(const PanelSystem& system, int conductorCount,
                                       const std::function<void(double)>& tell, PanelSolveFigures& figures)
{
    const std::vector<Panel>& panels = system.panels;
    const int n = static_cast<int>(panels.size());
    RealMatrix rightSides = conductorPotentials<double>(panels, n, conductorCount + 1);
    for (int i = 0; i < n; ++i)
        if (panels[static_cast<std::size_t>(i)].conductor >= 0) rightSides[i][conductorCount] = -1.0;
    const Matrix<Scalar> x = blockSolution<Scalar>(scaledBlockOf(system), rightSides, tell, figures);

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
                                  const std::function<void(double)>& tell, PanelSolveFigures& figures)
{
    const bool dense =
        solver == PanelSolver::Dense || (solver == PanelSolver::BySize && system.panels.size() <= DensePanelSolveUpTo);
    figures = PanelSolveFigures{};
    return capacitanceFromCharges(system.panels,
                                  dense ? chargesByDenseLu<Scalar>(system, conductorCount, tell)
                                        : chargesByHierarchicalLu<Scalar>(system, conductorCount, tell, figures));
}

}  // namespace

ComplexMatrix maxwellCapacitance(const std::vector<Panel>& panels, int conductorCount,
                                 const std::function<void(double)>& progress, PanelSolver solver,
                                 PanelSolveFigures* figures)
{
    const auto tell = [&](double share) {
        if (progress) progress(share);
    };
    const PanelSystem system = panelSystemOf(panels);
    PanelSolveFigures solveFigures;
    ComplexMatrix c = system.lossy ? solveForCapacitance<Complex>(system, conductorCount, solver, tell, solveFigures)
                                   : solveForCapacitance<double>(system, conductorCount, solver, tell, solveFigures);
    if (figures) *figures = solveFigures;
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
