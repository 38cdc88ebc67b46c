#include "geometry/accurate_cuts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "geometry/discretize.h"
#include "geometry/geometry_fixtures.h"
#include "geometry/ribbon_index.h"

namespace xsrl {

using namespace geometry_test;

TEST(AccurateCuts, PlateFaceGradedFromTheFacingEdges)
{
    // A line from -5 to 5, 10 above the face: the cut points of the normal mode.
    const std::vector<double> cuts{-100, -36, -5, 5, 36, 100};
    const std::vector<double> edges = gradedFaceEdges(cuts, {{-5.0, 10.0}, {5.0, 10.0}});
    for (const double c : cuts) EXPECT_NE(std::find(edges.begin(), edges.end(), c), edges.end()) << c;
    ASSERT_TRUE(std::is_sorted(edges.begin(), edges.end()));
    std::vector<double> widths;
    for (std::size_t i = 0; i + 1 < edges.size(); ++i) widths.push_back(edges[i + 1] - edges[i]);
    for (std::size_t i = 0; i < widths.size(); ++i) {
        EXPECT_NEAR(widths[i], widths[widths.size() - 1 - i], 1e-9) << i;  // the face is symmetric
        if (i > 0) {
            EXPECT_LE(std::max(widths[i], widths[i - 1]) / std::min(widths[i], widths[i - 1]), 1.4) << i;
        }
    }
    // About a quarter of the gap at the line's edges; widest at the plate's edges.
    const std::size_t atEdge = static_cast<std::size_t>(std::find(edges.begin(), edges.end(), 5.0) - edges.begin());
    EXPECT_GE(widths[atEdge], 2.0);
    EXPECT_LE(widths[atEdge], 3.0);
    EXPECT_LE(widths[atEdge - 1], 3.0);
    EXPECT_EQ(*std::max_element(widths.begin(), widths.end()), widths.back());
    EXPECT_GT(widths.back(), 10.0);
}

TEST(AccurateCuts, LinesCutFinerWithTheDeckCountsAsFloor)
{
    Layout deck;
    deck.settings.accuracy = Accuracy::High;
    deck.add(ConductorShape::Plate, -2000e-6, 2000e-6, -35e-6, 0.0);
    Conductor& line = deck.add(ConductorShape::Line, -50e-6, 50e-6, 100e-6, 118e-6);
    Conductor& finer = deck.add(ConductorShape::Line, 200e-6, 300e-6, 100e-6, 118e-6);
    finer.nx = 90;
    Conductor& grid = deck.add(ConductorShape::Line, 400e-6, 500e-6, 100e-6, 118e-6);
    grid.model = ConductorModel::Vf;
    refineLineCuts(deck.conductors, deck.settings);

    // The corner ribbons 5 % of the thickness, the smallest size, wide; the deck's larger
    // count graded less.
    const auto corner = [](double extent, int n, double r) {
        std::vector<double> weights(static_cast<std::size_t>(n));
        return extent / gradedWeights(weights.data(), n, r);
    };
    EXPECT_NEAR(corner(100e-6, line.nx, line.rx), 0.9e-6, 1e-12);
    EXPECT_NEAR(corner(18e-6, line.ny, line.ry), 0.9e-6, 1e-12);
    EXPECT_GT(corner(100e-6, line.nx - 1, 1.3), 0.9e-6);
    EXPECT_LE(line.rx, 1.3);
    EXPECT_EQ(finer.nx, 90);
    EXPECT_NEAR(corner(100e-6, finer.nx, finer.rx), 0.9e-6, 1e-12);
    EXPECT_LT(finer.rx, line.rx);
    EXPECT_EQ(finer.ny, line.ny);
    EXPECT_EQ(grid.nx, 5);
    EXPECT_EQ(grid.ny, 5);
}

TEST(AccurateCuts, PlatesGetStripsOnTheirFacesAndLinesKeepTheirRibbons)
{
    Layout deck;
    deck.settings.accuracy = Accuracy::High;
    deck.add(ConductorShape::Plate, -100.0, 100.0, -10.0, 0.0);
    Conductor& line = deck.add(ConductorShape::Line, -5.0, 5.0, 10.0, 20.0);
    line.nx = 7;
    std::vector<Conductor> normal = deck.conductors;
    const PlateCuts cuts = placePlateCuts(deck.conductors, Accuracy::High);
    EXPECT_EQ(cuts.fileText, placePlateCuts(normal).fileText);
    EXPECT_EQ(line.nx, 7);
    EXPECT_EQ(line.model, ConductorModel::Tl);

    const Ribbons ribbons = buildRibbons(deck.settings, deck.conductors, cuts);
    const std::vector<double>& edges = cuts.plates[0].above;
    ASSERT_EQ(ribbons.endOf(0), static_cast<long>(edges.size()) - 1);
    EXPECT_GT(edges.size(), 10u);
    for (long k = 0; k < ribbons.endOf(0); ++k) {
        const Ribbon& r = ribbons.list[static_cast<std::size_t>(k)];
        EXPECT_EQ(r.kind, RibbonKind::PlateStripOneFace);
        EXPECT_EQ(r.y1, 0.0);
        EXPECT_EQ(r.y2, 0.0);
        EXPECT_EQ(r.x1, edges[static_cast<std::size_t>(k)]);
    }
    EXPECT_EQ(ribbons.endOf(1) - ribbons.firstOf(1), 2 * 7 + 2 * 5);
}

}  // namespace xsrl
