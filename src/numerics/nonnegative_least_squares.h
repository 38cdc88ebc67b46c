// Least squares with every unknown at or above zero: the fits whose terms become circuit
// elements, which must all be positive.
#pragma once

#include <vector>

#include "numerics/matrix.h"

namespace xsrl {

// The x >= 0 that minimizes |A x - b| (A m x n, b of m entries), by the active-set method of
// Lawson and Hanson; the unconstrained subproblems go to LAPACK (dgels). Columns of zeros get
// x = 0. A LAPACK failure throws.
std::vector<double> nonNegativeLeastSquares(const RealMatrix& a, const std::vector<double>& b);

}  // namespace xsrl
