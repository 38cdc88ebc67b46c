// The LAPACK solver against the exact inversion, compared at full precision.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "app/prepare.h"
#include "app/sweep.h"
#include "deck/deck.h"
#include "numerics/lu_solve.h"
#include "run_deck.h"

namespace {

// Largest relative difference between the R and L of the two solvers over the sweep's ends.
double largestSolverDifference(const std::string& deckPath)
{
    RecordPool pool;
    RunSettings settings;
    Conductor* head = newConductor(pool, nullptr);
    Ribbon* headRibbon = newRibbon(pool, nullptr);
    readDeck(pool, head, settings, deckPath);
    PreparedStructure prepared = prepareRibbons(pool, settings, head, headRibbon);
    prepared.partialInductance = computePartialInductance(prepared.ribbons, 2);
    double largest = 0.0;
    for (const int k : {0, settings.npoints}) {
        const double omega = sweepOmega(settings, k);
        settings.solver = Solver::Exact;
        const ComplexMatrix exact = conductorImpedance(settings, head, prepared, omega);
        settings.solver = Solver::Lu;
        const ComplexMatrix factored = conductorImpedance(settings, head, prepared, omega);
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

} // namespace

TEST(Solver, FactoringAgreesWithTheExactInversionOnEveryExample)
{
    const std::filesystem::path here = std::filesystem::current_path();
    std::filesystem::current_path(makeTempFolder());
    for (const auto& entry : std::filesystem::directory_iterator(XSRL_SOURCE_DIR "/examples")) {
        EXPECT_LE(largestSolverDifference(entry.path().string()), 1e-9) << entry.path();
    }
    std::filesystem::current_path(here);
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
