// The frequency sweep: at each frequency the ribbon impedance matrix, its inverse, the
// conductor admittances and the reported impedance matrix, appended to the report `Zs`.
#pragma once

#include <cstdio>

#include "app/prepare.h"
#include "model/structure.h"
#include "numerics/matrix.h"

// Angular frequency of sweep point k of npoints intervals, rad/s.
double sweepOmega(const RunSettings& settings, int k);

// The conductor impedance matrix reported at angular frequency omega: the full matrix, or
// the loop matrix of the signal conductors against the tied grounds.
ComplexMatrix conductorImpedance(const RunSettings& settings, Conductor* head, const PreparedStructure& prepared,
                                 double omega);

// Appends one frequency block to the report.
void writeImpedanceBlock(std::FILE* report, const ComplexMatrix& z, double omega, double scale);

// Runs the whole sweep into the open report; returns the exit status of the run (1 after a
// one-point sweep from fmin, 0 otherwise).
int runSweep(const RunSettings& settings, Conductor* head, const PreparedStructure& prepared, std::FILE* report);
