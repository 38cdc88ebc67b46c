// The sweep's solvers compared at full precision: the LAPACK solver against the exact
// inversion, and the exact path at different thread counts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "app/prepare.h"
#include "app/sweep.h"
#include "deck/deck.h"
#include "numerics/lu_solve.h"
#include "run_deck.h"

namespace {

// A deck read and prepared in a scratch folder (the plate cuts go to the current folder).
struct PreparedDeck {
    RecordPool pool;
    RunSettings settings;
    Conductor* head = newConductor(pool, nullptr);
    PreparedStructure prepared;

    explicit PreparedDeck(const std::string& path)
    {
        const std::filesystem::path here = std::filesystem::current_path();
        std::filesystem::current_path(makeTempFolder());
        readDeck(pool, head, settings, path);
        prepared = prepareRibbons(pool, settings, head, newRibbon(pool, nullptr));
        std::filesystem::current_path(here);
        prepared.partialInductance = computePartialInductance(prepared.ribbons, 2);
    }

    ComplexMatrix impedance(int k, Solver solver, int threads)
    {
        settings.solver = solver;
        settings.threads = threads;
        return conductorImpedance(settings, head, prepared, sweepOmega(settings, k));
    }
};

// Largest relative difference between the R and L of the two solvers over the sweep's ends.
double largestSolverDifference(PreparedDeck& deck)
{
    double largest = 0.0;
    for (const int k : {0, deck.settings.npoints}) {
        const ComplexMatrix exact = deck.impedance(k, Solver::Exact, 2);
        const ComplexMatrix factored = deck.impedance(k, Solver::Lu, 2);
        for (int p = 0; p < exact.rows(); ++p) {
            for (int q = 0; q < exact.cols(); ++q) {
                const Complex a = exact[p][q];
                const Complex b = factored[p][q];
                largest = std::max(largest, std::fabs(a.re - b.re) / std::fabs(a.re));
                largest = std::max(largest, std::fabs(a.im - b.im) / std::fabs(a.im));
            }
        }
    }
    return largest;
}

std::vector<std::string> exampleDecks()
{
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::directory_iterator(XSRL_SOURCE_DIR "/examples"))
        paths.push_back(entry.path().string());
    return paths;
}

} // namespace

TEST(Solver, FactoringAgreesWithTheExactInversionOnEveryExample)
{
    for (const std::string& path : exampleDecks()) {
        PreparedDeck deck(path);
        EXPECT_LE(largestSolverDifference(deck), 1e-9) << path;
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

    testing::internal::CaptureStderr();
    const ComplexMatrix singular = solveByLu(matrix(3, 3), matrix(3, 2));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Singular Matrix Error **"), std::string::npos);
    EXPECT_TRUE(std::isnan(singular[2][1].re) && std::isnan(singular[0][0].im));
}
