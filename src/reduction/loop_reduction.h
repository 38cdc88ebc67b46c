// Reduction of the conductor admittance matrix to the loop impedance matrix of the signal
// conductors, all ground conductors tied together as the common return.
#pragma once

#include <vector>

#include "numerics/matrix.h"

namespace xsrl {

// Exchanges conductors a and b in the admittance matrix g (rows and columns); the pair
// entries (a, b) and (b, a) stay where they are.
void swapConductors(ComplexMatrix& g, int a, int b);

// Moves the signal conductors to positions 0 .. s-1 of g in their deck order: each ground
// conductor met is exchanged with the first signal conductor after it. isSignal holds a flag
// for each conductor of g, in deck order; the flags move with the matrix.
void moveSignalsToFront(std::vector<int>& isSignal, ComplexMatrix& g);

// With the signal conductors at positions 0 .. signalCount-1 of g (and flagged so), returns
// the (signalCount + 1)-square impedance matrix of the signal ports and the common return;
// its leading signalCount block is the loop impedance matrix. A singular matrix adds one to
// `*singularCount` when that is given.
ComplexMatrix loopReduce(const std::vector<int>& isSignal, int signalCount, const ComplexMatrix& g,
                         int* singularCount = nullptr);

}  // namespace xsrl
