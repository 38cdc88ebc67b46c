// The frequency sweep: at each frequency the ribbon impedance matrix, its inverse, the
// conductor admittances and the reported impedance matrix, appended to the report `Zs`; and the
// capacitance matrix appended to `Cs` beside it.
#pragma once

#include "app/prepare.h"
#include "model/output_file.h"
#include "model/structure.h"
#include "numerics/matrix.h"

// Angular frequency of sweep point k of npoints intervals, rad/s.
double sweepOmega(const RunSettings& settings, int k);

// The conductor impedance matrix reported at angular frequency omega: the full matrix, or
// the loop matrix of the signal conductors against the tied grounds.
ComplexMatrix conductorImpedance(const RunSettings& settings, Conductor* head, const PreparedStructure& prepared,
                                 double omega);

// Appends one frequency block to the report; true when every value written is finite.
bool writeImpedanceBlock(OutputFile& report, const ComplexMatrix& z, double omega, double scale);

// Appends one frequency block of the capacitance report in the layout of Zs: C in farad and
// G = -omega Im(c) in siemens per deck unit, from the complex matrix c in F/m.
bool writeCapacitanceBlock(OutputFile& report, const ComplexMatrix& c, double omega, double scale);

struct SweepOutcome {
    int status = 0;                   // 1 after a one-point sweep from fmin, else 0
    double firstNonFiniteOmega = 0.0; // first frequency whose block holds NaN or infinity; 0: none
};

// Runs the whole sweep into the open report and, when `capacitanceReport` is given, writes the
// complex capacitance matrix (F/m) into it at every frequency as well.
SweepOutcome runSweep(const RunSettings& settings, Conductor* head, const PreparedStructure& prepared,
                      OutputFile& report, const ComplexMatrix& capacitance, OutputFile* capacitanceReport);
