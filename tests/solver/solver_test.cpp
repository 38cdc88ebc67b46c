// The sweep's solvers compared at full precision: the LAPACK solver against the exact
// inversion, and the exact path at different thread counts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

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

}  // namespace xsrl
