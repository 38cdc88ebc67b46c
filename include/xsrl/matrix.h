// A dense matrix in one contiguous row-major block, addressed m[i][j] from 0: the matrices of
// the library's results (R, L, C, G) and of its solver.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace xsrl {

template <class Element>
class Matrix {
public:
    Matrix() = default;
    Matrix(int rows, int cols)
        : rows_(rows), cols_(cols), elements_(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols))
    {}

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
    Element* operator[](int row)
    {
        return elements_.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(cols_);
    }
    const Element* operator[](int row) const
    {
        return elements_.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(cols_);
    }

private:
    int rows_ = 0;
    int cols_ = 0;
    std::vector<Element> elements_;
};

using RealMatrix = Matrix<double>;

}  // namespace xsrl
