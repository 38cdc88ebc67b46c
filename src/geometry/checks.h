// Structure checks that refuse conductors the discretization cannot cut sensibly.
#pragma once

#include <vector>

#include "model/structure.h"

namespace xsrl {

// Circles need rad > 0 and nr >= 3; lines and plates need x1 < x2 and y1 < y2; no two
// conductors may overlap with positive area (touching edges and tangents are allowed).
// Errors name the conductor by its position in deck order and its block word.
void checkConductorGeometry(const std::vector<Conductor>& conductors);

// Two conductors touch where their cross-sections are at most contactTolerance apart or into
// each other, and overlap where they go deeper: a contact written in the deck's decimals lands
// a few units of the last digit off once the unit scale is applied, so ContactFraction of the
// smaller conductor's size (see conductorSize) is contact. conductorGap is the distance between
// the cross-sections, negative by the depth they overlap.
constexpr double ContactFraction = 1e-9;
double contactTolerance(const Conductor& a, const Conductor& b);
double conductorGap(const Conductor& a, const Conductor& b);

// A conductor's own size: the diameter of a circle, the shorter side of a plate or line.
double conductorSize(const Conductor& c);

// Checks the counts and ratios each line will actually be cut with: nx, ny, rx, ry of a
// graded line, nx, ny of a "vf" grid, nothing for a line thinner than the skin depth.
void checkLineCuts(const std::vector<Conductor>& conductors, const RunSettings& settings);

// Refuses a conductor that got no ribbons (a plate that no line or circle faces).
void checkEveryConductorHasRibbons(const std::vector<Conductor>& conductors, const Ribbons& ribbons);

}  // namespace xsrl
