// How much memory a run needs, and how much this process may still use.
#pragma once

#include <vector>

#include "geometry/plate_cuts.h"
#include "model/structure.h"

namespace xsrl {

// Bytes this process may still use: what the system reports available, within any address
// space or data-size limit set on the process.
double availableMemoryBytes();

// Peak memory of a run with this many ribbons: the partial inductances (8 n^2 bytes), the
// complex ribbon impedance matrix and the inverse being built (16 n^2 bytes each), the records.
double runMemoryBytes(double ribbonCount);

// Refuses (MemoryError), before anything large is allocated, a structure whose ribbons cannot
// fit in `availableBytes`; the message gives the ribbon count, the bytes needed and those
// available. Called before the checks and the plate cuts (`plateCuts` null in a deck with
// plates), it counts what the ribbons reach at least, so that a structure far too large is
// refused before the work that grows as the square of its conductor count.
void checkMemoryFits(const RunSettings& settings, const std::vector<Conductor>& conductors, const PlateCuts* plateCuts,
                     double availableBytes);

// Refuses a capacitance solve whose panels, from estimatedPanelCount, already cannot fit:
// before the panels are cut, which takes long for many of them.
void checkPanelEstimateFits(double estimatedPanels, int conductorCount, double availableBytes);

}  // namespace xsrl
