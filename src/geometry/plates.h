// Preparing the conductor chain for the solver: structure checks, the cut points of plate
// faces, the signal/ground classification and the ribbon index table.
#pragma once

#include <vector>

#include "model/structure.h"

// Circles need rad > 0 and nr >= 3; lines and plates need x1 < x2 and y1 < y2; no two
// conductors may overlap with positive area (touching edges and tangents are allowed).
// Errors name the conductor by its position in deck order and its block word.
void checkConductorGeometry(const Conductor* head);

// Fixes the models of all conductors of a deck with plates (lines become "pw" with one
// ribbon per face, circles TypeCircle) and writes the plate-face cut points to the file
// "plate" in the current directory: "below"/"above", the plate's 1-based position among
// the plates in deck order, an x position; plates from the highest down.
void placePlateCuts(Conductor* head);

// Checks the counts and ratios each line will actually be cut with: nx, ny, rx, ry of a
// graded line, nx, ny of a "vf" grid, nothing for a line thinner than the skin depth.
void checkLineCuts(const Conductor* head, const RunSettings& settings);

// Smallest vertical distance between an edge of one conductor and an edge of another.
double minEdgeGap(double bottom1, double top1, double bottom2, double top2);

// Selection sorts of list[1..n] (index 0 unused) for values strictly inside +-1e10; the
// first of equal entries is taken first.
void sortAscending(double* list, int n);
void sortDescending(double* list, int n);

struct ConductorCounts {
    int ground = 0;
    int signal = 0;
};

// Sets isSignal from v; refuses a structure of several conductors without a signal or
// without a ground conductor.
ConductorCounts classifyConductors(Conductor* head);

// Cuts every conductor into ribbons; ribbonIndex gets conductor count + 2 entries, entry k
// (k = 1..n) the first ribbon position of conductor k, entry n + 1 the ribbon total.
void buildRibbonIndex(RecordPool& pool, const RunSettings& settings, Conductor* head, Ribbon* headRibbon,
                      std::vector<long>& ribbonIndex);

// Detaches the empty record at the end of the ribbon chain; a chain that holds only the
// empty head is left as it is.
void closeRibbonChain(Ribbon* head);

// Refuses a conductor that got no ribbons (a plate that no line or circle faces).
void checkEveryConductorHasRibbons(const Conductor* head);
