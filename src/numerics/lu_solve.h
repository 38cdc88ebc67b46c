// Solving a real or complex linear system through LAPACK (OpenBLAS): the fast solver that trades
// bit-identity for speed. The matrix is factored once, P A = L U, and only the wanted
// right-hand sides are solved for; no inverse is formed.
#pragma once

#include <functional>

#include "numerics/matrix.h"

namespace xsrl {

// X with A X = B; A n x n (consumed: it holds the factors afterwards), B n x m. A singular
// A gives X of NaN and adds one to `*singularCount` when that is given, as the inversion does;
// a LAPACK failure throws.
ComplexMatrix solveByLu(ComplexMatrix a, const ComplexMatrix& b, int* singularCount = nullptr);
RealMatrix solveByLu(RealMatrix a, const RealMatrix& b, int* singularCount = nullptr);

// Systems up to this many unknowns take about a second or less to factor.
constexpr int WholeFactoringUpTo = 2048;

// The same solve, with `progress` told as the factoring goes on the share of it done (0 to 1).
// A system of more than WholeFactoringUpTo unknowns is factored a block of columns at a time,
// which rounds a little differently from one call; smaller ones exactly as solveByLu does. A
// singular A gives X of NaN.
ComplexMatrix solveByLuInBlocks(ComplexMatrix a, const ComplexMatrix& b, const std::function<void(double)>& progress);

}  // namespace xsrl
