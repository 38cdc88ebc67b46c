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
    PlateCuts cuts;
    Ribbons ribbons;
    RibbonRows rows;
};

// Plate handling and ribbons of a whole deck.
Prepared prepare(Layout& deck)
{
    Prepared out;
    out.cuts = placePlateCuts(deck.conductors);
    out.ribbons = buildRibbons(deck.settings, deck.conductors, out.cuts);
    out.rows = rowsOf(out.ribbons.list);
    return out;
}

}  // namespace

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
    Layout deck;
    Conductor& plate = deck.add(ConductorShape::Plate, -100.0, 100.0, -10.0, 0.0);
    Conductor& line = deck.add(ConductorShape::Line, -5.0, 5.0, 10.0, 20.0);
    Prepared p = prepare(deck);
    EXPECT_EQ(p.cuts.fileText, plateLines("above", 1, {-100, -36, -5, 5, 36, 100}));
    EXPECT_EQ(plate.model, ConductorModel::Pw);
    EXPECT_EQ(line.model, ConductorModel::Pw);
    EXPECT_EQ(line.nx, 1);
    EXPECT_EQ(line.ny, 1);
    ASSERT_EQ(p.cuts.plates.size(), 1u);
    EXPECT_EQ(p.cuts.plates[0].above, (std::vector<double>{-100, -36, -5, 5, 36, 100}));
    EXPECT_EQ(p.cuts.plates[0].below, std::vector<double>{});
    EXPECT_EQ(p.ribbons.start, (std::vector<long>{0, 5, 9}));
    const double t = -200.0 * 1e-4;
    p.rows.resize(5);
    EXPECT_EQ(
        p.rows,
        (RibbonRows{{2, -100, 0, -36, t}, {2, -36, 0, -5, t}, {2, -5, 0, 5, t}, {2, 5, 0, 36, t}, {2, 36, 0, 100, t}}));
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
        {-10, -60, -50, 50, 60, 40,
         plateLines("above", 1, {-100, -91, -60, -50, -50 + 100.0 * 10.0 / (S / 3), 50, 60, 100})},
    };
    for (const Case& c : cases) {
        Layout deck;
        deck.add(ConductorShape::Plate, -100.0, 100.0, c.plateY1, c.plateY1 + 10);
        deck.add(ConductorShape::Line, c.leftX1, c.leftX2, 10.0, 20.0);
        deck.add(ConductorShape::Line, c.rightX1, c.rightX2, c.rightY1, c.rightY1 + 10);
        EXPECT_EQ(placePlateCuts(deck.conductors).fileText, c.file);
    }
}

// The points are kept as their "%le" text gives them back: a line edge that prints like the
// plate edge is kept (and written) once, or it would bound a ribbon of zero width.
TEST(GeometryPlates, PointsThatPrintAlikeWrittenOnce)
{
    Layout deck;
    deck.add(ConductorShape::Plate, 0.0, 100.0, -10.0, 0.0);
    deck.add(ConductorShape::Line, 90.0, 99.9999999, 10.0, 20.0);
    const Prepared p = prepare(deck);
    EXPECT_EQ(p.cuts.fileText, plateLines("above", 1, {0, 59, 90, 100}));
    EXPECT_EQ(p.cuts.plates[0].above, (std::vector<double>{0, 59, 90, 100}));
    EXPECT_EQ(p.ribbons.start, (std::vector<long>{0, 3, 7}));

    // A plate edge at -0 under a line edge at 0 is the same point.
    Layout signedZero;
    signedZero.add(ConductorShape::Plate, -0.0, 100.0, -10.0, 0.0);
    signedZero.add(ConductorShape::Line, 0.0, 10.0, 10.0, 20.0);
    const Prepared q = prepare(signedZero);
    EXPECT_EQ(q.cuts.fileText, plateLines("above", 1, {0, 10, 41, 100}));
    EXPECT_EQ(q.ribbons.start, (std::vector<long>{0, 3, 7}));
}

