#include <gtest/gtest.h>

#include <cmath>

#include "geometry/geometry_fixtures.h"
#include "geometry/plates.h"

using namespace geometry_test;

TEST(GeometryChecks, ConductorGeometry)
{
    Deck deck;
    Conductor& plate = deck.add(ShapePlate, 0, 1, -2, -1);
    Conductor& line = deck.add(ShapeLine, 0, 1, 0, 1);
    Conductor& circle = deck.circle(0, 5, 1, 8);
    const auto error = [&] { return errorOf([&] { checkConductorGeometry(deck.head); }); };
    EXPECT_EQ(error(), "");
    circle.nr = 0;
    EXPECT_EQ(error(), "ERROR: conductor 3 (circle) has nr < 1\n");
    circle.rad = 0.0;
    EXPECT_EQ(error(), "ERROR: conductor 3 (circle) has rad <= 0\n");
    circle.rad = NAN; // the deck gave no rad
    EXPECT_EQ(error(), "ERROR: conductor 3 (circle) has no rad\n");
    line.x2 = NAN;
    EXPECT_EQ(error(), "ERROR: conductor 2 (line) has x2 <= x1\n");
    plate.y2 = plate.y1;
    EXPECT_EQ(error(), "ERROR: conductor 1 (plate) has y2 <= y1\n");
}

TEST(GeometryChecks, LineCuts)
{
    ScratchDirectory dir;
    Deck deck;
    deck.settings.fmax = 1e6;
    deck.circle(0, 5, 1, 8).nx = 0; // circles have no face counts
    Conductor& line = deck.add(ShapeLine, 0, 1, 0, 1);
    const auto error = [&] { return errorOf([&] { checkLineCuts(deck.head, deck.settings); }); };
    EXPECT_EQ(error(), "");
    line.ry = -1.0;
    EXPECT_EQ(error(), "ERROR: conductor 2 (line) has ry <= 0\n");
    line.rx = 0.0;
    EXPECT_EQ(error(), "ERROR: conductor 2 (line) has rx <= 0\n");
    line.ny = 0;
    EXPECT_EQ(error(), "ERROR: conductor 2 (line) has ny < 1\n");
    line.type = TypeVf; // a grid uses the counts, not the ratios
    line.ny = 1;
    EXPECT_EQ(error(), "");
    line.nx = 0;
    EXPECT_EQ(error(), "ERROR: conductor 2 (line) has nx < 1\n");
    line.x2 = line.y2 = 1e-6; // one filament, whatever its counts
    EXPECT_EQ(error(), "");

    // In a deck with plates the line is cut with nx = ny = 1, whatever the deck said.
    line.x2 = line.y2 = line.rx = line.ry = 1.0;
    line.type = TypeTl;
    deck.add(ShapePlate, -10, 10, -2, -1);
    EXPECT_NE(error(), "");
    placePlateCuts(deck.head);
    EXPECT_EQ(error(), "");
}
