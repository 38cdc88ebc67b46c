// Solving a large dense system of boundary elements through a hierarchical matrix (hmat-oss):
// the unknowns are grouped by where they sit in the plane, the blocks between groups far apart
// compared with their size are kept as products of low rank found by adaptive cross
// approximation (ACA+), and the whole is factored by the hierarchical LU. Memory and time grow
// about as n log n instead of n^2 and n^3. The matrix is compressed far more tightly than it is
// factored: the factors, a copy cut down to `tolerance`, only precondition; every solution is
// refined by the residuals of the tight matrix, to about `residualTolerance`.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "numerics/matrix.h"

namespace xsrl {

struct HierarchicalSystem {
    std::vector<double> coordinates;  // x0, y0, x1, y1, ...: where each unknown sits
    double tolerance = 0.0;  // relative, of every block of the factors
    double residualTolerance = 0.0;  // relative, of every block of the matrix the residuals come from
};

struct HmatObjects;

// A matrix A compressed and factored once, for as many solves as wanted.
template <class Scalar>
class HierarchicalLu {
public:
    // A n x n given entry by entry (`entry(row, column)`, every one asked for at most once or
    // twice, many never). `progress`, when given, is told the share done (0 to 1) as the
    // compression and the factoring go on. A singular A throws a numeric Error.
    HierarchicalLu(const HierarchicalSystem& system, const std::function<Scalar(int, int)>& entry,
                   const std::function<void(double)>& progress);
    ~HierarchicalLu();
    HierarchicalLu(const HierarchicalLu&) = delete;
    HierarchicalLu& operator=(const HierarchicalLu&) = delete;

    // X with A X = B, B n x m: X = LU^-1 B, then X += LU^-1 (B - A X) while the residual shrinks.
    Matrix<Scalar> solve(const Matrix<Scalar>& b) const;

private:
    std::unique_ptr<HmatObjects> hmat_;
    int n_ = 0;
};

extern template class HierarchicalLu<double>;
extern template class HierarchicalLu<Complex>;

// The bytes of memory the solve on n unknowns needs at most, with m right-hand sides and
// `scalarBytes` per entry (8 real, 16 complex): a bound of the compressed blocks measured on
// panel systems, plus the right-hand sides.
double hierarchicalSolveBytes(double n, int m, double scalarBytes);

}  // namespace xsrl