TEST(GeometryPlates, PlateOrdinalsAndHeightOrder)
{
    Layout deck;
    deck.add(ConductorShape::Plate, -100.0, 100.0, -10.0, 0.0);  // listed first, lies lowest
    deck.add(ConductorShape::Plate, -50.0, 50.0, 30.0, 40.0);
    deck.add(ConductorShape::Line, -5.0, 5.0, 10.0, 20.0);
    const Prepared p = prepare(deck);
    EXPECT_EQ(p.cuts.fileText,
              plateLines("below", 2, {-50, -36, -5, 5, 36, 50}) + plateLines("above", 1, {-100, -36, -5, 5, 36, 100}));
    // The file goes from the highest plate down; the points are kept by position in deck order.
    ASSERT_EQ(p.cuts.plates.size(), 2u);
    EXPECT_EQ(p.cuts.plates[0].above, (std::vector<double>{-100, -36, -5, 5, 36, 100}));
    EXPECT_EQ(p.cuts.plates[0].below, std::vector<double>{});
    EXPECT_EQ(p.cuts.plates[1].below, (std::vector<double>{-50, -36, -5, 5, 36, 50}));
    EXPECT_EQ(p.cuts.plates[1].above, std::vector<double>{});
    EXPECT_EQ(p.ribbons.start, (std::vector<long>{0, 5, 10, 14}));
    EXPECT_EQ(p.rows[5], (RibbonRows::value_type{2, -50, 30, -36, 30 + 100 * 1e-4}));

    // Plates of equal height in deck order: only the first faces the line; the other is refused.
    Layout twins;
    twins.add(ConductorShape::Plate, -100.0, 100.0, -10.0, 0.0);
    twins.add(ConductorShape::Plate, -100.0, 100.0, -10.0, 0.0);
    twins.add(ConductorShape::Line, -5.0, 5.0, 10.0, 20.0);
    const Prepared q = prepare(twins);
    EXPECT_EQ(q.cuts.fileText, plateLines("above", 1, {-100, -36, -5, 5, 36, 100}));
    EXPECT_EQ(q.ribbons.start, (std::vector<long>{0, 5, 5, 9}));
    EXPECT_EQ(errorOf([&] { checkEveryConductorHasRibbons(twins.conductors, q.ribbons); }),
              "conductor 2 (plate) gets no ribbons (no line or circle faces it)");
}

TEST(GeometryPlates, Classification)
{
    Layout deck;
    deck.add(ConductorShape::Line, 0, 1, 0, 1).v = 0.0;
    EXPECT_EQ(classifyConductors(deck.conductors).ground, 1);  // a single conductor passes
    deck.add(ConductorShape::Line, 0, 1, 0, 1).v = -0.99e-10;
    EXPECT_EQ(errorOf([&] { classifyConductors(deck.conductors); }), "No signal line?");
    EXPECT_EQ(categoryOf([&] { classifyConductors(deck.conductors); }), ErrorCategory::NoSignalOrGround);
    deck.conductors.front().v = 1e-10;
    deck.conductors.back().v = 1.0;
    EXPECT_EQ(errorOf([&] { classifyConductors(deck.conductors); }), "No ground line?");
    EXPECT_EQ(categoryOf([&] { classifyConductors(deck.conductors); }), ErrorCategory::NoSignalOrGround);
    deck.conductors.back().v = 0.0;
    const ConductorCounts counts = classifyConductors(deck.conductors);
    EXPECT_EQ(counts.signal, 1);
    EXPECT_EQ(counts.ground, 1);
    EXPECT_TRUE(isSignalConductor(deck.conductors.front()));
    EXPECT_FALSE(isSignalConductor(deck.conductors.back()));
}

TEST(GeometryPlates, RibbonIndex)
{
    Layout deck;
    Conductor& line = deck.add(ConductorShape::Line, 0.0, 10.0, 0.0, 10.0);
    line.nx = line.ny = 1;
    deck.add(ConductorShape::Plate, -100.0, 100.0, -20.0, -10.0);
    deck.circle(0.0, 50.0, 1.0, 6);
    // No cut points: the plate gets no ribbons, and its range in the table is empty.
    const Ribbons ribbons = buildRibbons(deck.settings, deck.conductors, PlateCuts{});
    EXPECT_EQ(ribbons.start, (std::vector<long>{0, 4, 4, 10}));
    EXPECT_EQ(ribbons.conductorCount(), 3);
    EXPECT_EQ(ribbons.count(), 10);
    EXPECT_EQ(ribbons.firstOf(1), 4);
    EXPECT_EQ(ribbons.endOf(1), 4);
    for (int k = 0; k < 3; ++k)
        for (long r = ribbons.firstOf(k); r < ribbons.endOf(k); ++r) EXPECT_EQ(ribbons.list[r].conductor, k) << r;
    EXPECT_EQ(ribbons.list[0].kind, RibbonKind::WholeFaceX);
    EXPECT_EQ(ribbons.list[ribbons.firstOf(2)].kind, RibbonKind::Chord);
    EXPECT_EQ(errorOf([&] { checkEveryConductorHasRibbons(deck.conductors, ribbons); }),
              "conductor 2 (plate) gets no ribbons (no line or circle faces it)");

    // No conductors: a table of one entry and no ribbons, and nothing to refuse.
    const Ribbons none = buildRibbons(deck.settings, {}, PlateCuts{});
    EXPECT_EQ(none.start, (std::vector<long>{0}));
    EXPECT_EQ(none.count(), 0);
    EXPECT_EQ(errorOf([&] { checkEveryConductorHasRibbons({}, none); }), "");
}

}  // namespace xsrl
