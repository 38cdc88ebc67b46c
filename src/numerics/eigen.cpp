#include "numerics/eigen.h"

#include <string>
#include <vector>

#include "support/errors.h"

namespace xsrl {

extern "C" {
void zgeev_(const char* jobvl, const char* jobvr, const int* n, Complex* a, const int* lda, Complex* w, Complex* vl,
            const int* ldvl, Complex* vr, const int* ldvr, Complex* work, const int* lwork, double* rwork, int* info);
}

EigenDecomposition eigenDecompose(const ComplexMatrix& a)
{
    const int n = a.rows();
    const std::size_t dim = static_cast<std::size_t>(n);
    EigenDecomposition result{std::vector<Complex>(dim), matrix(n, n)};
    if (n == 0) return result;

    std::vector<Complex> columns = byColumns(a);
    std::vector<Complex> vectors(dim * dim);
    std::vector<double> realWork(2 * dim);
    const char none = 'N', wanted = 'V';
    const int one = 1;
    int info = 0;

    int size = -1;
    Complex optimal;
    zgeev_(&none, &wanted, &n, columns.data(), &n, result.values.data(), nullptr, &one, vectors.data(), &n, &optimal,
           &size, realWork.data(), &info);
    size = info == 0 ? static_cast<int>(optimal.re) : 2 * n;
    std::vector<Complex> work(static_cast<std::size_t>(size));
    zgeev_(&none, &wanted, &n, columns.data(), &n, result.values.data(), nullptr, &one, vectors.data(), &n, work.data(),
           &size, realWork.data(), &info);
    if (info != 0) throw numericError("the LAPACK routine zgeev failed (info " + std::to_string(info) + ")");

    result.vectors = fromColumns(vectors, n, n);
    return result;
}

extern "C" {
void dsyev_(const char* jobz, const char* uplo, const int* n, double* a, const int* lda, double* w, double* work,
            const int* lwork, int* info);
}

SymmetricEigen symmetricEigen(const RealMatrix& a)
{
    const int n = a.rows();
    const std::size_t dim = static_cast<std::size_t>(n);
    SymmetricEigen result{std::vector<double>(dim), dmatrix(n, n)};
    if (n == 0) return result;
    std::vector<double> columns = byColumns(a);
    const char wanted = 'V', lower = 'L';
    int info = 0, size = -1;
    double optimal = 0.0;
    dsyev_(&wanted, &lower, &n, columns.data(), &n, result.values.data(), &optimal, &size, &info);
    size = info == 0 ? static_cast<int>(optimal) : 3 * n;
    std::vector<double> work(static_cast<std::size_t>(size));
    dsyev_(&wanted, &lower, &n, columns.data(), &n, result.values.data(), work.data(), &size, &info);
    if (info != 0) throw numericError("the LAPACK routine dsyev failed (info " + std::to_string(info) + ")");
    result.vectors = fromColumns(columns, n, n);
    return result;
}

}  // namespace xsrl
