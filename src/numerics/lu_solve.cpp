#include "numerics/lu_solve.h"

#include <limits>
#include <string>
#include <vector>

#include "support/errors.h"

namespace xsrl {

// LAPACK's Fortran interface; Complex is laid out as Fortran's COMPLEX*16 (two doubles).
// The general LU is used although the ribbon matrix is symmetric: the symmetric
// factorization of Debian's OpenBLAS 0.3.21 reads past the end of its work array on
// AVX-512 processors and crashes now and then.
extern "C" {
void zgetrf_(const int* m, const int* n, Complex* a, const int* lda, int* ipiv, int* info);
void zgetrs_(const char* trans, const int* n, const int* nrhs, const Complex* a, const int* lda, const int* ipiv,
             Complex* b, const int* ldb, int* info);
}

namespace {

void checkLapack(const char* routine, int info)
{
    if (info < 0)
        throw numericError(std::string("the LAPACK routine ") + routine + " refused its argument " +
                           std::to_string(-info));
}

}  // namespace

ComplexMatrix solveByLu(ComplexMatrix a, const ComplexMatrix& b, int* singularCount)
{
    static_assert(sizeof(Complex) == 2 * sizeof(double), "Complex must be laid out as two doubles");
    const int n = a.rows();
    const int m = b.cols();
    ComplexMatrix x = matrix(n, m);
    if (n == 0 || m == 0) return x;
    const std::size_t rowCount = static_cast<std::size_t>(n);
    const std::size_t columnCount = static_cast<std::size_t>(m);

    // LAPACK reads column by column, so it factors the transpose A^T = (L U)^T of the
    // row-major storage; solving A^T^T X = B is then the transposed solve.
    std::vector<int> pivots(rowCount);
    int info = 0;
    zgetrf_(&n, &n, a[0], &n, pivots.data(), &info);
    checkLapack("zgetrf", info);
    if (info > 0) {
        if (singularCount) ++*singularCount;
        const double nan = std::numeric_limits<double>::quiet_NaN();
        for (int i = 0; i < n; ++i)
            for (int q = 0; q < m; ++q) x[i][q] = Complex(nan, nan);
        return x;
    }

    std::vector<Complex> columns(rowCount * columnCount);
    for (int i = 0; i < n; ++i)
        for (std::size_t q = 0; q < columnCount; ++q) columns[q * rowCount + static_cast<std::size_t>(i)] = b[i][q];
    const char transposed = 'T';
    zgetrs_(&transposed, &n, &m, a[0], &n, pivots.data(), columns.data(), &n, &info);
    checkLapack("zgetrs", info);
    for (int i = 0; i < n; ++i)
        for (std::size_t q = 0; q < columnCount; ++q) x[i][q] = columns[q * rowCount + static_cast<std::size_t>(i)];
    return x;
}

}  // namespace xsrl
