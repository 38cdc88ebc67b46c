// Solving a large dense system of boundary elements through a hierarchical matrix (hmat-oss):
// the unknowns are grouped by where they sit in the plane, the blocks between groups far apart
// compared with their size are kept as products of low rank found by adaptive cross
// approximation (ACA+), and the whole is factored by the hierarchical LU. Memory and time grow
// about as n log n instead of n^2 and n^3. The matrix is compressed far more tightly than it is
// factored: the factors, a copy cut down to `tolerance`, only precondition; every solution is
// refined by the residuals of the tight matrix, to about `residualTolerance`.
#pragma once

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "numerics/matrix.h"
#include "xsrl/result.h"

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

    // X with A X = B, B n x m: solveByFactors refined against times (see refinedSolution).
    Matrix<Scalar> solve(const Matrix<Scalar>& b) const;
    // LU^-1 B, to about the factors' tolerance.
    Matrix<Scalar> solveByFactors(const Matrix<Scalar>& b) const;
    // A X, the matrix to the residual tolerance.
    Matrix<Scalar> times(const Matrix<Scalar>& x) const;
    // The entries the factors store, and their largest block rank.
    PanelSolveFigures figures() const;

private:
    std::unique_ptr<HmatObjects> hmat_;
    int n_ = 0;
};

// X with A X = B by refinement: X = approximate(B), then X += approximate(B - product(X)) as
// long as a turn shrinks the largest residual RefinementGain times at least (each leaves about
// the approximation's error of the residual before it, down to what the product and the
// rounding allow).
template <class Scalar, class Approximate, class Product>
Matrix<Scalar> refinedSolution(const Matrix<Scalar>& b, const Approximate& approximate, const Product& product)
{
    constexpr double RefinementGain = 10.0;
    constexpr int RefinementsAtMost = 8;
    Matrix<Scalar> x = approximate(b);
    double lastResidual = HUGE_VAL;
    for (int turn = 0; turn < RefinementsAtMost; ++turn) {
        Matrix<Scalar> residual = product(x);
        using std::abs;
        double largest = 0.0;
        for (int i = 0; i < b.rows(); ++i)
            for (int q = 0; q < b.cols(); ++q) {
                residual[i][q] = b[i][q] - residual[i][q];
                largest = std::max(largest, abs(residual[i][q]));
            }
        if (!(largest * RefinementGain < lastResidual)) break;
        lastResidual = largest;
        const Matrix<Scalar> correction = approximate(residual);
        for (int i = 0; i < b.rows(); ++i)
            for (int q = 0; q < b.cols(); ++q) x[i][q] = x[i][q] + correction[i][q];
    }
    return x;
}

extern template class HierarchicalLu<double>;
extern template class HierarchicalLu<Complex>;

// The bytes of memory the solve on n unknowns needs at most, with m right-hand sides and
// `scalarBytes` per entry (8 real, 16 complex): a bound of the compressed blocks measured on
// panel systems, plus the right-hand sides.
double hierarchicalSolveBytes(double n, int m, double scalarBytes);

}  // namespace xsrl
