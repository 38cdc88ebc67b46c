// The hierarchical solve of the capacitance panel system against LAPACK's LU of the whole
// system, on a bus over a plate on a substrate, lossless and lossy.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "structures.h"

namespace xsrl {

namespace {

// Eight traces 0.2 mm wide at a pitch of 0.4 mm, 35 um thick, on 0.1 mm of FR-4 over a plate,
// cut coarser than by default; `tand` < 0: the right half of the FR-4 lossless, the left half
// of tand 0.02, so that the interface between them has a contrast all but imaginary. The
// couplings of the outer traces are 1e-5 of the largest entry: only charges right to 1e-12 of
// the largest give them to 1e-7.
constexpr int Traces = 8;

Structure busOverPlate(double tand)
{
    Structure s;
    const double left = -1.8e-3, right = 1.8e-3;
    s.rectangle(left, -35e-6, right, 0.0, 0.0, ConductorShape::Plate);
    if (tand < 0.0) {
        s.dielectric(left, 0.0, 0.0, 1e-4, 4.4, 0.02);
        s.dielectric(0.0, 0.0, right, 1e-4, 4.4, 0.0);
    } else {
        s.dielectric(left, 0.0, right, 1e-4, 4.4, tand);
    }
    for (int k = 0; k < Traces; ++k) {
        const double x = -1.5e-3 + 0.4e-3 * k;
        s.rectangle(x, 1e-4, x + 0.2e-3, 1e-4 + 35e-6);
    }
    return s;
}

// The largest deviation of a part (real: C, imaginary: G), entry by entry and relative to the
// part's largest entry.
struct Deviation {
    double ofEntry = 0.0;
    double ofLargest = 0.0;
};

Deviation deviationOf(const ComplexMatrix& measured, const ComplexMatrix& reference, double (*part)(Complex))
{
    double largest = 0.0, absolute = 0.0, ofEntry = 0.0;
    for (int m = 0; m < reference.rows(); ++m)
        for (int k = 0; k < reference.cols(); ++k) {
            const double deviation = std::fabs(part(measured[m][k]) - part(reference[m][k]));
            largest = std::max(largest, std::fabs(part(reference[m][k])));
            absolute = std::max(absolute, deviation);
            ofEntry = std::max(ofEntry, deviation / std::fabs(part(reference[m][k])));
        }
    return {ofEntry, absolute / largest};
}

}  // namespace

// Every entry of C and G within 1e-7 of its own value (measured: C 7e-11, G up to 6e-9; 2e-6 without
// the refinement), and a lossless C real.
TEST(CapacitancePanelSolve, HierarchicalAgreesWithTheWholeLuEntryByEntryLosslessAndLossy)
{
    for (const double tand : {0.0, 0.02, -1.0}) {
        const Structure s = busOverPlate(tand);
        const std::vector<Panel> panels = s.panels(6);
        const int count = static_cast<int>(s.conductors.size());
        PanelSolveFigures denseFigures, figures;
        const ComplexMatrix dense = maxwellCapacitance(panels, count, {}, PanelSolver::Dense, &denseFigures);
        const ComplexMatrix hierarchical = maxwellCapacitance(panels, count, {}, PanelSolver::Hierarchical, &figures);
        EXPECT_EQ(denseFigures.storedShare, 1.0);
        EXPECT_LT(figures.storedShare, 0.9);  // compressed, and the figures say so
        EXPECT_GT(figures.largestRank, 0);
        const Deviation c = deviationOf(hierarchical, dense, real);
        std::printf("[ accuracy ] %zu panels, tand %g: C deviates %.2e per entry, %.2e of the largest", panels.size(),
                    tand, c.ofEntry, c.ofLargest);
        EXPECT_LE(c.ofEntry, 1e-7);
        if (tand != 0.0) {
            const Deviation g = deviationOf(hierarchical, dense, imag);
            std::printf("; G %.2e, %.2e", g.ofEntry, g.ofLargest);
            EXPECT_LE(g.ofEntry, 1e-7);
        } else {
            for (int m = 0; m < count; ++m)
                for (int k = 0; k < count; ++k) EXPECT_EQ(imag(hierarchical[m][k]), 0.0);
        }
        std::printf("\n");
    }
}

}  // namespace xsrl
