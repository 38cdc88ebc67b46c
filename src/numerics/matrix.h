// Dense matrices in one contiguous row-major block, addressed m[i][j] from 0, and the
// inversion of complex matrices by Gaussian elimination with partial pivoting.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "numerics/complex.h"

namespace xsrl {

template <class Element>
class Matrix {
public:
    Matrix() = default;
    Matrix(int rows, int cols)
        : rows_(rows), cols_(cols), elements_(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols)) {}

    Matrix(const Matrix&) = default;
    Matrix& operator=(const Matrix&) = default;
    // A matrix that has been moved from (consumed) is left empty, 0 x 0.
    Matrix(Matrix&& other) noexcept
        : rows_(std::exchange(other.rows_, 0)), cols_(std::exchange(other.cols_, 0)),
          elements_(std::move(other.elements_))
    {
        other.elements_.clear();
    }
    Matrix& operator=(Matrix&& other) noexcept
    {
        rows_ = std::exchange(other.rows_, 0);
        cols_ = std::exchange(other.cols_, 0);
        elements_ = std::move(other.elements_);
        other.elements_.clear();
        return *this;
    }

    int rows() const { return rows_; }
    int cols() const { return cols_; }
    Element* operator[](int row) { return elements_.data() + static_cast<std::size_t>(row) * cols_; }
    const Element* operator[](int row) const { return elements_.data() + static_cast<std::size_t>(row) * cols_; }

private:
    int rows_ = 0;
    int cols_ = 0;
    std::vector<Element> elements_;
};

using RealMatrix = Matrix<double>;
using ComplexMatrix = Matrix<Complex>;

// New matrices with every element zero. A failed allocation ends the run (RunError on
// standard error, perror style): "squareMatrix: Out of memory", "dmatrix: Out of memory",
// "matrix: Out of memory".
RealMatrix squareMatrix(int n);
RealMatrix dmatrix(int rows, int cols);
ComplexMatrix matrix(int rows, int cols);

// Which inner loops the inversion runs: the fastest this processor has (AVX2 vectors where it
// has them) or plain scalar code. Both give the same bits; Plain is there for the tests.
enum class InnerLoops { Fastest, Plain };

// Reduces the square matrix a to upper-triangular form and applies the same row operations
// to b (same row count as a), every element exactly as the textbook loops do, over `threads`
// threads. A pivot column of zero modulus is reported on standard error ("Singular Matrix
// Error") and the elimination stops there; the run goes on.
void gaussEliminate(ComplexMatrix& a, ComplexMatrix& b, int threads, InnerLoops loops = InnerLoops::Fastest);

// The inverse of the square matrix a (consumed): the elimination of [a | I], then the back
// substitution of every column, over `threads` threads.
ComplexMatrix invertMatrix(ComplexMatrix a, int threads, InnerLoops loops = InnerLoops::Fastest);

}  // namespace xsrl
