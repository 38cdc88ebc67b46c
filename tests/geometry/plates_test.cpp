#include "geometry/plate_cuts.h"

#include "geometry/checks.h"
#include "geometry/ribbon_index.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "geometry/geometry_fixtures.h"

namespace xsrl {

using namespace geometry_test;

namespace {

std::string plateLines(const char* word, int ordinal, const std::vector<double>& xs)
{
    std::string text;
    char line[64];
    for (double x : xs) {
        std::snprintf(line, sizeof line, "%s %d %le\n", word, ordinal, x);
        text += line;
    }
    return text;
}

struct Prepared {
    std::string plateFile;
    std::vector<long> index;
    Ribbons ribbons;
};

// Plate handling and ribbons of a whole deck.
Prepared prepare(Deck& deck)
{
    placePlateCuts(deck.head, "plate");
    Prepared out;
    Ribbon* head = newRibbon(deck.pool, nullptr);
    buildRibbonIndex(deck.pool, deck.settings, deck.head, head, out.index);
    closeRibbonChain(head);
    out.plateFile = readFile("plate");
    out.ribbons = ribbonsFrom(head);
    return out;
}

} // namespace

TEST(GeometryPlates, SortsAndGaps)
{
    double list[] = {99.0, 3.0, -1.0, 3.0, 0.5, -7.0};
    sortAscending(list, 5);
    EXPECT_EQ(std::vector<double>(list, list + 6), (std::vector<double>{99.0, -7.0, -1.0, 0.5, 3.0, 3.0}));
    sortDescending(list, 5);
    EXPECT_EQ(std::vector<double>(list, list + 6), (std::vector<double>{99.0, 3.0, 3.0, 0.5, -1.0, -7.0}));
    EXPECT_EQ(minEdgeGap(10.0, 20.0, -10.0, 0.0), 10.0);
    EXPECT_EQ(minEdgeGap(0.0, 10.0, 4.0, 30.0), 4.0);
}

TEST(GeometryPlates, LineOverPlate)
{
    ScratchDirectory dir;
    Deck deck;
    Conductor& plate = deck.add(ConductorShape::Plate, -100.0, 100.0, -10.0, 0.0);
    Conductor& line = deck.add(ConductorShape::Line, -5.0, 5.0, 10.0, 20.0);
    Prepared p = prepare(deck);
    EXPECT_EQ(p.plateFile, plateLines("above", 1, {-100, -36, -5, 5, 36, 100}));
    EXPECT_EQ(plate.type, TypePw);
    EXPECT_EQ(line.type, TypePw);
    EXPECT_EQ(line.nx, 1);
    EXPECT_EQ(line.ny, 1);
    EXPECT_EQ(p.index, (std::vector<long>{0, 0, 5, 9}));
    const double t = -200.0 * 1e-4;
    p.ribbons.resize(5);
    EXPECT_EQ(p.ribbons, (Ribbons{{2, -100, 0, -36, t}, {2, -36, 0, -5, t}, {2, -5, 0, 5, t}, {2, 5, 0, 36, t},
                                {2, 36, 0, 100, t}}));
}

TEST(GeometryPlates, CutsBetweenTwoLines)
{
    struct Case {
        double plateY1, leftX1, leftX2, rightX1, rightX2, rightY1;
        std::string file;
    };
    const double S = (40.0 + 10.0) * 3.1;
    const Case cases[] = {
        // Lines 4 apart: no cut between them.
        {-10, -7, -2, 2, 7, 10, plateLines("above", 1, {-100, -38, -7, -2, 2, 7, 38, 100})},
        // 100 apart: 3.1 gaps on a top face; 3.0 between two lines on a bottom face.
        {-10, -55, -50, 50, 55, 10, plateLines("above", 1, {-100, -86, -55, -50, -19, 19, 50, 55, 86, 100})},
        {30, -55, -50, 50, 55, 10, plateLines("below", 1, {-100, -86, -55, -50, -20, 20, 50, 55, 86, 100})},
        // Gaps 10 and 40 on a stretch too short for both: one cut weighted by the gaps.
        {-10, -60, -50, 50, 60, 40, plateLines("above", 1, {-100, -91, -60, -50, -50 + 100.0 * 10.0 / (S / 3), 50, 60, 100})},
    };
    ScratchDirectory dir;
    for (const Case& c : cases) {
        Deck deck;
        deck.add(ConductorShape::Plate, -100.0, 100.0, c.plateY1, c.plateY1 + 10);
        deck.add(ConductorShape::Line, c.leftX1, c.leftX2, 10.0, 20.0);
        deck.add(ConductorShape::Line, c.rightX1, c.rightX2, c.rightY1, c.rightY1 + 10);
        placePlateCuts(deck.head, "plate");
        EXPECT_EQ(readFile("plate"), c.file);
    }
}

// The discretization reads the points back from their "%le" text: a line edge that prints
// like the plate edge is written once, or it would bound a ribbon of zero width.
TEST(GeometryPlates, PointsThatPrintAlikeWrittenOnce)
{
    ScratchDirectory dir;
    Deck deck;
    deck.add(ConductorShape::Plate, 0.0, 100.0, -10.0, 0.0);
    deck.add(ConductorShape::Line, 90.0, 99.9999999, 10.0, 20.0);
    const Prepared p = prepare(deck);
    EXPECT_EQ(p.plateFile, plateLines("above", 1, {0, 59, 90, 100}));
    EXPECT_EQ(p.index, (std::vector<long>{0, 0, 3, 7}));
}

TEST(GeometryPlates, PlateOrdinalsAndHeightOrder)
{
    ScratchDirectory dir;
    Deck deck;
    deck.add(ConductorShape::Plate, -100.0, 100.0, -10.0, 0.0); // listed first, lies lowest
    deck.add(ConductorShape::Plate, -50.0, 50.0, 30.0, 40.0);
    deck.add(ConductorShape::Line, -5.0, 5.0, 10.0, 20.0);
    const Prepared p = prepare(deck);
    EXPECT_EQ(p.plateFile, plateLines("below", 2, {-50, -36, -5, 5, 36, 50}) +
                               plateLines("above", 1, {-100, -36, -5, 5, 36, 100}));
    EXPECT_EQ(p.index, (std::vector<long>{0, 0, 5, 10, 14}));
    EXPECT_EQ(p.ribbons[5], (Ribbons::value_type{2, -50, 30, -36, 30 + 100 * 1e-4}));

    // Plates of equal height in deck order: only the first faces the line; the other is refused.
    Deck twins;
    twins.add(ConductorShape::Plate, -100.0, 100.0, -10.0, 0.0);
    twins.add(ConductorShape::Plate, -100.0, 100.0, -10.0, 0.0);
    twins.add(ConductorShape::Line, -5.0, 5.0, 10.0, 20.0);
    const Prepared q = prepare(twins);
    EXPECT_EQ(q.plateFile, plateLines("above", 1, {-100, -36, -5, 5, 36, 100}));
    EXPECT_EQ(q.index, (std::vector<long>{0, 0, 5, 5, 9}));
    EXPECT_EQ(errorOf([&] { checkEveryConductorHasRibbons(twins.head); }),
              "ERROR: conductor 2 (plate) gets no ribbons (no line or circle faces it)\n");
}

TEST(GeometryPlates, Classification)
{
    Deck deck;
    deck.add(ConductorShape::Line, 0, 1, 0, 1).v = 0.0;
    EXPECT_EQ(classifyConductors(deck.head).ground, 1); // a single conductor passes
    deck.add(ConductorShape::Line, 0, 1, 0, 1).v = -0.99e-10;
    EXPECT_EQ(errorOf([&] { classifyConductors(deck.head); }), "ERROR: No signal line?\n\n\n");
    deck.head->v = 1e-10;
    deck.last->v = 1.0;
    EXPECT_EQ(errorOf([&] { classifyConductors(deck.head); }), "ERROR: No ground line?\n\n\n");
    deck.last->v = 0.0;
    const ConductorCounts counts = classifyConductors(deck.head);
    EXPECT_EQ(counts.signal, 1);
    EXPECT_EQ(counts.ground, 1);
    EXPECT_TRUE(isSignalConductor(*deck.head));
    EXPECT_FALSE(isSignalConductor(*deck.last));
}

TEST(GeometryPlates, RibbonIndexAndChain)
{
    ScratchDirectory dir;
    std::ofstream("plate").close();
    Deck deck;
    Conductor& line = deck.add(ConductorShape::Line, 0.0, 10.0, 0.0, 10.0);
    line.nx = line.ny = 1;
    Conductor& plate = deck.add(ConductorShape::Plate, -100.0, 100.0, -20.0, -10.0);
    Conductor& circle = deck.circle(0.0, 50.0, 1.0, 6);
    Ribbon* head = newRibbon(deck.pool, nullptr);
    std::vector<long> index;
    buildRibbonIndex(deck.pool, deck.settings, deck.head, head, index);
    EXPECT_EQ(index, (std::vector<long>{0, 0, 4, 4, 10}));
    EXPECT_EQ(plate.firstRibbonIndex, 4);
    EXPECT_EQ(plate.endRibbonIndex, 4);
    closeRibbonChain(head);
    EXPECT_EQ(ribbonsFrom(head).size(), 10u);
    EXPECT_EQ(line.firstRibbon, head);
    EXPECT_EQ(circle.firstRibbon->kind, RibbonKind::Chord);

    Ribbon* empty = newRibbon(deck.pool, nullptr);
    closeRibbonChain(empty); // nothing to detach, and no crash
    EXPECT_EQ(empty->next, nullptr);
}

}  // namespace xsrl
