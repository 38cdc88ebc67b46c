// The SPICE subcircuit of a line: a ladder of lumped sections whose series branches (resistors,
// coupled coils and eddy-current loops) follow R(f) and L(f) of the sweep and whose shunt
// branches (capacitors, conductances and R-C branches) follow C(f) and G(f); every element is
// positive, so the model is passive in AC and transient analyses.
#pragma once

#include <string>
#include <vector>

#include "numerics/matrix.h"
#include "xsrl/result.h"

namespace xsrl {

// The matrix d d^T of d = e_first + sign e_second (0-based conductors), or e_first alone when
// `second` is -1.
struct Direction {
    int first = 0;
    int second = -1;
    double sign = 1.0;
};

// Z(s) += resistance d d^T s / (s + pole): a loop of resistance and inductance coupled to the
// conductors of d (pole in rad/s, resistance in ohm per metre; its limit at high frequency).
struct SeriesTerm {
    Direction direction;
    double pole = 0.0;
    double resistance = 0.0;
};

// Y(s) += (conductance + s capacitance / (1 + s relaxation)) d d^T, per metre: a resistor, a
// capacitor, or a capacitor in series with a resistor (time constant `relaxation`, s).
struct ShuntTerm {
    Direction direction;
    double conductance = 0.0;
    double capacitance = 0.0;
    double relaxation = 0.0;
};

// Per metre: Z(s) = R0 + s Linf + sum of the series terms, Y(s) = sum of the shunt terms.
struct LineModel {
    RealMatrix resistance;  // R0, diagonal: the resistance at DC
    RealMatrix inductance;  // Linf, positive definite
    std::vector<SeriesTerm> series;
    std::vector<ShuntTerm> shunt;
};

// The model fitted to the sweep by non-negative least squares of the relative error of Z and Y,
// the frequencies weighted so that the S-parameters of a line of `lengthMetres` (every port
// referred to z0) miss least. Needs the capacitance; throws when the fitted Linf is not positive
// definite.
LineModel fitLineModel(const SweepResult& result, double lengthMetres, double z0);

// The model's Z and Y per metre at angular frequency omega.
ComplexMatrix seriesImpedance(const LineModel& model, double omega);
ComplexMatrix shuntAdmittance(const LineModel& model, double omega);

// One lumped section as circuit elements. Nodes 0 .. n-1 are its left ends, n .. 2n-1 its right
// ends, then inner nodes; -1 is the reference. The series branch is two halves, each a resistor
// and a coil per conductor with eddy loops, the two halves' coils coupled by L dx / 16 (L of the
// highest frequency); the
// shunt branch is split 1/6, 2/3, 1/6 between the left end, the middle and the right end. This
// matches a line of length dx to fourth order in dx (a plain pi or T section to second).
struct CircuitElement {
    char kind = 'R';  // 'R', 'L' or 'C'
    int node1 = -1, node2 = -1;
    double value = 0.0;  // ohm, henry or farad
};
struct Coupling {
    int coil1 = 0, coil2 = 0;  // indices of coils in the section's elements
    double factor = 0.0;  // |factor| < 1
};
struct SectionCircuit {
    int nodeCount = 0;
    std::vector<CircuitElement> elements;
    std::vector<Coupling> couplings;
};
SectionCircuit sectionCircuit(const LineModel& model, double sectionMetres, double highestFrequency);

// The inductance matrix of the section's coils, in the order of its elements, mutual terms from
// the couplings: positive definite when the coils are passive.
RealMatrix coilInductances(const SectionCircuit& section);

// Sections of at most a twentieth of the shortest wavelength of the sweep (that of the slowest
// mode at the highest frequency) over the line's length.
int sectionCount(const SweepResult& result, double lengthMetres);

// The S-parameters (ports as in lineScattering) of `sections` circuits cascaded, each computed
// from its elements by nodal analysis.
ComplexMatrix ladderScattering(const SectionCircuit& section, int conductors, int sections, double frequency,
                               double z0);

// The largest deviation of the ladder's S-parameters from the reference's, over the entries whose
// reference magnitude is above -40 dB: in dB of magnitude and in degrees of phase.
struct ScatteringDeviation {
    double decibels = 0.0;
    double degrees = 0.0;
};
ScatteringDeviation scatteringDeviation(const ComplexMatrix& model, const ComplexMatrix& reference);

}  // namespace xsrl
