#include "numerics/nonnegative_least_squares.h"

#include <gtest/gtest.h>

namespace xsrl {

namespace {

RealMatrix rows(std::initializer_list<std::initializer_list<double>> values)
{
    RealMatrix m = dmatrix(static_cast<int>(values.size()), static_cast<int>(values.begin()->size()));
    int i = 0;
    for (const auto& row : values) {
        int j = 0;
        for (const double v : row) m[i][j++] = v;
        ++i;
    }
    return m;
}

}  // namespace

TEST(NonNegativeLeastSquares, MeetsTheOptimalityConditions)
{
    const RealMatrix a = rows({{1, 2, 0.5}, {0.3, 1, 2}, {2, 0.1, 1}, {1, 1, 1}, {0.5, -1, 3}});
    // A consistent system with a positive solution is solved exactly.
    const std::vector<double> exact{0.7, 1.5, 0.25};
    std::vector<double> b(5, 0.0);
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 3; ++j) b[static_cast<std::size_t>(i)] += a[i][j] * exact[static_cast<std::size_t>(j)];
    const std::vector<double> x = nonNegativeLeastSquares(a, b);
    for (std::size_t j = 0; j < 3; ++j) EXPECT_NEAR(x[j], exact[j], 1e-12);

    // One whose unconstrained solution has a negative entry: that entry is held at zero and the
    // gradient A^T (A x - b) vanishes on the free entries and is positive on the held ones.
    const std::vector<double> c{-1.0, 2.0, 0.5, 0.2, -3.0};
    const std::vector<double> y = nonNegativeLeastSquares(a, c);
    std::vector<double> residual = c;
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 3; ++j) residual[static_cast<std::size_t>(i)] -= a[i][j] * y[static_cast<std::size_t>(j)];
    int held = 0;
    for (int j = 0; j < 3; ++j) {
        double gradient = 0.0;
        for (int i = 0; i < 5; ++i) gradient -= a[i][j] * residual[static_cast<std::size_t>(i)];
        EXPECT_GE(y[static_cast<std::size_t>(j)], 0.0);
        if (y[static_cast<std::size_t>(j)] == 0.0) {
            ++held;
            EXPECT_GT(gradient, 0.0);
        } else {
            EXPECT_NEAR(gradient, 0.0, 1e-12);
        }
    }
    EXPECT_GE(held, 1);
}

}  // namespace xsrl
