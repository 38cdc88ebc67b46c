#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <vector>

#include "kernels/inductance.h"
#include "solver/partial_inductance.h"

namespace xsrl {

namespace {

// Ribbons of both forms: face ribbons of two lines close together (closed form), far apart
// (integral form), and chords of a circle.
std::vector<Ribbon> mixedRibbons()
{
    std::vector<Ribbon> ribbons;
    for (int i = 0; i < 40; ++i) {
        Ribbon r;
        r.conductor = 0;
        r.kind = RibbonKind::FaceX;
        r.x1 = 1e-6 * (i % 10) + (i < 20 ? 0.0 : 1e-3);
        r.x2 = r.x1 + 1e-6;
        r.y1 = 1e-6 * (i / 10);
        r.y2 = r.y1 + 1e-10;
        ribbons.push_back(r);
    }
    for (int i = 0; i < 8; ++i) {
        Ribbon chord;
        chord.conductor = 1;
        chord.kind = RibbonKind::Chord;
        chord.x1 = 2e-3 + 1e-5 * i;
        chord.y1 = 1e-5 * (i % 3);
        chord.x2 = chord.x1 + 1e-5;
        chord.y2 = chord.y1 + 3e-6;
        ribbons.push_back(chord);
    }
    return ribbons;
}

}  // namespace

TEST(PartialInductance, ThreadedFillEqualsThePairByPairValuesToTheBit)
{
    const std::vector<Ribbon> ribbons = mixedRibbons();
    const int n = static_cast<int>(ribbons.size());
    RealMatrix expected = squareMatrix(n);
    for (int i = 0; i < n; ++i)
        for (int j = i; j < n; ++j) expected[i][j] = expected[j][i] = ribbonPairInductance(ribbons[i], ribbons[j]);

    for (const int threads : {1, 3}) {
        const RealMatrix filled = computePartialInductance(ribbons, Accuracy::Normal, threads);
        EXPECT_EQ(std::memcmp(filled[0], expected[0], sizeof(double) * n * n), 0) << threads << " threads";
    }
}

TEST(PartialInductance, AdvanceIsToldOfEveryPairOnce)
{
    const std::vector<Ribbon> ribbons = mixedRibbons();
    const long n = static_cast<long>(ribbons.size());
    std::atomic<long> pairs{0};
    computePartialInductance(ribbons, Accuracy::Normal, 3, [&pairs](long done) { pairs += done; });
    EXPECT_EQ(pairs.load(), n * (n + 1) / 2);
}

}  // namespace xsrl
