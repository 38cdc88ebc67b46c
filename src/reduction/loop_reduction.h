// Reduction of the conductor admittance matrix to the loop impedance matrix of the signal
// conductors, all ground conductors tied together as the common return.
#pragma once

#include "model/structure.h"
#include "numerics/matrix.h"

// Exchanges conductors a and b in the admittance matrix g (rows and columns); the pair
// entries (a, b) and (b, a) stay where they are.
void swapConductors(ComplexMatrix& g, int a, int b);

// Moves the signal conductors to positions 0 .. s-1 of g in their deck order: each ground
// conductor met is exchanged with the first signal conductor after it. Only the isSignal
// flags and the matrix move; the chain keeps its order.
void moveSignalsToFront(Conductor* head, ComplexMatrix& g);

// With the signal conductors at positions 0 .. signalCount-1 of g (and flagged so in the
// chain from `head`), returns the (signalCount + 1)-square impedance matrix of the signal
// ports and the common return; its leading signalCount block is the loop impedance matrix.
ComplexMatrix loopReduce(const Conductor* head, int signalCount, const ComplexMatrix& g);
