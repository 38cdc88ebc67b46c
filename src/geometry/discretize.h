// Cutting conductors into ribbons: graded face ribbons of lines, filament grids, plate
// faces cut at the points of the "plate" file, chords of circles.
#pragma once

#include "model/structure.h"

namespace xsrl {

// Fills ribbons from `current` on (appending a fresh empty record after each), adds one to
// `ribbonCount` per ribbon and returns the empty record after the last one filled.
// `plateOrdinal` is the conductor's 1-based position among the plates (plates only).
// A line must have nx, ny >= 1 (checkLineCuts); a circle nr >= 3 (checkConductorGeometry).
Ribbon* discretizeConductor(RecordPool& pool, const RunSettings& settings, Conductor& conductor,
                            Ribbon* current, long& ribbonCount, int plateOrdinal);

// How many ribbons discretizeConductor will make of the conductor, computed without making
// them (a plate reads its cut points from "plate"); the cut counts must be checked already.
long long plannedRibbonCount(const RunSettings& settings, const Conductor& conductor, int plateOrdinal);

// Symmetric grading weights 1, r, r^2, ... , r, 1 in `weights` (n >= 1 entries); returns
// their sum.
double gradedWeights(double* weights, int n, double r);

// Skin depth (m) at the top of the sweep for a conductor of conductivity sigma (S/m).
double skinDepthAtFmax(double fmax, double sigma);

// A line thinner than the skin depth in both directions is one volume filament.
bool isFilamentLine(const Conductor& line, const RunSettings& settings);

}  // namespace xsrl
