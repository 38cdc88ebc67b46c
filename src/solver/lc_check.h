// The L-C check of a sweep: how far the inductance and the capacitance solves agree.
//
// For conductors many skin depths thick, L - R / omega is the external inductance (the
// internal reactance of a surface equals its resistance), and in vacuum a TEM line has
// c0^2 L_ext C0 = I exactly for the loop L and the loop C0 of the same ports. With C0 the
// capacitance of the conductors in vacuum, whatever the dielectric blocks, the deviation of
// c0^2 (L - R / omega) C0 from I at the highest frequency shows the discretization error of
// both solves.
#pragma once

#include <string>

#include "numerics/matrix.h"
#include "xsrl/result.h"

namespace xsrl {

// M = c0^2 (L - R / omega) C0 - I at `point`, with C0 the vacuum capacitance of the same ports.
// A loop report: the largest |entry| of M. A partial report: C0 is the Maxwell matrix, which
// puts no charge on a voltage common to every conductor, so the exact M is not 0 but has one
// value down each column (M 1 = -1); the check is the largest difference between two entries
// of a column, which for two conductors is the loop check of the pair. NaN for a partial
// report of a single conductor: there is no loop to check.
double lcCheck(const FrequencyPoint& point, const RealMatrix& vacuumCapacitance, bool partial);

// "L-C check 2.6e-02 (largest entry of c0^2 (L - R/omega) C0 - I at f=1.0000e+10 Hz)", or
// "largest difference down a column of" for a partial report.
std::string lcCheckNote(double check, double frequency, bool partial);

}  // namespace xsrl
