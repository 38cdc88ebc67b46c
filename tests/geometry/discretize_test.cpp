#include "geometry/discretize.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "geometry/geometry_fixtures.h"
#include "geometry/ribbon_index.h"

namespace xsrl {

using namespace geometry_test;

namespace {

// Cuts `c`, conductor `index` of the deck; checks the conductor every ribbon names and the
// count planned beforehand.
RibbonRows cut(const Layout& deck, const Conductor& c, const PlateFaceCuts* plateCuts = nullptr)
{
    const int index = deck.indexOf(c);
    std::vector<Ribbon> ribbons;
    discretizeConductor(deck.settings, c, index, plateCuts, ribbons);
    for (const Ribbon& r : ribbons) EXPECT_EQ(r.conductor, index);
    EXPECT_EQ(plannedRibbonCount(deck.settings, c, plateCuts), static_cast<long long>(ribbons.size()));
    return rowsOf(ribbons);
}

}  // namespace

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
    Layout deck;
    Conductor& line = deck.add(ConductorShape::Line, 0.0, 12.0, 0.0, 6.0);
    line.nx = 4;
    line.ny = 2;
    line.rx = 2.0;
    const double t = 12.0 * 1e-4;
    EXPECT_EQ(cut(deck, line), (RibbonRows{{0, 0, 0, 2, t},
                                           {0, 2, 0, 6, t},
                                           {0, 6, 0, 10, t},
                                           {0, 10, 0, 12, t},
                                           {0, 0, 6, 2, 6 + t},
                                           {0, 2, 6, 6, 6 + t},
                                           {0, 6, 6, 10, 6 + t},
                                           {0, 10, 6, 12, 6 + t},
                                           {1, 0, 0, t, 3},
                                           {1, 0, 3, t, 6},
                                           {1, 12, 0, 12 + t, 3},
                                           {1, 12, 3, 12 + t, 6}}));
    line.nx = 1;  // kinds 4 and 5 on all faces; the side faces follow nx, not ny
    EXPECT_EQ(cut(deck, line), (RibbonRows{{4, 0, 0, 12, t},
                                           {4, 0, 6, 12, 6 + t},
                                           {5, 0, 0, t, 3},
                                           {5, 0, 3, t, 6},
                                           {5, 12, 0, 12 + t, 3},
                                           {5, 12, 3, 12 + t, 6}}));
}

TEST(GeometryDiscretize, FilamentLines)
{
    Layout deck;
    Conductor& grid = deck.add(ConductorShape::Line, 1.0, 4.0, 2.0, 6.0);
    grid.model = ConductorModel::Vf;
    grid.nx = 3;
    grid.ny = 2;
    EXPECT_EQ(cut(deck, grid), (RibbonRows{{20, 1, 2, 2, 4},
                                           {20, 2, 2, 3, 4},
                                           {20, 3, 2, 4, 4},
                                           {20, 1, 4, 2, 6},
                                           {20, 2, 4, 3, 6},
                                           {20, 3, 4, 4, 6}}));

    // Thinner than the skin depth (66 um for copper at 1 MHz) in both directions, strictly.
    deck.settings.fmax = 1e6;
    const double delta = skinDepthAtFmax(1e6, 5.8e7);
    EXPECT_NEAR(delta, 66.09e-6, 0.01e-6);
    Conductor& small = deck.add(ConductorShape::Line, 0.0, 1e-6, 0.0, 1e-6);
    small.nx = 0;
    EXPECT_EQ(cut(deck, small), (RibbonRows{{20, 0, 0, 1e-6, 1e-6}}));
    small.x2 = delta;
    small.nx = 1;
    EXPECT_EQ(cut(deck, small).size(), 2 + 2 * 5u);
}

