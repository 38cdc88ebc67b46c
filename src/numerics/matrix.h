// Complex matrices and the inversion of complex matrices by Gaussian elimination with partial
// pivoting.
#pragma once

#include <cstddef>
#include <vector>

#include "numerics/complex.h"
#include "xsrl/matrix.h"

namespace xsrl {

using ComplexMatrix = Matrix<Complex>;

// New matrices with every element zero. A failed allocation throws an Error of category
// MatrixAllocation: "squareMatrix: Out of memory: <reason>", likewise "dmatrix", "matrix".
RealMatrix squareMatrix(int n);
RealMatrix dmatrix(int rows, int cols);
ComplexMatrix matrix(int rows, int cols);

// The entries of a column after column, as LAPACK and hmat store a matrix.
template <class Scalar>
std::vector<Scalar> byColumns(const Matrix<Scalar>& a)
{
    const std::size_t rows = static_cast<std::size_t>(a.rows());
    std::vector<Scalar> columns(rows * static_cast<std::size_t>(a.cols()));
    for (int i = 0; i < a.rows(); ++i)
        for (std::size_t q = 0; q < static_cast<std::size_t>(a.cols()); ++q)
            columns[q * rows + static_cast<std::size_t>(i)] = a[i][q];
    return columns;
}

// The rows x cols matrix stored column after column in `columns`.
template <class Scalar>
Matrix<Scalar> fromColumns(const std::vector<Scalar>& columns, int rows, int cols)
{
    Matrix<Scalar> a(rows, cols);
    const std::size_t stride = static_cast<std::size_t>(rows);
    for (int i = 0; i < rows; ++i)
        for (std::size_t q = 0; q < static_cast<std::size_t>(cols); ++q)
            a[i][q] = columns[q * stride + static_cast<std::size_t>(i)];
    return a;
}

// The product a b, each sum in ascending order.
ComplexMatrix product(const ComplexMatrix& a, const ComplexMatrix& b);

// a + j omega b, entry by entry: R + j omega L, G + j omega C.
ComplexMatrix immittance(const RealMatrix& a, double omega, const RealMatrix& b);

// Which inner loops the inversion runs: the fastest this processor has (AVX2 vectors where it
// has them) or plain scalar code. Both give the same bits; Plain is there for the tests.
enum class InnerLoops { Fastest, Plain };

// Reduces the square matrix a to upper-triangular form and applies the same row operations
// to b (same row count as a), every element exactly as the textbook loops do, over `threads`
// threads. At a pivot column of zero modulus the elimination stops and returns false (the
// matrix is singular); the caller goes on with what it has.
bool gaussEliminate(ComplexMatrix& a, ComplexMatrix& b, int threads, InnerLoops loops = InnerLoops::Fastest);

// The inverse of the square matrix a (consumed): the elimination of [a | I], then the back
// substitution of every column, over `threads` threads. A singular matrix gives elements that
// are not finite and adds one to `*singularCount` when that is given.
ComplexMatrix invertMatrix(ComplexMatrix a, int threads, InnerLoops loops = InnerLoops::Fastest,
                           int* singularCount = nullptr);

}  // namespace xsrl
