// The frequency-independent RLGC model of the W element, fitted to the sweep:
//   R(f) = Ro + Rs sqrt(f),  L(f) = Lo + Rs / (2 pi sqrt(f)),  G(f) = Go + Gd f,  C(f) = Co,
// the skin-effect impedance Rs sqrt(f) (1 + j) split into its resistance and inductance.
#pragma once

#include <string>

#include "xsrl/result.h"

namespace xsrl {

struct RlgcModel {
    RealMatrix lo, co, ro, go, rs, gd;  // per metre
    // Worst over the sweep of the largest entry of |model - sweep| over the largest entry
    // of |sweep|, at each frequency of a grid of at least ten a decade that holds the sweep
    // points; between them the sweep is read as a monotone cubic in log f.
    double worstResistanceError = 0.0;
    double worstInductanceError = 0.0;
};

// Ro is R at the lowest frequency; Rs the least-squares slope of R(f) - Ro against sqrt(f);
// Lo and Co are taken at the highest frequency, Lo less its skin term Rs / (2 pi sqrt(f));
// Go = 0 and Gd is the least-squares slope of G(f) against f. Needs the capacitance.
RlgcModel fitRlgc(const SweepResult& result);

}  // namespace xsrl