TEST(GeometryDiscretize, CircleChords)
{
    Layout deck;
    deck.add(ConductorShape::Line, 5.0, 6.0, 0.0, 1.0);
    Conductor& circle = deck.circle(0.0, 0.0, 1.0, 4);
    // Appended after the ribbons already made, each naming the circle's position.
    std::vector<Ribbon> ribbons(3);
    discretizeConductor(deck.settings, circle, 1, nullptr, ribbons);
    ASSERT_EQ(ribbons.size(), 3u + 4u);
    EXPECT_EQ(plannedRibbonCount(deck.settings, circle, nullptr), 4);
    const double px[] = {1, 0, -1, 0, 1}, py[] = {0, 1, 0, -1, 0};
    for (int i = 0; i < 4; ++i) {
        const Ribbon& r = ribbons[3 + i];  // counter-clockwise from angle 0, in chord order
        EXPECT_EQ(r.kind, RibbonKind::Chord);
        EXPECT_EQ(r.conductor, 1);
        EXPECT_NEAR(std::hypot(r.x1 - px[i], r.y1 - py[i]), 0.0, 1e-15);
        EXPECT_NEAR(std::hypot(r.x2 - px[i + 1], r.y2 - py[i + 1]), 0.0, 1e-15);
    }
}

TEST(GeometryDiscretize, PlateFacesFromTheirCutPoints)
{
    Layout deck;
    Conductor& plate = deck.add(ConductorShape::Plate, 0.0, 3.0, 0.0, 1.0);
    // No cut points (no line or circle faces the plate): no ribbons.
    EXPECT_EQ(cut(deck, plate), RibbonRows{});
    const PlateFaceCuts none;
    EXPECT_EQ(cut(deck, plate, &none), RibbonRows{});
    const double t = 3.0 * 1e-4;
    PlateFaceCuts cuts;
    cuts.below = {0.0, 1.0, 3.0};
    EXPECT_EQ(cut(deck, plate, &cuts), (RibbonRows{{2, 0, 0, 1, t}, {2, 1, 0, 3, t}}));
    // Both faces: kind 3, top-face ribbons inside the plate.
    cuts.below = {0.0, 3.0};
    cuts.above = {0.5, 2.5};
    EXPECT_EQ(cut(deck, plate, &cuts), (RibbonRows{{3, 0, 0, 3, t}, {3, 0.5, 1, 2.5, 1 - t}}));
    cuts.below.clear();
    EXPECT_EQ(cut(deck, plate, &cuts), (RibbonRows{{2, 0.5, 1, 2.5, 1 - t}}));
}

// Each plate takes the points of its own position among the plates; no other conductor takes any.
TEST(GeometryDiscretize, PlatesTakeTheCutsOfTheirOrdinal)
{
    Layout deck;
    deck.add(ConductorShape::Line, 0.0, 1.0, 5.0, 6.0);
    deck.add(ConductorShape::Plate, 0.0, 3.0, 0.0, 1.0);
    deck.circle(0.0, 9.0, 1.0, 4);
    deck.add(ConductorShape::Plate, 0.0, 3.0, 20.0, 21.0);
    PlateCuts plateCuts;
    plateCuts.plates.resize(2);
    plateCuts.plates[0].above = {0.0, 3.0};
    plateCuts.plates[1].below = {0.0, 1.0, 3.0};
    const std::vector<const PlateFaceCuts*> byConductor = plateCutsByConductor(deck.conductors, plateCuts);
    EXPECT_EQ(byConductor,
              (std::vector<const PlateFaceCuts*>{nullptr, &plateCuts.plates[0], nullptr, &plateCuts.plates[1]}));
    // Without cut points (a deck without plates, or before they are placed) nobody has any.
    EXPECT_EQ(plateCutsByConductor(deck.conductors, PlateCuts{}), (std::vector<const PlateFaceCuts*>(4, nullptr)));

    const Ribbons ribbons = buildRibbons(deck.settings, deck.conductors, plateCuts);
    EXPECT_EQ(ribbons.start, (std::vector<long>{0, 20, 21, 25, 27}));
    const double t = 3.0 * 1e-4;
    EXPECT_EQ(rowsOf(ribbons.list, ribbons.firstOf(1), ribbons.endOf(1)), (RibbonRows{{2, 0, 1, 3, 1 - t}}));
    EXPECT_EQ(rowsOf(ribbons.list, ribbons.firstOf(3), ribbons.endOf(3)),
              (RibbonRows{{2, 0, 20, 1, 20 + t}, {2, 1, 20, 3, 20 + t}}));
}

}  // namespace xsrl
