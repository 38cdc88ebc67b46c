#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "numerics/inversion_kernels.h"
#include "numerics/matrix.h"
#include "numerics/textbook_inverse.h"
#include "xsrl/error.h"

namespace xsrl {

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

// The same bits, or NaN both: of two NaN operands, the processor passes on the first, and the
// compiler may exchange the operands of a sum or product (IEEE 754 leaves the choice open).
bool sameValue(double x, double y) { return std::memcmp(&x, &y, sizeof x) == 0 || (std::isnan(x) && std::isnan(y)); }

// The inversion by either inner loops, on one thread or on three.
struct Way {
    InnerLoops loops;
    int threads;
};
const Way EveryWay[] = {
    {InnerLoops::Fastest, 1}, {InnerLoops::Fastest, 3}, {InnerLoops::Plain, 1}, {InnerLoops::Plain, 3}};

std::ostream& operator<<(std::ostream& out, const Way& way)
{
    return out << (way.loops == InnerLoops::Plain ? " plain, " : " fastest, ") << way.threads << " threads";
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
        } catch (const Error& error) {
            return (error.category() == ErrorCategory::MatrixAllocation ? "allocation " : "other ") +
                   std::string(error.what());
        }
        return "no error";
    };
    EXPECT_EQ(message([] { matrix(1 << 30, 1 << 30); }), "allocation matrix: Out of memory: Cannot allocate memory");
    EXPECT_EQ(message([] { dmatrix(-1, 3); }), "allocation dmatrix: Out of memory: Cannot allocate memory");
    EXPECT_EQ(message([] { squareMatrix(-2); }), "allocation squareMatrix: Out of memory: Cannot allocate memory");
}

TEST(NumericsMatrix, SmallKnownInverses)
{
    ComplexMatrix two = invertMatrix(fromRows({{Complex(2, 0)}}), 1);
    expectExactly(two, 0, 0, Complex(0.5, 0));
    ComplexMatrix unit = invertMatrix(fromRows({{Complex(0, 1)}}), 1);
    expectExactly(unit, 0, 0, Complex(0, -1));

    // A zero in the first pivot position takes one row exchange.
    ComplexMatrix exchange =
        invertMatrix(fromRows({{Complex(0, 0), Complex(1, 0)}, {Complex(1, 0), Complex(0, 0)}}), 1);
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
    EXPECT_TRUE(gaussEliminate(a, b, 1));
    expectExactly(b, 0, 0, Complex(1, 0));
    expectExactly(a, 0, 1, Complex(2, 0));

    // A larger modulus further down wins; among equals the first of them.
    a = fromRows({{Complex(1, 0), Complex(1, 0), Complex(0, 0)},
                  {Complex(0, 2), Complex(2, 0), Complex(0, 0)},
                  {Complex(2, 0), Complex(3, 0), Complex(1, 0)}});
    b = fromRows({{Complex(1, 0)}, {Complex(2, 0)}, {Complex(3, 0)}});
    gaussEliminate(a, b, 1);
    expectExactly(b, 0, 0, Complex(2, 0));
    expectExactly(a, 0, 1, Complex(2, 0));
}

TEST(NumericsMatrix, RandomMatrixTimesInverseIsIdentity)
{
    const int n = 60;
    const ComplexMatrix a = randomMatrix(n, 7, 4.0);
    const ComplexMatrix x = invertMatrix(ComplexMatrix(a), 1);
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
    // 531 leaves a tail at every blocking: a last panel of 19 columns, an odd row below a pair,
    // columns past the chunk, the strip and the solve width; and it is work enough for three
    // threads.
    for (int n : {1, 2, 31, 33, 70, 300, 531}) {
        const ComplexMatrix a = randomMatrix(n, 100 + n, n % 2 == 0 ? 0.0 : 1.5);
        const ComplexMatrix reference = textbookInverse(a);
        for (const Way& way : EveryWay) {
            int singular = 0;
            EXPECT_TRUE(sameBits(invertMatrix(ComplexMatrix(a), way.threads, way.loops, &singular), reference))
                << n << way;
            EXPECT_EQ(singular, 0) << n << way;
        }
    }
    // A pivot so small that its squared modulus underflows: the multipliers are not finite,
    // the NaNs must spread exactly as in the textbook loops, and the next column is singular.
    ComplexMatrix tiny = randomMatrix(40, 5, 0.0);
    for (int i = 0; i < 40; ++i) tiny[i][3] = Complex(1e-170 * tiny[i][3].re, 0.0);
    const ComplexMatrix reference = textbookInverse(tiny);
    for (const Way& way : EveryWay) {
        int singular = 0;
        testing::internal::CaptureStderr();
        EXPECT_TRUE(sameBits(invertMatrix(ComplexMatrix(tiny), way.threads, way.loops, &singular), reference)) << way;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << way;
        EXPECT_EQ(singular, 1) << way;
    }
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
    textbookEliminate(textbookA, textbookB);
    for (const Way& way : EveryWay) {
        ComplexMatrix eliminatedA = a;
        ComplexMatrix eliminatedB = b;
        EXPECT_TRUE(gaussEliminate(eliminatedA, eliminatedB, way.threads, way.loops)) << way;
        EXPECT_TRUE(sameBits(eliminatedA, textbookA)) << way;
        EXPECT_TRUE(sameBits(eliminatedB, textbookB)) << way;
    }
}

