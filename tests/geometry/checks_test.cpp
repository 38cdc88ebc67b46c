#include <gtest/gtest.h>

#include <cmath>

#include "geometry/checks.h"
#include "geometry/geometry_fixtures.h"
#include "geometry/plate_cuts.h"

namespace xsrl {

using namespace geometry_test;

TEST(GeometryChecks, ConductorGeometry)
{
    Layout deck;
    Conductor& plate = deck.add(ConductorShape::Plate, 0, 1, -2, -1);
    Conductor& line = deck.add(ConductorShape::Line, 0, 1, 0, 1);
    Conductor& circle = deck.circle(0, 5, 1, 8);
    const auto error = [&] { return errorOf([&] { checkConductorGeometry(deck.conductors); }); };
    EXPECT_EQ(error(), "");
    circle.nr = 2;
    EXPECT_EQ(error(), "conductor 3 (circle) has nr = 2; nr must be at least 3");
    circle.rad = 0.0;
    EXPECT_EQ(error(), "conductor 3 (circle) has rad <= 0");
    circle.rad = NAN;  // the deck gave no rad
    EXPECT_EQ(error(), "conductor 3 (circle) has no rad");
    line.x2 = NAN;
    EXPECT_EQ(error(), "conductor 2 (line) has x2 <= x1");
    plate.y2 = plate.y1;
    EXPECT_EQ(error(), "conductor 1 (plate) has y2 <= y1");
    EXPECT_EQ(categoryOf([&] { checkConductorGeometry(deck.conductors); }), ErrorCategory::Structure);
}

namespace {

// A line or plate from x1, x2, y1, y2, or a circle from xc, yc, rad.
struct Piece {
    ConductorShape shape;
    double a, b, c, d = 0.0;
};

void addPiece(Layout& deck, const Piece& p)
{
    if (p.shape == ConductorShape::Circle)
        deck.circle(p.a, p.b, p.c, 8);
    else
        deck.add(p.shape, p.a, p.b, p.c, p.d);
}

}  // namespace

TEST(GeometryChecks, OverlapsRefusedTouchingAllowed)
{
    const Piece unit{ConductorShape::Line, 0, 1, 0, 1};
    const Piece plate{ConductorShape::Plate, -10, 10, -10, 10};
    const struct {
        Piece first, second;
        bool overlap;
    } cases[] = {
        {unit, unit, true},
        {unit, plate, true},
        {{ConductorShape::Line, 0, 10, 0, 1}, {ConductorShape::Line, 4, 5, -5, 5}, true},  // crossing
        {{ConductorShape::Circle, 0, 0, 1}, plate, true},
        {{ConductorShape::Circle, 0, 0, 1}, {ConductorShape::Circle, 1.5, 0, 1}, true},
        {{ConductorShape::Circle, 0, 0, 1}, {ConductorShape::Line, 0.5, 2, 0.5, 2}, true},  // over a corner
        {unit, {ConductorShape::Plate, 1, 2, 0, 1}, false},  // common edge
        {unit, {ConductorShape::Line, 1, 2, 1, 2}, false},  // common corner
        {{ConductorShape::Circle, 0, 5, 1}, {ConductorShape::Line, -1, 1, 0, 4}, false},  // tangent to an edge
        {{ConductorShape::Circle, 3, 4, 5}, {ConductorShape::Plate, -2, 0, -2, 0}, false},  // through a corner
        {{ConductorShape::Circle, 0, 0, 2}, {ConductorShape::Circle, 3, 4, 3}, false},
        // Contact written in millimetres, a few 1e-19 m inside once scaled, is contact; a
        // penetration of 1e-7 of the wire is not.
        {{ConductorShape::Circle, 0, 125 * 0.001, 12.5 * 0.001}, {ConductorShape::Line, -0.05, 0.05, 0, 112.5 * 0.001},
         false},
        {{ConductorShape::Circle, 0, 125 * 0.001, 12.5 * 0.001},
         {ConductorShape::Line, -0.05, 0.05, 0, 112.5 * 0.001 + 2.5e-9},
         true},
        {{ConductorShape::Line, 0, (0.1 + 0.3) * 0.001, 0, 1}, {ConductorShape::Line, 0.1 * 0.001 + 0.3 * 0.001, 1, 0, 1},
         false},
    };
    for (const auto& c : cases) {
        for (const bool swapped : {false, true}) {
            Layout deck;
            addPiece(deck, swapped ? c.second : c.first);
            addPiece(deck, swapped ? c.first : c.second);
            EXPECT_EQ(errorOf([&] { checkConductorGeometry(deck.conductors); }) != "", c.overlap)
                << &c - cases << swapped;
        }
    }

    // Both named, the lower position first; every conductor is checked on its own before any pair.
    Layout deck;
    addPiece(deck, {ConductorShape::Circle, 50, 50, 1});
    addPiece(deck, unit);
    Conductor& inside = deck.add(ConductorShape::Plate, 0.25, 0.75, 0.25, 0.75);
    EXPECT_EQ(errorOf([&] { checkConductorGeometry(deck.conductors); }),
              "conductor 2 (line) overlaps conductor 3 (plate)");
    inside.y2 = inside.y1;
    EXPECT_EQ(errorOf([&] { checkConductorGeometry(deck.conductors); }), "conductor 3 (plate) has y2 <= y1");
}

TEST(GeometryChecks, LineCuts)
{
    Layout deck;
    deck.settings.fmax = 1e6;
    deck.circle(0, 5, 1, 8).nx = 0;  // circles have no face counts
    Conductor& line = deck.add(ConductorShape::Line, 0, 1, 0, 1);
    const auto error = [&] { return errorOf([&] { checkLineCuts(deck.conductors, deck.settings); }); };
    EXPECT_EQ(error(), "");
    line.ry = -1.0;
    EXPECT_EQ(error(), "conductor 2 (line) has ry = -1; ry must be a positive number");
    line.rx = 0.0;
    EXPECT_EQ(error(), "conductor 2 (line) has rx = 0; rx must be a positive number");
    line.rx = NAN;
    EXPECT_EQ(error(), "conductor 2 (line) has rx = nan; rx must be a positive number");
    line.ny = 0;
    EXPECT_EQ(error(), "conductor 2 (line) has ny = 0; ny must be at least 1");
    line.model = ConductorModel::Vf;  // a grid uses the counts, not the ratios
    line.ny = 1;
    EXPECT_EQ(error(), "");
    line.nx = 0;
    EXPECT_EQ(error(), "conductor 2 (line) has nx = 0; nx must be at least 1");
    EXPECT_EQ(categoryOf([&] { checkLineCuts(deck.conductors, deck.settings); }), ErrorCategory::Structure);
    line.x2 = line.y2 = 1e-6;  // one filament, whatever its counts
    EXPECT_EQ(error(), "");

    // In a deck with plates the line is cut with nx = ny = 1, whatever the deck said.
    line.x2 = line.y2 = line.rx = line.ry = 1.0;
    line.model = ConductorModel::Tl;
    deck.add(ConductorShape::Plate, -10, 10, -2, -1);
    EXPECT_NE(error(), "");
    placePlateCuts(deck.conductors);
    EXPECT_EQ(error(), "");
}

}  // namespace xsrl
