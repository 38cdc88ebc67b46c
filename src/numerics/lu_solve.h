// Solving a complex linear system through LAPACK (OpenBLAS): the fast solver that trades
// bit-identity for speed. The matrix is factored once, P A = L U, and only the wanted
// right-hand sides are solved for; no inverse is formed.
#pragma once

#include "numerics/matrix.h"

namespace xsrl {

// X with A X = B; A n x n (consumed: it holds the factors afterwards), B n x m. A singular
// A gives X of NaN and adds one to `*singularCount` when that is given, as the inversion does;
// a LAPACK failure throws.
ComplexMatrix solveByLu(ComplexMatrix a, const ComplexMatrix& b, int* singularCount = nullptr);

}  // namespace xsrl
