// The ribbon's internal impedance: the formula chosen by its kind and, for the face ribbons of
// lines, by the model of its conductor, turned into ohms per metre of this one ribbon.
#pragma once

#include "model/structure.h"
#include "numerics/complex.h"

namespace xsrl {

// Resistance and internal reactance per metre of `ribbon`, a ribbon of `conductor`, at angular
// frequency omega (rad/s), skin effect included. A chord of the accurate mode (AccurateChord)
// has none of its own: its wire's internal impedance is a matrix over all its chords
// (wireChordImpedances), which the sweep adds.
Complex internalImpedance(const Ribbon& ribbon, const Conductor& conductor, double omega);

}  // namespace xsrl
