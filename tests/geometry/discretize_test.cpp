#include "geometry/discretize.h"

#include <gtest/gtest.h>

#include <cmath>

#include "geometry/geometry_fixtures.h"

namespace xsrl {

using namespace geometry_test;

namespace {

// Cuts `c` from a fresh head ribbon; checks the count, the owners and the empty record after.
Ribbons cut(Deck& deck, Conductor& c, int plateOrdinal = 0)
{
    Ribbon* head = newRibbon(deck.pool, nullptr);
    long count = 0;
    Ribbon* end = discretizeConductor(deck.pool, deck.settings, c, head, count, plateOrdinal);
    EXPECT_EQ(end->next, nullptr);
    for (const Ribbon* r = head; r != end; r = r->next) EXPECT_EQ(r->owner, &c);
    const Ribbons ribbons = ribbonsFrom(head, end);
    EXPECT_EQ(count, long(ribbons.size()));
    return ribbons;
}

} // namespace

TEST(GeometryDiscretize, GradedWeights)
{
    double w[6];
    EXPECT_EQ(gradedWeights(w, 6, 2.0), 14.0);
    EXPECT_EQ(std::vector<double>(w, w + 6), (std::vector<double>{1, 2, 4, 4, 2, 1}));
    EXPECT_EQ(gradedWeights(w, 1, 3.0), 1.0);
    // The falling half divides down from the middle: for r = 1.9, r*r/r is not r.
    const double r = 1.9;
    EXPECT_EQ(gradedWeights(w, 5, r), 1.0 + r + r * r + r * r / r + r * r / r / r);
    EXPECT_EQ(w[3], r * r / r);
}

TEST(GeometryDiscretize, GradedLineFacesAndKinds)
{
    Deck deck;
    Conductor& line = deck.add(ConductorShape::Line, 0.0, 12.0, 0.0, 6.0);
    line.nx = 4;
    line.ny = 2;
    line.rx = 2.0;
    const double t = 12.0 * 1e-4;
    EXPECT_EQ(cut(deck, line), (Ribbons{{0, 0, 0, 2, t}, {0, 2, 0, 6, t}, {0, 6, 0, 10, t}, {0, 10, 0, 12, t},
                                        {0, 0, 6, 2, 6 + t}, {0, 2, 6, 6, 6 + t}, {0, 6, 6, 10, 6 + t},
                                        {0, 10, 6, 12, 6 + t}, {1, 0, 0, t, 3}, {1, 0, 3, t, 6},
                                        {1, 12, 0, 12 + t, 3}, {1, 12, 3, 12 + t, 6}}));
    line.nx = 1; // kinds 4 and 5 on all faces; the side faces follow nx, not ny
    EXPECT_EQ(cut(deck, line), (Ribbons{{4, 0, 0, 12, t}, {4, 0, 6, 12, 6 + t}, {5, 0, 0, t, 3}, {5, 0, 3, t, 6},
                                        {5, 12, 0, 12 + t, 3}, {5, 12, 3, 12 + t, 6}}));
}

TEST(GeometryDiscretize, FilamentLines)
{
    Deck deck;
    Conductor& grid = deck.add(ConductorShape::Line, 1.0, 4.0, 2.0, 6.0);
    grid.type = TypeVf;
    grid.nx = 3;
    grid.ny = 2;
    EXPECT_EQ(cut(deck, grid), (Ribbons{{20, 1, 2, 2, 4}, {20, 2, 2, 3, 4}, {20, 3, 2, 4, 4}, {20, 1, 4, 2, 6},
                                        {20, 2, 4, 3, 6}, {20, 3, 4, 4, 6}}));

    // Thinner than the skin depth (66 um for copper at 1 MHz) in both directions, strictly.
    deck.settings.fmax = 1e6;
    const double delta = skinDepthAtFmax(1e6, 5.8e7);
    EXPECT_NEAR(delta, 66.09e-6, 0.01e-6);
    Conductor& small = deck.add(ConductorShape::Line, 0.0, 1e-6, 0.0, 1e-6);
    small.nx = 0;
    EXPECT_EQ(cut(deck, small), (Ribbons{{20, 0, 0, 1e-6, 1e-6}}));
    small.x2 = delta;
    small.nx = 1;
    EXPECT_EQ(cut(deck, small).size(), 2 + 2 * 5u);
}

TEST(GeometryDiscretize, CircleChords)
{
    Deck deck;
    Conductor& circle = deck.circle(0.0, 0.0, 1.0, 4);
    Ribbon* head = newRibbon(deck.pool, nullptr);
    long count = 0;
    discretizeConductor(deck.pool, deck.settings, circle, head, count, 0);
    const double px[] = {1, 0, -1, 0, 1}, py[] = {0, 1, 0, -1, 0};
    int i = 0;
    for (const Ribbon* r = head; i < 4; r = r->next, ++i) {
        EXPECT_EQ(r->kind, RibbonKind::Chord);
        EXPECT_EQ(r->segment, i);
        EXPECT_NEAR(std::hypot(r->x1 - px[i], r->y1 - py[i]), 0.0, 1e-15);
        EXPECT_NEAR(std::hypot(r->x2 - px[i + 1], r->y2 - py[i + 1]), 0.0, 1e-15);
    }
    EXPECT_EQ(count, 4);
}

TEST(GeometryDiscretize, PlateFacesFromThePlateFile)
{
    ScratchDirectory dir;
    Deck deck;
    Conductor& plate = deck.add(ConductorShape::Plate, 0.0, 3.0, 0.0, 1.0);
    EXPECT_EQ(errorOf([&] { cut(deck, plate, 1); }), "ERROR: cannot open the file \"plate\" for reading\n");
    const double t = 3.0 * 1e-4;
    std::ofstream("plate") << "below 2 -7.0e+00\nbelow 1 0.0e+00\nbelow 1 1\nbelow 1 3\nabove 2 5\n";
    EXPECT_EQ(cut(deck, plate, 1), (Ribbons{{2, 0, 0, 1, t}, {2, 1, 0, 3, t}}));
    // Both faces: kind 3, top-face ribbons inside the plate; reading stops at another word.
    std::ofstream("plate") << "above 1 0.5\nbelow 1 0\nabove 1 2.5\nbelow 1 3\nend 1 9\nabove 1 3\n";
    EXPECT_EQ(cut(deck, plate, 1), (Ribbons{{3, 0, 0, 3, t}, {3, 0.5, 1, 2.5, 1 - t}}));
}

}  // namespace xsrl
