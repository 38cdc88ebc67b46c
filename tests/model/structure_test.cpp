#include <gtest/gtest.h>

#include <cmath>

#include "model/structure.h"

namespace xsrl {

namespace {

Ribbon ribbonOf(int conductor, double x1) { return Ribbon{x1, 0.0, x1 + 1.0, 1e-4, RibbonKind::FaceX, conductor}; }

TEST(ModelRecords, RibbonTableGivesEachConductorItsRange)
{
    // Three conductors in deck order, the middle one without ribbons (a plate nothing faces).
    Ribbons ribbons;
    ribbons.list = {ribbonOf(0, 0.0), ribbonOf(0, 1.0), ribbonOf(2, 5.0), ribbonOf(2, 6.0), ribbonOf(2, 7.0)};
    ribbons.start = {0, 2, 2, 5};
    EXPECT_EQ(ribbons.count(), 5);
    EXPECT_EQ(ribbons.conductorCount(), 3);
    EXPECT_EQ(ribbons.firstOf(0), 0);
    EXPECT_EQ(ribbons.endOf(0), 2);
    EXPECT_EQ(ribbons.firstOf(1), ribbons.endOf(1));
    EXPECT_EQ(ribbons.firstOf(2), 2);
    EXPECT_EQ(ribbons.endOf(2), ribbons.count());
    for (int k = 0; k < ribbons.conductorCount(); ++k)
        for (long r = ribbons.firstOf(k); r < ribbons.endOf(k); ++r)
            EXPECT_EQ(ribbons.list[static_cast<std::size_t>(r)].conductor, k) << r;

    // No conductors at all: one entry, the ribbon count 0.
    Ribbons none;
    none.start = {0};
    EXPECT_EQ(none.count(), 0);
    EXPECT_EQ(none.conductorCount(), 0);
}

TEST(ModelRecords, DefaultConductorHasTheBlockDefaults)
{
    const Conductor c;
    EXPECT_EQ(c.shape, ConductorShape::Line);
    EXPECT_EQ(c.model, ConductorModel::Tl);
    EXPECT_EQ(c.nx, 5);
    EXPECT_EQ(c.ny, 5);
    EXPECT_EQ(c.nr, 10);
    EXPECT_EQ(c.rx, 1.0);
    EXPECT_EQ(c.ry, 1.0);
    EXPECT_EQ(c.x1, 0.0);
    EXPECT_EQ(c.y1, 1.0);
    EXPECT_EQ(c.x2, 0.0);
    EXPECT_EQ(c.y2, 1.0);
    EXPECT_EQ(c.sigma, 5.8e7);
    EXPECT_EQ(c.v, 1.0);
    EXPECT_EQ(c.xc, 0.0);
    EXPECT_EQ(c.yc, 0.0);
    EXPECT_TRUE(std::isnan(c.rad));  // a circle must give its radius

    // Messages name a conductor by its position from 1 and its block word.
    Conductor circle;
    circle.shape = ConductorShape::Circle;
    EXPECT_EQ(conductorName(2, circle), "conductor 3 (circle)");
    EXPECT_EQ(conductorName(0, c), "conductor 1 (line)");
    circle.shape = ConductorShape::Plate;
    EXPECT_EQ(conductorName(9, circle), "conductor 10 (plate)");
}

}  // namespace

}  // namespace xsrl
