// Preparing the conductor chain for the solver: structure checks, the cut points of plate
// faces, the signal/ground classification and the ribbon index table.
#pragma once

#include <vector>

#include "model/structure.h"

// Circles need rad > 0 and nr >= 1; lines and plates need x1 < x2 and y1 < y2.
void checkConductorGeometry(const Conductor* head);

// Fixes the models of all conductors of a deck with plates and writes the plate-face cut
// points to the file "plate" in the current directory.
void placePlateCuts(Conductor* head, const RunSettings& settings);

// Checks the counts and ratios each line will actually be cut with.
void checkLineCuts(const Conductor* head, const RunSettings& settings);

double minEdgeGap(double bottom1, double top1, double bottom2, double top2);

// Selection sorts of list[1..n] (index 0 unused).
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

// Detaches the empty record at the end of the ribbon chain.
void closeRibbonChain(Ribbon* head);

// Refuses a conductor that got no ribbons.
void checkEveryConductorHasRibbons(const Conductor* head);
