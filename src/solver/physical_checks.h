// Checks of a sweep point's finite values against what every passive structure obeys; values
// that fail them were lost to rounding (conductors of sizes too far apart, a resistance far
// above the reactance) or come from a structure the solvers cannot model.
#pragma once

#include <string>

#include "solver/prepare.h"
#include "xsrl/result.h"

namespace xsrl {

// The smallest resistance, ohm per metre, that the reported diagonal entry of `conductor`
// (from 0) can have at angular frequency omega: the current of the conductor (and of the tied grounds returning it, in a
// loop report) spread over the ribbons as over resistors in parallel, each ribbon with the
// resistance of its internal impedance at omega. Any other spread, such as skin and proximity
// effect make, dissipates more; at low frequencies it is the DC resistance of the model.
double resistanceFloor(const PreparedStructure& prepared, int conductor, double omega);

// What is wrong with a point whose values are all finite, or "" when nothing is: in a loop
// report the inductance and capacitance matrices must be positive definite; in every report
// no diagonal resistance may be below its floor beyond rounding. Points holding values that
// are not finite are left to that error.
std::string unphysicalFinding(const PreparedStructure& prepared, const FrequencyPoint& point, double omega);

}  // namespace xsrl
