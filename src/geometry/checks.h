// Structure checks that refuse conductors the discretization cannot cut sensibly.
#pragma once

#include <vector>

#include "model/structure.h"

namespace xsrl {

// Circles need rad > 0 and nr >= 3; lines and plates need x1 < x2 and y1 < y2; no two
// conductors may overlap with positive area (touching edges and tangents are allowed).
// Errors name the conductor by its position in deck order and its block word.
void checkConductorGeometry(const std::vector<Conductor>& conductors);

// Checks the counts and ratios each line will actually be cut with: nx, ny, rx, ry of a
// graded line, nx, ny of a "vf" grid, nothing for a line thinner than the skin depth.
void checkLineCuts(const std::vector<Conductor>& conductors, const RunSettings& settings);

// Refuses a conductor that got no ribbons (a plate that no line or circle faces).
void checkEveryConductorHasRibbons(const std::vector<Conductor>& conductors, const Ribbons& ribbons);

}  // namespace xsrl
