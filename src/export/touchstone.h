// The S-parameters of a uniform multiconductor line built from the sweep's per-metre matrices,
// in Touchstone 1.1.
#pragma once

#include <string>

#include "numerics/matrix.h"
#include "xsrl/result.h"

namespace xsrl {

// The 2n x 2n scattering matrix of a line of `lengthMetres` with the per-metre R, L, G, C of
// `point`, every port referred to the real impedance z0: ports 0 .. n-1 are the near ends of
// the conductors, n .. 2n-1 their far ends. The modes come from YZ = T diag(gamma^2) T^-1
// (Z = R + j omega L, Y = G + j omega C): along the line I = T i and V = Z T u with
// u' = -i, i' = -gamma^2 u for each mode. The port waves are solved for two solutions per
// mode: the forward and the backward wave where |gamma l| >= 1, so that the only exponential
// is exp(-gamma l), at most 1 in modulus (no overflow however long and lossy the line, and none
// of the poles that coth(gamma l) and csch(gamma l) have at the half-wave resonances of a
// lossless line); below, the even and odd standing waves, which stay independent as gamma
// goes to 0 (the common mode of a partial report, whose capacitance vanishes).
ComplexMatrix lineScattering(const FrequencyPoint& point, double lengthMetres, double z0);

}  // namespace xsrl
