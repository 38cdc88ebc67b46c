// The signal/ground classification of the conductors and their ribbon index table.
#pragma once

#include <vector>

#include "model/structure.h"

namespace xsrl {

struct ConductorCounts {
    int ground = 0;
    int signal = 0;
};

// A conductor whose excitation v is not zero (|v| >= 1e-10) is a signal, any other a ground.
bool isSignalConductor(const Conductor& conductor);

// Counts the signal and ground conductors; refuses a structure of several conductors without
// a signal or without a ground conductor.
ConductorCounts classifyConductors(const Conductor* head);

// Cuts every conductor into ribbons; ribbonIndex gets conductor count + 2 entries, entry k
// (k = 1..n) the first ribbon position of conductor k, entry n + 1 the ribbon total.
void buildRibbonIndex(RecordPool& pool, const RunSettings& settings, Conductor* head, Ribbon* headRibbon,
                      std::vector<long>& ribbonIndex);

// Detaches the empty record at the end of the ribbon chain; a chain that holds only the
// empty head is left as it is.
void closeRibbonChain(Ribbon* head);

}  // namespace xsrl
