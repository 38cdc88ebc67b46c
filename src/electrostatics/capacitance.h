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

#include <vector>

#include "electrostatics/panels.h"
#include "model/structure.h"
#include "numerics/matrix.h"

namespace xsrl {

// The complex Maxwell matrix in F/m: column k holds the free charges with conductor k at 1 V
// and every other conductor at 0 V; symmetric (the symmetric part of the collocation's).
ComplexMatrix maxwellCapacitance(const std::vector<Panel>& panels, int conductorCount);

// The same conductor panels with every dielectric block taken away: er = 1 around every
// conductor and no interface (one of equal media on both sides carries no charge). Their
// Maxwell matrix is the vacuum capacitance of the conductors as the deck's panels cut them.
std::vector<Panel> vacuumPanels(const std::vector<Panel>& panels);

// What Cs reports, with the choice of Zs: the whole Maxwell matrix for ".partial yes" or a
// single conductor, else its block of the signal conductors (every ground held at 0 V), the
// signals in deck order (see isSignalConductor).
ComplexMatrix reportedCapacitance(const RunSettings& settings, const std::vector<Conductor>& conductors,
                                  const ComplexMatrix& maxwell);

// Refuses, before the panel matrix is made, a solve that cannot fit in `availableBytes`: the
// complex panel matrix, its right-hand sides and the solution.
void checkPanelMemoryFits(std::size_t panelCount, int conductorCount, double availableBytes);

}  // namespace xsrl
