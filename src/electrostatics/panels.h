// The boundary of the electrostatic problem cut into straight panels: the outline of every
// conductor and every stretch of a dielectric block's edge that separates two different media
// and that no conductor covers.
#pragma once

#include <vector>

#include "electrostatics/panel_integrals.h"
#include "model/structure.h"
#include "numerics/complex.h"

namespace xsrl {

struct Panel {
    Point a;
    Point b;  // the normal is on the right of a -> b: outward from a conductor
    int conductor = -1;  // the conductor's position in deck order, from 0; -1 on an interface
    Complex erOutside;  // relative permittivity on the normal side: for a conductor, the medium touching it
    Complex erInside;  // on an interface, the relative permittivity on the other side
};

// Refuses two conductors that touch (see contactTolerance) at different potentials: the
// capacitance between them has no finite value. In a loop report every ground is the one node
// at 0 V; with `partial` every conductor is a node of its own.
void checkContactsForCapacitance(const std::vector<Conductor>& conductors, bool partial);

// A lower estimate of the panels buildPanels cuts, made without cutting them: the outline's
// stretches, each graded as if nothing were near it.
double estimatedPanelCount(const std::vector<Conductor>& conductors, const std::vector<DielectricBlock>& blocks,
                           int panelsPerSide);

// Panels shrink toward corners, most toward the points where an interface meets a conductor,
// and near other conductors and interfaces (a conductor's side only near what lies in front
// of it: its own body shields it from the rest); `panelsPerSide` (".cpanels") sets the count along a
// side with nothing near it, a quarter of a circle counting as a side, and refines all of it
// in proportion. The conductors must have passed checkConductorGeometry.
std::vector<Panel> buildPanels(const std::vector<Conductor>& conductors, const std::vector<DielectricBlock>& blocks,
                               int panelsPerSide);

}  // namespace xsrl
