// Per-unit-length capacitance and conductance by boundary elements (quasi-static, 2D).
//
// The unknowns are the total charges (free plus polarization) of the panels of every
// conductor outline and every interface, with one common unknown potential constant. A
// conductor panel sits at its conductor's potential plus the constant; across an interface
// panel the normal displacement is continuous; the charges sum to zero, which is the 2D
// reference at infinity. The free charge of a conductor panel is its total charge times the
// permittivity of the medium touching it. Lossy media enter with er (1 - j tand), so the one
// complex solve gives C as the real part and G(f) = -omega times the imaginary part.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "electrostatics/panels.h"
#include "model/structure.h"
#include "numerics/matrix.h"
#include "xsrl/result.h"

namespace xsrl {

// How the panel system is solved: LAPACK's LU of the whole matrix (time n^3, memory n^2), the
// hierarchical LU (about n log n for both, to PanelCompressionTolerance), or the first for
// systems of up to DensePanelSolveUpTo panels and the second above. Lossless media make the
// system real, solved in real arithmetic.
enum class PanelSolver { BySize, Dense, Hierarchical };
constexpr std::size_t DensePanelSolveUpTo = 1500;
// The relative tolerances of the hierarchical matrix's blocks: of its LU factors, and of the
// matrix the solutions are refined against; every entry of C and G comes out within about
// 1e-7 of the whole LU's (the far couplings, 1e-5 of the largest, need the charges to 1e-12).
constexpr double PanelCompressionTolerance = 1e-9;
constexpr double PanelResidualTolerance = 1e-13;

// The complex Maxwell matrix in F/m: column k holds the free charges with conductor k at 1 V
// and every other conductor at 0 V; symmetric (the symmetric part of the collocation's).
// `progress`, when given, is told the share of the solve done (0 to 1) as it goes on;
// `figures`, when given, is told how the panel matrix was kept.
ComplexMatrix maxwellCapacitance(const std::vector<Panel>& panels, int conductorCount,
                                 const std::function<void(double)>& progress = {},
                                 PanelSolver solver = PanelSolver::BySize, PanelSolveFigures* figures = nullptr);

// The same conductor panels with every dielectric block taken away: er = 1 around every
// conductor and no interface (one of equal media on both sides carries no charge). Their
// Maxwell matrix is the vacuum capacitance of the conductors as the deck's panels cut them.
std::vector<Panel> vacuumPanels(const std::vector<Panel>& panels);

// What Cs reports, with the choice of Zs: the whole Maxwell matrix for ".partial yes" or a
// single conductor, else its block of the signal conductors (every ground held at 0 V), the
// signals in deck order (see isSignalConductor).
ComplexMatrix reportedCapacitance(const RunSettings& settings, const std::vector<Conductor>& conductors,
                                  const ComplexMatrix& maxwell);

// The memory of the solve on so many panels: the complex panel matrix, its right-hand sides
// and the solution.
double panelSolveBytes(double panelCount, int conductorCount);

// Refuses, before the panel matrix is made, a solve that cannot fit in `availableBytes`.
void checkPanelMemoryFits(std::size_t panelCount, int conductorCount, double availableBytes);

}  // namespace xsrl
