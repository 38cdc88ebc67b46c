#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <utility>

#include "model/run_error.h"
#include "numerics/matrix.h"

namespace {

ComplexMatrix fromRows(std::initializer_list<std::initializer_list<Complex>> rows)
{
    ComplexMatrix m = matrix(static_cast<int>(rows.size()), static_cast<int>(rows.begin()->size()));
    int i = 0;
    for (const auto& row : rows) {
        int j = 0;
        for (Complex value : row) m[i][j++] = value;
        ++i;
    }
    return m;
}

ComplexMatrix randomMatrix(int n, unsigned seed, double diagonal)
{
    std::mt19937_64 generator(seed);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    ComplexMatrix m = matrix(n, n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) m[i][j] = Complex(uniform(generator), uniform(generator));
    for (int i = 0; i < n; ++i) m[i][i] = m[i][i] + diagonal;
    return m;
}

bool sameBits(const ComplexMatrix& x, const ComplexMatrix& y)
{
    return x.rows() == y.rows() && x.cols() == y.cols() &&
           (x.rows() == 0 || std::memcmp(x[0], y[0], sizeof(Complex) * x.rows() * x.cols()) == 0);
}

// The textbook elimination and back substitution, one element after another: the order of
// operations every element must reproduce to the bit.
void textbookEliminate(ComplexMatrix& a, ComplexMatrix& b)
{
    const int n = a.rows();
    for (int k = 0; k < n; ++k) {
        double max = 0.0;
        int p = k;
        for (int i = k; i < n; ++i) {
            if (abs(a[i][k]) > max) {
                max = abs(a[i][k]);
                p = i;
            }
        }
        if (max == 0.0) return;
        for (int j = k; j < n; ++j) std::swap(a[k][j], a[p][j]);
        for (int j = 0; j < b.cols(); ++j) std::swap(b[k][j], b[p][j]);
        for (int i = k + 1; i < n; ++i) {
            const Complex f = a[i][k] / a[k][k];
            for (int j = k; j < n; ++j) a[i][j] = a[i][j] - f * a[k][j];
            for (int j = 0; j < b.cols(); ++j) b[i][j] = b[i][j] - f * b[k][j];
        }
    }
}

ComplexMatrix textbookInverse(ComplexMatrix a)
{
    const int n = a.rows();
    ComplexMatrix b = matrix(n, n);
    for (int i = 0; i < n; ++i) b[i][i] = Complex(1.0, 0.0);
    textbookEliminate(a, b);
    ComplexMatrix x = matrix(n, n);
    for (int q = 0; q < n; ++q) {
        x[n - 1][q] = b[n - 1][q] / a[n - 1][n - 1];
        for (int r = n - 2; r >= 0; --r) {
            Complex s(0.0, 0.0);
            for (int j = r + 1; j < n; ++j) s = s + x[j][q] * a[r][j];
            x[r][q] = (b[r][q] - s) / a[r][r];
        }
    }
    return x;
}

void expectExactly(const ComplexMatrix& m, int i, int j, Complex value)
{
    EXPECT_EQ(real(m[i][j]), value.re) << i << "," << j;
    EXPECT_EQ(imag(m[i][j]), value.im) << i << "," << j;
}

}  // namespace

TEST(NumericsMatrix, AllocationSizesAndFailure)
{
    EXPECT_EQ(matrix(0, 5).rows(), 0);
    EXPECT_EQ(dmatrix(2, 3).cols(), 3);
    auto message = [](auto allocate) -> std::string {
        try {
            allocate();
        } catch (const RunError& error) {
            return (error.stream() == RunError::Stream::Err ? "err " : "out ") + std::string(error.what());
        }
        return "no error";
    };
    EXPECT_EQ(message([] { matrix(1 << 30, 1 << 30); }).rfind("err matrix: Out of memory: ", 0), 0u);
    EXPECT_EQ(message([] { dmatrix(-1, 3); }).rfind("err dmatrix: Out of memory: ", 0), 0u);
}

TEST(NumericsMatrix, SmallKnownInverses)
{
    ComplexMatrix two = invertMatrix(fromRows({{Complex(2, 0)}}));
    expectExactly(two, 0, 0, Complex(0.5, 0));
    ComplexMatrix unit = invertMatrix(fromRows({{Complex(0, 1)}}));
    expectExactly(unit, 0, 0, Complex(0, -1));

    // A zero in the first pivot position takes one row exchange.
    ComplexMatrix exchange = invertMatrix(fromRows({{Complex(0, 0), Complex(1, 0)}, {Complex(1, 0), Complex(0, 0)}}));
    expectExactly(exchange, 0, 0, Complex(0, 0));
    expectExactly(exchange, 0, 1, Complex(1, 0));
    expectExactly(exchange, 1, 0, Complex(1, 0));
    expectExactly(exchange, 1, 1, Complex(0, 0));
}

