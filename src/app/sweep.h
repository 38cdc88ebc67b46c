// The frequency sweep: at each frequency the ribbon impedance matrix, its inverse, the
// conductor admittances and the reported impedance matrix, gathered with the capacitance and
// conductance into a SweepResult; and the report blocks of Zs and Cs written from it.
#pragma once

#include <functional>

#include "app/prepare.h"
#include "model/sweep_result.h"
#include "model/output_file.h"
#include "model/structure.h"
#include "numerics/matrix.h"

namespace xsrl {

// Angular frequency of sweep point k of npoints intervals, rad/s.
double sweepOmega(const RunSettings& settings, int k);

// The conductor impedance matrix reported at angular frequency omega, ohm per metre: the full
// matrix, or the loop matrix of the signal conductors against the tied grounds.
ComplexMatrix conductorImpedance(const RunSettings& settings, const PreparedStructure& prepared, double omega);

// The rows and columns of the reported matrices: every conductor in a partial report (and
// for a single conductor), the signal conductors in a loop report.
std::vector<Port> reportedPorts(const RunSettings& settings, const PreparedStructure& prepared);

// Every frequency of the sweep (fmin alone for a one-point sweep); `pointDone` is told of each
// point as soon as it is in the result. `capacitance` is the reported complex capacitance
// matrix (F/m, see solveCapacitance), or empty when it was not computed: each point then gets
// C = Re c and G = -omega Im c.
SweepResult runSweep(const RunSettings& settings, const PreparedStructure& prepared, const ComplexMatrix& capacitance,
                     const std::function<void(const FrequencyPoint&)>& pointDone);

// Appends the point's block to the report Zs: R and L per deck length unit (`scale` metres);
// true when every value written is finite.
bool writeImpedanceBlock(OutputFile& report, const FrequencyPoint& point, double scale);

// Appends the point's block to the report Cs in the layout of Zs: C and G per deck length unit.
bool writeCapacitanceBlock(OutputFile& report, const FrequencyPoint& point, double scale);

}  // namespace xsrl
