// The frequency sweep: at each frequency the ribbon impedance matrix, its inverse, the
// conductor admittances and the reported impedance matrix, gathered with the capacitance and
// conductance into a SweepResult.
#pragma once

#include <functional>
#include <vector>

#include "numerics/matrix.h"
#include "solver/prepare.h"
#include "xsrl/result.h"

namespace xsrl {

// Angular frequency of sweep point k of npoints intervals, rad/s.
double sweepOmega(const RunSettings& settings, int k);

// The conductor impedance matrix reported at angular frequency omega, ohm per metre: the full
// matrix, or the loop matrix of the signal conductors against the tied grounds, solved over
// `threads` threads. Every matrix found singular on the way adds one to `*singularCount` when
// that is given.
ComplexMatrix conductorImpedance(const PreparedStructure& prepared, double omega, int threads,
                                 int* singularCount = nullptr);

// The rows and columns of the reported matrices: every conductor in a partial report (and
// for a single conductor), the signal conductors in a loop report.
std::vector<Port> reportedPorts(const PreparedStructure& prepared);

// Every frequency of the sweep (fmin alone for a one-point sweep); `pointDone` is told of each
// point as soon as it is in the result. With prepared.capacitance (the reported complex
// capacitance, F/m) each point gets C = Re c and G = -omega Im c; with
// prepared.vacuumCapacitance the result gets the L-C check of its last point.
SweepResult runSweep(const PreparedStructure& prepared, int threads,
                     const std::function<void(const FrequencyPoint&)>& pointDone = {});

}  // namespace xsrl
