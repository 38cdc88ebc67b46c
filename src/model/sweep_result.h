// What a sweep computes, as data: per frequency the reported matrices in SI units per metre
// at full precision, and the ports they are between. The report files and every export read
// this one result.
#pragma once

#include <vector>

#include "numerics/matrix.h"

namespace xsrl {

// One row and column of the reported matrices: a conductor, numbered from 1 in deck order.
struct Port {
    int conductor = 0;
    bool signal = true;
};

struct FrequencyPoint {
    double frequency = 0.0; // Hz
    RealMatrix r;           // ohm per metre
    RealMatrix l;           // henry per metre
    RealMatrix c;           // farad per metre; empty when the capacitance was not computed
    RealMatrix g;           // siemens per metre; empty likewise
};

struct SweepResult {
    std::vector<Port> ports;
    std::vector<FrequencyPoint> points;
    bool hasCapacitance() const { return !points.empty() && points.front().c.rows() > 0; }
};

}  // namespace xsrl
