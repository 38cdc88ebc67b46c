// The cut points of plate faces: where the lines and circles facing a plate divide its faces.
#pragma once

#include <string>

#include "model/structure.h"

namespace xsrl {

// Fixes the models of all conductors of a deck with plates (lines become "pw" with one
// ribbon per face, circles TypeCircle) and writes the plate-face cut points to the file
// `path` (the run file "plate"): "below"/"above", the plate's 1-based position among the
// plates in deck order, an x position; plates from the highest down.
void placePlateCuts(Conductor* head, const std::string& path);

// Smallest vertical distance between an edge of one conductor and an edge of another.
double minEdgeGap(double bottom1, double top1, double bottom2, double top2);

// Selection sorts of list[1..n] (index 0 unused) for values strictly inside +-1e10; the
// first of equal entries is taken first.
void sortAscending(double* list, int n);
void sortDescending(double* list, int n);

}  // namespace xsrl
