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
// operations every element of the inverse must reproduce to the bit.
ComplexMatrix textbookInverse(ComplexMatrix a)
{
    const int n = a.rows();
    ComplexMatrix b = matrix(n, n);
    for (int i = 0; i < n; ++i) b[i][i] = Complex(1.0, 0.0);
    for (int k = 0; k < n; ++k) {
        double max = 0.0;
        int p = k;
        for (int i = k; i < n; ++i) {
            if (abs(a[i][k]) > max) {
                max = abs(a[i][k]);
                p = i;
            }
        }
        if (max == 0.0) break;
        for (int j = k; j < n; ++j) std::swap(a[k][j], a[p][j]);
        for (int j = 0; j < n; ++j) std::swap(b[k][j], b[p][j]);
        for (int i = k + 1; i < n; ++i) {
            const Complex f = a[i][k] / a[k][k];
            for (int j = k; j < n; ++j) a[i][j] = a[i][j] - f * a[k][j];
            for (int j = 0; j < n; ++j) b[i][j] = b[i][j] - f * b[k][j];
        }
    }
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
    const ComplexMatrix empty = matrix(0, 5);
    EXPECT_EQ(empty.rows(), 0);
    const RealMatrix work = dmatrix(2, 3);
    EXPECT_EQ(work.rows(), 2);
    EXPECT_EQ(work.cols(), 3);
    EXPECT_EQ(squareMatrix(4).cols(), 4);
    try {
        matrix(1 << 30, 1 << 30);
        FAIL() << "no error";
    } catch (const RunError& error) {
        EXPECT_EQ(error.stream(), RunError::Stream::Err);
        EXPECT_EQ(std::string(error.what()).rfind("matrix: Out of memory: ", 0), 0u) << error.what();
    }
    try {
        dmatrix(-1, 3);
        FAIL() << "no error";
    } catch (const RunError& error) {
        EXPECT_EQ(std::string(error.what()).rfind("dmatrix: Out of memory: ", 0), 0u) << error.what();
    }
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

TEST(NumericsMatrix, ExchangeLeavesColumnsLeftOfThePivotInPlace)
{
    // Step 0 leaves rounding residues in column 0 of rows 1 and 2; step 1 exchanges rows 1
    // and 2 from column 1 on only, so the residues stay in their rows.
    const Complex a00(0.3, 0.7), a10(0.1, 0.2), a20(0.2, 0.1);
    ComplexMatrix a = fromRows({{a00, Complex(0, 0), Complex(1, 0)},
                                {a10, Complex(0.5, 0), Complex(1, 0)},
                                {a20, Complex(4, 0), Complex(1, 1)}});
    ComplexMatrix b = matrix(3, 1);
    const Complex residue1 = a10 - (a10 / a00) * a00;
    const Complex residue2 = a20 - (a20 / a00) * a00;
    ASSERT_FALSE(residue1.re == residue2.re && residue1.im == residue2.im);
    gaussEliminate(a, b);
    expectExactly(a, 1, 0, residue1);
    expectExactly(a, 2, 0, residue2);
    expectExactly(a, 1, 1, Complex(4, 0));
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
        testing::internal::CaptureStderr();
        EXPECT_TRUE(sameBits(x, textbookInverse(copy)));
        testing::internal::GetCapturedStderr();
    }
}

TEST(NumericsMatrix, InversionConsumesItsArgument)
{
    ComplexMatrix a = fromRows({{Complex(2, 0)}});
    const ComplexMatrix x = invertMatrix(std::move(a));
    EXPECT_EQ(a.rows(), 0);  // NOLINT: checking the moved-from state on purpose
    EXPECT_EQ(x.rows(), 1);
}
