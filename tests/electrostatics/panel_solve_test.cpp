// The hierarchical solve of the capacitance panel system against LAPACK's LU of the whole
// system, on a bus over a plate on a substrate, lossless and lossy.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "structures.h"

namespace xsrl {

namespace {

// Four traces 0.2 mm wide at a pitch of 0.4 mm, 35 um thick, on 0.1 mm of FR-4 over a plate;
// `tand` < 0: the right half of the FR-4 lossless, the left half of tand 0.02, so that the
// interface between them has a contrast all but imaginary.
Structure busOverPlate(double tand)
{
    Structure s;
    s.rectangle(-2e-3, -35e-6, 2e-3, 0.0, 0.0, ConductorShape::Plate);
    if (tand < 0.0) {
        s.dielectric(-2e-3, 0.0, 0.0, 1e-4, 4.4, 0.02);
        s.dielectric(0.0, 0.0, 2e-3, 1e-4, 4.4, 0.0);
    } else {
        s.dielectric(-2e-3, 0.0, 2e-3, 1e-4, 4.4, tand);
    }
    for (int k = 0; k < 4; ++k) {
        const double x = -0.7e-3 + 0.4e-3 * k;
        s.rectangle(x, 1e-4, x + 0.2e-3, 1e-4 + 35e-6);
    }
    return s;
}

// The largest deviation of a part (real: C, imaginary: G) relative to the part's largest entry.
double largestDeviation(const ComplexMatrix& measured, const ComplexMatrix& reference, double (*part)(Complex))
{
    double largest = 0.0, deviation = 0.0;
    for (int m = 0; m < reference.rows(); ++m)
        for (int k = 0; k < reference.cols(); ++k) {
            largest = std::max(largest, std::fabs(part(reference[m][k])));
            deviation = std::max(deviation, std::fabs(part(measured[m][k]) - part(reference[m][k])));
        }
    return deviation / largest;
}

}  // namespace

// C and G within 1e-6 of the largest entry (measured: 1e-9 or less), and a lossless C real.
TEST(CapacitancePanelSolve, HierarchicalAgreesWithTheWholeLuLosslessAndLossy)
{
    for (const double tand : {0.0, 0.02, -1.0}) {
        const Structure s = busOverPlate(tand);
        const std::vector<Panel> panels = s.panels();
        const int count = static_cast<int>(s.conductors.size());
        const ComplexMatrix dense = maxwellCapacitance(panels, count, {}, PanelSolver::Dense);
        const ComplexMatrix hierarchical = maxwellCapacitance(panels, count, {}, PanelSolver::Hierarchical);
        const double c = largestDeviation(hierarchical, dense, real);
        std::printf("[ accuracy ] %zu panels, tand %g: C deviates %.2e", panels.size(), tand, c);
        EXPECT_LE(c, 1e-6);
        if (tand != 0.0) {
            const double g = largestDeviation(hierarchical, dense, imag);
            std::printf(", G %.2e", g);
            EXPECT_LE(g, 1e-6);
        } else {
            for (int m = 0; m < count; ++m)
                for (int k = 0; k < count; ++k) EXPECT_EQ(imag(hierarchical[m][k]), 0.0);
        }
        std::printf("\n");
    }
}

}  // namespace xsrl
