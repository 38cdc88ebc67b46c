// What a sweep computes, as data: per frequency the reported matrices in SI units per metre
// at full precision, and the ports they are between. The report files and every export read
// this one result.
#pragma once

#include <limits>
#include <string>
#include <vector>

#include "xsrl/matrix.h"

namespace xsrl {

// How the capacitance solve kept its panel matrix: the share of the n x n entries it stored
// (1 for the whole LU; less where blocks were compressed, as the factors hold them) and the
// largest rank of a compressed block of the factors (0 for the whole LU).
struct PanelSolveFigures {
    double storedShare = 1.0;
    int largestRank = 0;
};

// One row and column of the reported matrices: a conductor, numbered from 1 in deck order.
struct Port {
    int conductor = 0;
    bool signal = true;
};

struct FrequencyPoint {
    double frequency = 0.0;  // Hz
    RealMatrix r;  // ohm per metre
    RealMatrix l;  // henry per metre
    RealMatrix c;  // farad per metre; empty when the capacitance was not computed
    RealMatrix g;  // siemens per metre; empty likewise
    int singularInversions = 0;  // matrices found singular at this frequency: its values are not finite
    // What makes finite values impossible for a passive structure, "" when nothing does: a loop
    // L or C not positive definite, a diagonal R below its DC floor. Such values were lost to
    // rounding (sizes or R and omega L too far apart for double precision).
    std::string unphysical = {};
};

struct SweepResult {
    std::vector<Port> ports;
    std::vector<FrequencyPoint> points;
    long ribbonCount = 0;  // the conductors were cut into so many ribbons
    long panelCount = 0;  // and their outlines into so many capacitance panels (0: no C)
    std::vector<std::string> warnings;  // about the deck; the run went on
    // The L-C check at the last point, when the capacitance was computed: c0^2 (L - R/omega) C0
    // is I for a loop report in the limit of fine discretization and full skin effect (C0 the
    // capacitance in vacuum), and this is how far off it is; NaN when not computed (no C, or a
    // single conductor). The note says what was measured, as the command line tells it.
    double lcCheck = std::numeric_limits<double>::quiet_NaN();
    std::string lcCheckNote;  // "L-C check 2.6e-02 (largest entry of ...)"; empty with NaN
    bool hasCapacitance() const { return !points.empty() && points.front().c.rows() > 0; }
};

}  // namespace xsrl
