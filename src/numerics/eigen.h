// Eigenvalues and right eigenvectors of a general complex matrix, through LAPACK's zgeev:
// the modal decomposition of the line equations.
#pragma once

#include <vector>

#include "numerics/matrix.h"

namespace xsrl {

struct EigenDecomposition {
    std::vector<Complex> values;
    ComplexMatrix vectors;  // column k belongs to values[k]
};

// A = V diag(values) V^-1 for a diagonalizable square A; a LAPACK failure ends the run.
EigenDecomposition eigenDecompose(const ComplexMatrix& a);

}  // namespace xsrl

namespace xsrl {

struct SymmetricEigen {
    std::vector<double> values;  // ascending
    RealMatrix vectors;  // column k belongs to values[k], orthonormal
};

// A = V diag(values) V^T for a real symmetric A (its lower triangle is read), through LAPACK's
// dsyev; a LAPACK failure throws.
SymmetricEigen symmetricEigen(const RealMatrix& a);

}  // namespace xsrl
