#include "electrostatics/capacitance.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "geometry/ribbon_index.h"
#include "numerics/constants.h"
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
ComplexMatrix panelSystem(const std::vector<Panel>& panels)
{
    const int n = static_cast<int>(panels.size());
    ComplexMatrix a = matrix(n + 1, n + 1);
    std::vector<double> lengths(panels.size());
    for (std::size_t j = 0; j < panels.size(); ++j) lengths[j] = lengthOf(panels[j]);
    for (int i = 0; i < n; ++i) {
        const Panel& row = panels[static_cast<std::size_t>(i)];
        const double rowLength = lengths[static_cast<std::size_t>(i)];
        const Point at = middleOf(row);
        if (row.conductor >= 0) {
            for (std::size_t j = 0; j < panels.size(); ++j)
                a[i][j] = Complex(-logIntegral(panels[j].a, panels[j].b, at) / lengths[j], 0.0);
            a[i][n] = Complex(-1.0, 0.0);
        } else {
            const Point normal = normalOf(row);
            const Complex contrast = (row.erOutside - row.erInside) / (row.erOutside + row.erInside);
            for (std::size_t j = 0; j < panels.size(); ++j) {
                const Point field = logIntegralGradient(panels[j].a, panels[j].b, at);
                a[i][j] = contrast * ((field.x * normal.x + field.y * normal.y) * rowLength / lengths[j]);
            }
            // The panel's own field at its middle: only the jump, never the +-pi that rounding
            // puts on either side of a slanted panel.
            a[i][i] = Complex(Pi, 0.0);
        }
        if (row.conductor >= 0) a[n][i] = row.erOutside;
    }
    return a;
}

}  // namespace

ComplexMatrix maxwellCapacitance(const std::vector<Panel>& panels, int conductorCount)
{
    const int n = static_cast<int>(panels.size());
    ComplexMatrix potentials = matrix(n + 1, conductorCount);
    for (int i = 0; i < n; ++i) {
        const Panel& panel = panels[static_cast<std::size_t>(i)];
        if (panel.conductor >= 0) potentials[i][panel.conductor] = Complex(1.0, 0.0);
    }
    const ComplexMatrix charges = solveByLu(panelSystem(panels), potentials);

    ComplexMatrix c = matrix(conductorCount, conductorCount);
    for (int j = 0; j < n; ++j) {
        const Panel& panel = panels[static_cast<std::size_t>(j)];
        const int m = panel.conductor;
        if (m < 0) continue;
        for (int k = 0; k < conductorCount; ++k)
            c[m][k] = c[m][k] + panel.erOutside * charges[j][k] * (2.0 * Pi * Epsilon0);
    }
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

void checkPanelMemoryFits(std::size_t panelCount, int conductorCount, double availableBytes)
{
    const double unknowns = static_cast<double>(panelCount) + 1.0;
    const double needed = 16.0 * unknowns * (unknowns + 3.0 * conductorCount);
    if (needed <= availableBytes) return;
    char text[200];
    std::snprintf(text, sizeof text,
                  "the capacitance solve on %zu panels needs %.3g bytes of memory; %.3g bytes are available",
                  panelCount, needed, availableBytes);
    throw MemoryError(text);
}

}  // namespace xsrl
