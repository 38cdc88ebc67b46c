// The signal/ground classification of the conductors and the cutting of all of them into ribbons.
#pragma once

#include <vector>

#include "geometry/plate_cuts.h"
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
ConductorCounts classifyConductors(const std::vector<Conductor>& conductors);

// Every conductor cut into ribbons, in deck order, with the table of each one's ribbons. The
// plates take their faces' points from `plateCuts` (empty for a deck without plates).
Ribbons buildRibbons(const RunSettings& settings, const std::vector<Conductor>& conductors, const PlateCuts& plateCuts);

// Per conductor, its face cuts when it is a plate (null for any other conductor, or when the
// deck has no cut points).
std::vector<const PlateFaceCuts*> plateCutsByConductor(const std::vector<Conductor>& conductors,
                                                       const PlateCuts& plateCuts);

}  // namespace xsrl