TEST(NumericsMatrix, SingularColumnIsCountedOnceAndTheRunGoesOn)
{
    // Columns in the first and in the last panel, at several depths of the halving within them.
    for (int zeroColumn : {0, 13, 40, 47}) {
        const int n = 50;
        ComplexMatrix a = randomMatrix(n, 3, 2.0);
        for (int i = 0; i < n; ++i) a[i][zeroColumn] = Complex(0.0, 0.0);
        const ComplexMatrix reference = textbookInverse(a);
        for (const Way& way : EveryWay) {
            int singular = 0;
            testing::internal::CaptureStderr();
            const ComplexMatrix x = invertMatrix(ComplexMatrix(a), way.threads, way.loops, &singular);
            EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << zeroColumn << way;  // the library prints nothing
            EXPECT_EQ(singular, 1) << zeroColumn << way;
            EXPECT_TRUE(std::isnan(real(x[0][0])));
            // A column found singular inside a panel leaves the rows as the textbook loops do.
            EXPECT_TRUE(sameBits(x, reference)) << zeroColumn << way;
            ComplexMatrix eliminated = a;
            ComplexMatrix rightHandSide = matrix(n, 1);
            EXPECT_FALSE(gaussEliminate(eliminated, rightHandSide, way.threads, way.loops)) << zeroColumn << way;
        }
    }
}

TEST(NumericsMatrix, InnerLoopsAgreeOnSignedZerosInfinitiesAndNaNs)
{
    EXPECT_EQ(&fastestKernels() != &plainKernels(), __builtin_cpu_supports("avx2") != 0);
    const double inf = std::numeric_limits<double>::infinity();
    const double values[] = {0.0, -0.0, 1.0, -2.5, inf, -inf, std::nan(""), 1e-300, -1e300, 3.0, 0.5};
    auto value = [&values](int i) { return values[i % 11]; };

    // Seven rows of eleven elements, five steps: a tail in both the rows and the strips.
    const int rows = 7, width = 11, steps = 5;
    std::vector<double> packed(packedDoubles(steps, width));
    for (int k = 0; k < steps; ++k) {
        std::vector<Complex> source(width);
        for (int j = 0; j < width; ++j) source[j] = Complex(value(3 * k + j), value(5 * k + 2 * j + 1));
        packSourceRow(packed.data(), steps, k, source.data(), width);
    }
    ComplexMatrix f = matrix(rows, steps);
    ComplexMatrix target = matrix(rows, width);
    for (int r = 0; r < rows; ++r) {
        for (int k = 0; k < steps; ++k) f[r][k] = Complex(value(r + 7 * k), value(2 * r + k + 4));
        for (int j = 0; j < width; ++j) target[r][j] = Complex(value(r * j + 1), value(r + j));
    }
    ComplexMatrix plain = target;
    plainKernels().subtractSteps(packed.data(), steps, steps, width, plain[0], width, f[0], steps, rows);
    fastestKernels().subtractSteps(packed.data(), steps, steps, width, target[0], width, f[0], steps, rows);
    for (int r = 0; r < rows; ++r) {
        for (int j = 0; j < width; ++j) {
            EXPECT_TRUE(sameValue(plain[r][j].re, target[r][j].re)) << r << "," << j;
            EXPECT_TRUE(sameValue(plain[r][j].im, target[r][j].im)) << r << "," << j;
        }
    }

    // A row of the back substitution, over the full solve width and a narrower one; the rows it
    // keeps for the rows above are checked by the inversions.
    const int count = 13;
    std::vector<double> below(SolveRowDoubles * count);
    for (std::size_t i = 0; i < below.size(); ++i) below[i] = value(static_cast<int>(i * 7 + 3));
    for (int solveWidth : {SolveWidth, 5}) {
        for (Complex diagonal : {Complex(0.5, -3.0), Complex(0.0, 0.0), Complex(1e-170, 0.0)}) {
            ComplexMatrix b = matrix(2, SolveWidth);
            for (int q = 0; q < SolveWidth; ++q) b[0][q] = b[1][q] = Complex(value(q), value(q + 4));
            double plainSolved[SolveRowDoubles];
            double fastestSolved[SolveRowDoubles];
            plainKernels().solveRow(plainSolved, below.data(), f[0], count, diagonal, b[0], solveWidth);
            fastestKernels().solveRow(fastestSolved, below.data(), f[0], count, diagonal, b[1], solveWidth);
            for (int q = 0; q < SolveWidth; ++q) {
                EXPECT_TRUE(sameValue(b[0][q].re, b[1][q].re)) << solveWidth << "," << q;
                EXPECT_TRUE(sameValue(b[0][q].im, b[1][q].im)) << solveWidth << "," << q;
            }
        }
    }
}

TEST(NumericsMatrix, InversionConsumesItsArgument)
{
    ComplexMatrix a = fromRows({{Complex(2, 0)}});
    const ComplexMatrix x = invertMatrix(std::move(a), 1);
    EXPECT_EQ(a.rows(), 0);  // NOLINT: checking the moved-from state on purpose
    EXPECT_EQ(x.rows(), 1);
}

}  // namespace xsrl
