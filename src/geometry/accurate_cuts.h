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

// Raises nx and ny of every line cut into face ribbons to the counts the accurate mode needs
// (the deck's counts are the floor) and sets rx and ry to its grading: the ribbons at the
// corners no wider than LineCornerWidth times the line's smallest size (its width, its
// thickness, its distance to the nearest other conductor).
void refineLineCuts(std::vector<Conductor>& conductors, const RunSettings& settings);

}  // namespace xsrl
