// Solving a large dense system of boundary elements through a hierarchical matrix (hmat-oss):
// the unknowns are grouped by where they sit in the plane, the blocks between groups far apart
// compared with their size are kept as products of low rank found by adaptive cross
// approximation (ACA+), and the whole is factored by the hierarchical LU. Memory and time grow
// about as n log n instead of n^2 and n^3; the price is an error of about `tolerance` relative
// in every block, for the factors as for the matrix.
#pragma once

#include <functional>
#include <vector>

#include "numerics/matrix.h"

namespace xsrl {

struct HierarchicalSystem {
    std::vector<double> coordinates;  // x0, y0, x1, y1, ...: where each unknown sits
    double tolerance = 1e-10;  // relative, of the compression of every block and of the factors
};

// X with A X = B, A n x n given entry by entry (`entry(row, column)`, every one asked for at
// most once or twice, many never), B n x m. `progress`, when given, is told the share done
// (0 to 1) as the compression and the factoring go on. A singular A throws a numeric Error.
RealMatrix solveHierarchical(const HierarchicalSystem& system, const std::function<double(int, int)>& entry,
                             const RealMatrix& b, const std::function<void(double)>& progress);
ComplexMatrix solveHierarchical(const HierarchicalSystem& system, const std::function<Complex(int, int)>& entry,
                                const ComplexMatrix& b, const std::function<void(double)>& progress);

// The bytes of memory the solve on n unknowns needs at most, with m right-hand sides and
// `scalarBytes` per entry (8 real, 16 complex): a bound of the compressed blocks measured on
// panel systems, plus the right-hand sides.
double hierarchicalSolveBytes(double n, int m, double scalarBytes);

}  // namespace xsrl