TEST(NumericsMatrix, PivotIsTheFirstRowOfStrictlyLargestModulus)
{
    // Equal moduli: row 0 stays the pivot row, so B's rows are not exchanged.
    ComplexMatrix a = fromRows({{Complex(1, 0), Complex(2, 0)}, {Complex(0, 1), Complex(3, 0)}});
    ComplexMatrix b = fromRows({{Complex(1, 0), Complex(0, 0)}, {Complex(0, 0), Complex(1, 0)}});
    gaussEliminate(a, b);
    expectExactly(b, 0, 0, Complex(1, 0));
    expectExactly(a, 0, 1, Complex(2, 0));

    // A larger modulus further down wins; among equals the first of them.
    a = fromRows({{Complex(1, 0), Complex(1, 0), Complex(0, 0)},
                  {Complex(0, 2), Complex(2, 0), Complex(0, 0)},
                  {Complex(2, 0), Complex(3, 0), Complex(1, 0)}});
    b = fromRows({{Complex(1, 0)}, {Complex(2, 0)}, {Complex(3, 0)}});
    gaussEliminate(a, b);
    expectExactly(b, 0, 0, Complex(2, 0));
    expectExactly(a, 0, 1, Complex(2, 0));
}

TEST(NumericsMatrix, RandomMatrixTimesInverseIsIdentity)
{
    const int n = 60;
    const ComplexMatrix a = randomMatrix(n, 7, 4.0);
    const ComplexMatrix x = invertMatrix(ComplexMatrix(a));
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            Complex sum(0.0, 0.0);
            for (int k = 0; k < n; ++k) sum = sum + a[i][k] * x[k][j];
            EXPECT_NEAR(real(sum), i == j ? 1.0 : 0.0, 1e-12);
            EXPECT_NEAR(imag(sum), 0.0, 1e-12);
        }
    }
}

TEST(NumericsMatrix, InverseMatchesTheTextbookOrderToTheBit)
{
    // Sizes across the panel and chunk widths, and large enough to be split over threads.
    for (int n : {1, 2, 31, 33, 70, 300}) {
        const ComplexMatrix a = randomMatrix(n, 100 + n, n % 2 == 0 ? 0.0 : 1.5);
        EXPECT_TRUE(sameBits(invertMatrix(ComplexMatrix(a)), textbookInverse(a))) << n;
    }
    // A pivot so small that its squared modulus underflows: the multipliers are not finite,
    // the NaNs must spread exactly as in the textbook loops, and the next column is singular.
    ComplexMatrix tiny = randomMatrix(40, 5, 0.0);
    for (int i = 0; i < 40; ++i) tiny[i][3] = Complex(1e-170 * tiny[i][3].re, 0.0);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(sameBits(invertMatrix(ComplexMatrix(tiny)), textbookInverse(tiny)));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Singular"), std::string::npos);
}

TEST(NumericsMatrix, EliminationOfAnyRightHandSideMatchesTheTextbookOrder)
{
    const int n = 70;
    ComplexMatrix a = randomMatrix(n, 11, 0.5);
    ComplexMatrix b = matrix(n, 5);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < 5; ++j) b[i][j] = Complex(i - j, i * j);
    ComplexMatrix textbookA = a;
    ComplexMatrix textbookB = b;
    gaussEliminate(a, b);
    textbookEliminate(textbookA, textbookB);
    EXPECT_TRUE(sameBits(a, textbookA));
    EXPECT_TRUE(sameBits(b, textbookB));
}

TEST(NumericsMatrix, SingularColumnIsReportedOnceAndTheRunGoesOn)
{
    for (int zeroColumn : {0, 40}) {
        const int n = 50;
        ComplexMatrix a = randomMatrix(n, 3, 2.0);
        for (int i = 0; i < n; ++i) a[i][zeroColumn] = Complex(0.0, 0.0);
        const ComplexMatrix copy = a;
        testing::internal::CaptureStderr();
        const ComplexMatrix x = invertMatrix(std::move(a));
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(err.rfind("\nSingular Matrix Error **\n: ", 0), 0u) << err;
        EXPECT_EQ(err.find("Singular", 1), err.rfind("Singular"));
        EXPECT_TRUE(std::isnan(real(x[0][0])));
        // A column found singular inside a panel leaves the rows as the textbook loops do.
        EXPECT_TRUE(sameBits(x, textbookInverse(copy)));
    }
}

TEST(NumericsMatrix, InversionConsumesItsArgument)
{
    ComplexMatrix a = fromRows({{Complex(2, 0)}});
    const ComplexMatrix x = invertMatrix(std::move(a));
    EXPECT_EQ(a.rows(), 0);  // NOLINT: checking the moved-from state on purpose
    EXPECT_EQ(x.rows(), 1);
}
