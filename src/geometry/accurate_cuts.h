// The finer cuts of the accurate mode (".accuracy high"): plate faces graded between their cut
// points, finest where lines face them, and line faces cut finely enough toward their corners.
#pragma once

#include <vector>

#include "model/structure.h"

namespace xsrl {

// An edge of a line or circle facing a plate face: its x and the line's distance to the face.
struct FacingEdge {
    double x;
    double gap;
};

// The ribbon edges of one plate face: its cut points (ascending) and, between each two, graded
// points. The ribbon width wanted at x is the least over the facing edges of
// PlateEdgeWidth * gap + (PlateGrowth - 1) * |x - edge|, and each stretch between cut points
// gets the whole number of ribbons closest above the integral of 1 / width over it.
std::vector<double> gradedFaceEdges(const std::vector<double>& cutPoints, const std::vector<FacingEdge>& edges);

// Cuts every line that is cut into face ribbons so that the ribbons at its corners are no
// wider than LineCornerWidth times its smallest size (its width, its thickness, its distance to
// the nearest other conductor): nx and ny become the fewest ribbons that do it with the
// grading ratio LineGrading, or stay the deck's when those are more; rx and ry the least
// ratios that do it with those counts.
void refineLineCuts(std::vector<Conductor>& conductors, const RunSettings& settings);

}  // namespace xsrl
