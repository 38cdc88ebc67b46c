// Internal impedance of a round wire in the accurate mode, with the proximity effect.
//
// The wire's surface current is carried by equal chords at its surface. A current pattern
// cos(n phi) around the surface drives the field into the metal as J_n(k r) cos(n phi), so each
// pattern meets its own surface impedance
//
//     Zs_n = (k / sigma) J_n(k a) / J_(n+1)(k a),    k^2 = -j omega mu0 sigma,
//
// the ratio of the axial field at the surface to the surface current of a sheet at r = a that
// has the same field outside as the current in the metal. Zs_0 is the isolated wire's surface
// impedance (k/sigma) J0/J1; the others carry the proximity effect on the surface impedance
// itself: a neighbour crowds the current to one side, and that part of it sees a resistance
// that rises with n (2(n+1)/(sigma a) at low frequency, about Zs_0 (1 + n delta/((1+j) a)) at
// high frequency, where it acts like a sheet recessed by about delta/2).
#pragma once

#include <vector>

#include "numerics/complex.h"

namespace xsrl {

// Zs_n for n = 0 .. highestOrder, ohms per square.
std::vector<Complex> wireModeImpedances(double omega, double radius, double sigma, int highestOrder);

// The internal impedance of a wire cut into chordCount equal chords as the matrix over its
// chords, ohm/m: entry (i, j) is entries[(i - j + chordCount) % chordCount], the modes
// Zs_n summed up to the finest pattern the chords can carry, n = chordCount/2. A uniform current
// (mode 0) meets Zs_0 / (2 pi a) per metre of the wire, the isolated wire's exact value.
std::vector<Complex> wireChordImpedances(double omega, double radius, double sigma, int chordCount);

}  // namespace xsrl
