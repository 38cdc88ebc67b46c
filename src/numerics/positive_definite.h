// Whether a real matrix is positive definite: the check that a reported inductance or
// capacitance matrix stores energy for every excitation.
#pragma once

#include "numerics/matrix.h"

namespace xsrl {

// True when the symmetric part (A + A^T) / 2 of the square matrix A, less `margin` on its
// diagonal, is positive definite: its Cholesky factorization (LAPACK dpotrf) goes through, so
// every eigenvalue is above the margin. A value that is not finite makes it false.
bool isPositiveDefinite(const RealMatrix& a, double margin = 0.0);

}  // namespace xsrl
