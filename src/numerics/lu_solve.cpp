#include "numerics/lu_solve.h"

#include <algorithm>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "support/errors.h"

namespace xsrl {

// LAPACK's Fortran interface; Complex is laid out as Fortran's COMPLEX*16 (two doubles).
// The general LU is used although the ribbon matrix is symmetric: the symmetric
// factorization of Debian's OpenBLAS 0.3.21 reads past the end of its work array on
// AVX-512 processors and crashes now and then.
extern "C" {
void dgetrf_(const int* m, const int* n, double* a, const int* lda, int* ipiv, int* info);
void dgetrs_(const char* trans, const int* n, const int* nrhs, const double* a, const int* lda, const int* ipiv,
             double* b, const int* ldb, int* info);
void zgetrf_(const int* m, const int* n, Complex* a, const int* lda, int* ipiv, int* info);
void zgetrs_(const char* trans, const int* n, const int* nrhs, const Complex* a, const int* lda, const int* ipiv,
             Complex* b, const int* ldb, int* info);
void zlaswp_(const int* n, Complex* a, const int* lda, const int* k1, const int* k2, const int* ipiv, const int* incx);
void ztrsm_(const char* side, const char* uplo, const char* transa, const char* diag, const int* m, const int* n,
            const Complex* alpha, const Complex* a, const int* lda, Complex* b, const int* ldb);
void zgemm_(const char* transa, const char* transb, const int* m, const int* n, const int* k, const Complex* alpha,
            const Complex* a, const int* lda, const Complex* b, const int* ldb, const Complex* beta, Complex* c,
            const int* ldc);
}

namespace {

void checkLapack(const char* routine, int info)
{
    if (info < 0)
        throw numericError(std::string("the LAPACK routine ") + routine + " refused its argument " +
                           std::to_string(-info));
}

void getrf(int n, double* a, int* pivots, int* info) { dgetrf_(&n, &n, a, &n, pivots, info); }
void getrf(int n, Complex* a, int* pivots, int* info) { zgetrf_(&n, &n, a, &n, pivots, info); }

// LAPACK reads column by column, so it factors the transpose A^T = (L U)^T of the row-major
// storage; solving A^T^T X = B is then the transposed solve.
void getrsTransposed(int n, int m, const double* a, const int* pivots, double* b, int* info)
{
    dgetrs_("T", &n, &m, a, &n, pivots, b, &n, info);
}
void getrsTransposed(int n, int m, const Complex* a, const int* pivots, Complex* b, int* info)
{
    zgetrs_("T", &n, &m, a, &n, pivots, b, &n, info);
}

// X with A X = B, the factors of A in `a`.
template <class Scalar>
Matrix<Scalar> solveFactored(const Matrix<Scalar>& a, const std::vector<int>& pivots, const Matrix<Scalar>& b)
{
    const int n = a.rows();
    const int m = b.cols();
    std::vector<Scalar> columns = byColumns(b);
    int info = 0;
    getrsTransposed(n, m, a[0], pivots.data(), columns.data(), &info);
    checkLapack("getrs", info);
    return fromColumns(columns, n, m);
}

void setNotANumber(double& x) { x = std::numeric_limits<double>::quiet_NaN(); }
void setNotANumber(Complex& z) { setNotANumber(z.re), setNotANumber(z.im); }

template <class Scalar>
Matrix<Scalar> singularSolution(int n, int m, int* singularCount)
{
    if (singularCount) ++*singularCount;
    Matrix<Scalar> x(n, m);
    for (int i = 0; i < n; ++i)
        for (int q = 0; q < m; ++q) setNotANumber(x[i][q]);
    return x;
}

template <class Scalar>
Matrix<Scalar> solveByLuOf(Matrix<Scalar> a, const Matrix<Scalar>& b, int* singularCount)
{
    const int n = a.rows();
    const int m = b.cols();
    if (n == 0 || m == 0) return Matrix<Scalar>(n, m);
    std::vector<int> pivots(static_cast<std::size_t>(n));
    int info = 0;
    getrf(n, a[0], pivots.data(), &info);
    checkLapack("getrf", info);
    if (info > 0) return singularSolution<Scalar>(n, m, singularCount);
    return solveFactored(a, pivots, b);
}

// The right-looking blocked LU of LAPACK's zgetrf, one block of columns (of the column-major
// matrix LAPACK sees) at a time: the block factored, its row swaps applied to the columns on
// either side, the block row solved and the rest updated. Returns zgetrf's info.
int factorInBlocks(ComplexMatrix& a, std::vector<int>& pivots, int blockWidth,
                   const std::function<void(double)>& progress)
{
    const int n = a.rows();
    const Complex one(1.0, 0.0);
    const Complex minusOne(-1.0, 0.0);
    const int increment = 1;
    // Column j of the column-major matrix starts at a[0] + j n.
    auto at = [&](int i, int j) { return a[0] + static_cast<std::size_t>(j) * static_cast<std::size_t>(n) + i; };
    int info = 0;
    for (int k = 0; k < n; k += blockWidth) {
        const int width = std::min(blockWidth, n - k);
        const int below = n - k;
        int blockInfo = 0;
        zgetrf_(&below, &width, at(k, k), &n, pivots.data() + k, &blockInfo);
        checkLapack("zgetrf", blockInfo);
        if (blockInfo > 0 && info == 0) info = blockInfo + k;
        for (int i = k; i < k + width; ++i) pivots[static_cast<std::size_t>(i)] += k;
        const int first = k + 1;
        const int last = k + width;
        if (k > 0) zlaswp_(&k, at(0, 0), &n, &first, &last, pivots.data(), &increment);
        const int rest = n - k - width;
        if (rest > 0) {
            zlaswp_(&rest, at(0, k + width), &n, &first, &last, pivots.data(), &increment);
            ztrsm_("L", "L", "N", "U", &width, &rest, &one, at(k, k), &n, at(k, k + width), &n);
            zgemm_("N", "N", &rest, &rest, &width, &minusOne, at(k + width, k), &n, at(k, k + width), &n, &one,
                   at(k + width, k + width), &n);
        }
        // A block's update grows as the square of the columns left, so the share of the work
        // done is 1 - (left / n)^3.
        const double left = static_cast<double>(rest) / n;
        progress(1.0 - left * left * left);
    }
    return info;
}

}  // namespace

ComplexMatrix solveByLu(ComplexMatrix a, const ComplexMatrix& b, int* singularCount)
{
    static_assert(sizeof(Complex) == 2 * sizeof(double), "Complex must be laid out as two doubles");
    return solveByLuOf(std::move(a), b, singularCount);
}

RealMatrix solveByLu(RealMatrix a, const RealMatrix& b, int* singularCount)
{
    return solveByLuOf(std::move(a), b, singularCount);
}

ComplexMatrix solveByLuInBlocks(ComplexMatrix a, const ComplexMatrix& b, const std::function<void(double)>& progress)
{
    const int n = a.rows();
    const int m = b.cols();
    if (n <= WholeFactoringUpTo || m == 0) {
        ComplexMatrix x = solveByLu(std::move(a), b);
        progress(1.0);
        return x;
    }
    std::vector<int> pivots(static_cast<std::size_t>(n));
    // Wide enough for the update to run near the speed of one factoring call.
    const int blockWidth = 128;
    if (factorInBlocks(a, pivots, blockWidth, progress) > 0) return singularSolution<Complex>(n, m, nullptr);
    return solveFactored(a, pivots, b);
}

}  // namespace xsrl
