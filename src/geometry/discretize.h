// Cutting conductors into ribbons: graded face ribbons of lines, filament grids, plate faces
// cut at their cut points, chords of circles.
#pragma once

#include <vector>

#include "geometry/plate_cuts.h"
#include "model/structure.h"

namespace xsrl {

// Appends the ribbons of conductor `index` to `ribbons`. A plate takes its face cuts from
// `plateCuts` (null or empty: no ribbons). A line must have nx, ny >= 1 (checkLineCuts); a
// circle nr >= 3 (checkConductorGeometry).
void discretizeConductor(const RunSettings& settings, const Conductor& conductor, int index,
                         const PlateFaceCuts* plateCuts, std::vector<Ribbon>& ribbons);

// The accurate mode's chord counts: every circle gets as many chords as the proximity of its
// nearest neighbour needs for 0.1 % in R and L, its nr a floor, and keeps them in nr.
void chooseAccurateChordCounts(std::vector<Conductor>& conductors);

// How many ribbons discretizeConductor will make of the conductor, computed without making
// them; the cut counts must be checked already.
long long plannedRibbonCount(const RunSettings& settings, const Conductor& conductor, const PlateFaceCuts* plateCuts);

// Symmetric grading weights 1, r, r^2, ... , r, 1 in `weights` (n >= 1 entries); returns
// their sum.
double gradedWeights(double* weights, int n, double r);

// Skin depth (m) at the top of the sweep for a conductor of conductivity sigma (S/m).
double skinDepthAtFmax(double fmax, double sigma);

// A line thinner than the skin depth in both directions is one volume filament.
bool isFilamentLine(const Conductor& line, const RunSettings& settings);

}  // namespace xsrl
