// The cut points of plate faces: where the lines and circles facing a plate divide its faces.
#pragma once

#include <string>
#include <vector>

#include "model/structure.h"

namespace xsrl {

// The points of one plate's bottom ("below") and top ("above") faces, ascending: the ribbon
// edges. The cut points, each rounded to the seven digits the "plate" file prints; in the
// accurate mode the graded points between them too. A face that faces no line has none.
struct PlateFaceCuts {
    std::vector<double> below;
    std::vector<double> above;
};

struct PlateCuts {
    std::vector<PlateFaceCuts> plates;  // by position among the plates in deck order
    std::string fileText;  // the "plate" file: plates from the highest down
};

// Fixes the models of all conductors of a deck with plates (lines become "pw" with one
// ribbon per face, but keep their own in the accurate mode; circles ConductorModel::Circle)
// and places the plate-face cut points, graded between them in the accurate mode.
// Lines of the file: "below"/"above", the plate's 1-based position among the plates, an x.
PlateCuts placePlateCuts(std::vector<Conductor>& conductors, Accuracy accuracy = Accuracy::Normal);

// Smallest vertical distance between an edge of one conductor and an edge of another.
double minEdgeGap(double bottom1, double top1, double bottom2, double top2);

// Selection sorts of list[1..n] (index 0 unused) for values strictly inside +-1e10; the
// first of equal entries is taken first.
void sortAscending(double* list, int n);
void sortDescending(double* list, int n);

}  // namespace xsrl
