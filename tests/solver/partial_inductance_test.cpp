#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/prepare.h"
#include "kernels/inductance.h"

namespace xsrl {

namespace {

// Ribbons of both forms: face ribbons of two lines close together (closed form), far apart
// (integral form), and chords of a circle.
struct Ribbons {
    Conductor line;
    Conductor circle;
    std::vector<Ribbon> storage;
    std::vector<const Ribbon*> pointers;

    Ribbons()
    {
        circle.shape = ConductorShape::Circle;
        for (int i = 0; i < 40; ++i) {
            Ribbon r;
            r.owner = &line;
            r.kind = RibbonKind::FaceX;
            r.x1 = 1e-6 * (i % 10) + (i < 20 ? 0.0 : 1e-3);
            r.x2 = r.x1 + 1e-6;
            r.y1 = 1e-6 * (i / 10);
            r.y2 = r.y1 + 1e-10;
            storage.push_back(r);
        }
        for (int i = 0; i < 8; ++i) {
            Ribbon chord;
            chord.owner = &circle;
            chord.kind = RibbonKind::Chord;
            chord.x1 = 2e-3 + 1e-5 * i;
            chord.y1 = 1e-5 * (i % 3);
            chord.x2 = chord.x1 + 1e-5;
            chord.y2 = chord.y1 + 3e-6;
            storage.push_back(chord);
        }
        for (const Ribbon& r : storage) pointers.push_back(&r);
    }
};

} // namespace

TEST(Prepare, ThreadedFillEqualsThePairByPairValuesToTheBit)
{
    const Ribbons ribbons;
    const int n = static_cast<int>(ribbons.pointers.size());
    RealMatrix expected = squareMatrix(n);
    for (int i = 0; i < n; ++i)
        for (int j = i; j < n; ++j)
            expected[i][j] = expected[j][i] = ribbonPairInductance(*ribbons.pointers[i], *ribbons.pointers[j]);

    for (const unsigned threads : {1u, 3u}) {
        const RealMatrix filled = computePartialInductance(ribbons.pointers, threads);
        EXPECT_EQ(std::memcmp(filled[0], expected[0], sizeof(double) * n * n), 0) << threads << " threads";
    }
}

}  // namespace xsrl
