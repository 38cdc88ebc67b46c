// The sweep's solvers compared at full precision: the LAPACK solver against the exact
// inversion, and the exact path at different thread counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <vector>

#include "numerics/lu_solve.h"
#include "solver/solver_agreement.h"

namespace xsrl {

namespace {

std::vector<std::string> exampleDecks()
{
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::directory_iterator(XSRL_SOURCE_DIR "/examples"))
        if (entry.path().extension() == ".deck") paths.push_back(entry.path().string());
    return paths;
}

}  // namespace

TEST(Solver, FactoringAgreesWithTheExactInversionOnEveryExample)
{
    for (const std::string& path : exampleDecks()) {
        PreparedDeck deck(path);
        EXPECT_LE(solverDifference(deck).entrywise, 1e-9) << path;
    }
}

TEST(Solver, ExactPathIsTheSameToTheBitAtAnyThreadCount)
{
    PreparedDeck deck(XSRL_SOURCE_DIR "/examples/two-strips-over-plate.deck");
    const ComplexMatrix one = deck.impedance(0, Solver::Exact, 1);
    const ComplexMatrix three = deck.impedance(0, Solver::Exact, 3);
    EXPECT_EQ(std::memcmp(one[0], three[0], sizeof(Complex) * one.rows() * one.cols()), 0);
}

TEST(Solver, LuSolvesRowMajorSystemsAndReportsSingularOnes)
{
    ComplexMatrix a = matrix(2, 2);
    a[0][0] = Complex(1, 0), a[0][1] = Complex(2, 0), a[1][0] = Complex(3, 0), a[1][1] = Complex(4, 1);
    ComplexMatrix b = matrix(2, 1);
    b[0][0] = Complex(5, 0), b[1][0] = Complex(6, 0);
    // A is not symmetric, so a mix-up of row and column order would not solve it.
    const ComplexMatrix x = solveByLu(ComplexMatrix(a), b);
    for (int i = 0; i < 2; ++i) {
        const Complex back = a[i][0] * x[0][0] + a[i][1] * x[1][0];
        EXPECT_NEAR(back.re, b[i][0].re, 1e-14);
        EXPECT_NEAR(back.im, 0.0, 1e-14);
    }

    // The library prints nothing: the singular matrix is counted for the caller to report.
    int singularCount = 0;
    testing::internal::CaptureStderr();
    const ComplexMatrix singular = solveByLu(matrix(3, 3), matrix(3, 2), &singularCount);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(singularCount, 1);
    EXPECT_TRUE(std::isnan(singular[2][1].re) && std::isnan(singular[0][0].im));
}

// A system too large to factor in a second is factored a block of columns at a time, telling
// its progress; the solution is the whole factoring's to rounding.
TEST(Solver, BlockedFactoringAgreesAndTellsItsProgress)
{
    const int n = WholeFactoringUpTo + 100;
    ComplexMatrix a = matrix(n, n);
    ComplexMatrix b = matrix(n, 2);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) a[i][j] = Complex(std::sin(i + 2.0 * j), std::cos(3.0 * i - j));
        a[i][i] = a[i][i] + Complex(0.0, n);
        b[i][0] = Complex(1.0, 0.0);
        b[i][1] = Complex(0.0, i % 7);
    }
    std::vector<double> told;
    const ComplexMatrix blocked = solveByLuInBlocks(ComplexMatrix(a), b, [&](double share) { told.push_back(share); });
    const ComplexMatrix whole = solveByLu(std::move(a), b);
    for (int i = 0; i < n; ++i)
        for (int q = 0; q < 2; ++q) EXPECT_LT(abs(blocked[i][q] - whole[i][q]), 1e-12 * abs(whole[i][q]) + 1e-300);
    ASSERT_GE(told.size(), 10u);
    EXPECT_TRUE(std::is_sorted(told.begin(), told.end()));
    EXPECT_EQ(told.back(), 1.0);
}

// The capacitance solve tells the work it has done, CapacitanceWork in all.
TEST(Solver, CapacitanceSolveTellsItsProgress)
{
    Prepared prepared = cutRibbons(loadDeck(XSRL_SOURCE_DIR "/examples/microstrip-fr4.deck"));
    cutPanels(prepared);
    long done = 0;
    int calls = 0;
    computeCapacitance(prepared, [&](long work) {
        done += work;
        ++calls;
    });
    EXPECT_EQ(done, CapacitanceWork);
    EXPECT_GT(calls, 50);
}

}  // namespace xsrl
