#include <gtest/gtest.h>

#include "model/structure.h"

namespace xsrl {

namespace {

TEST(ModelRecords, NewRecordsExtendTheChain)
{
    RecordPool pool;
    Conductor* head = newConductor(pool, nullptr);
    Conductor* second = newConductor(pool, head);
    Conductor* third = newConductor(pool, second);
    EXPECT_EQ(head->next, second);
    EXPECT_EQ(second->next, third);
    EXPECT_EQ(third->next, nullptr);

    Ribbon* ribbon = newRibbon(pool, nullptr);
    Ribbon* last = newRibbon(pool, ribbon);
    EXPECT_EQ(ribbon->next, last);
    EXPECT_EQ(last->next, nullptr);
}

TEST(ModelRecords, DefaultsLeaveShapeLinksAndRadiusAlone)
{
    RecordPool pool;
    Conductor* c = newConductor(pool, nullptr);
    Conductor* next = newConductor(pool, c);
    Ribbon* ribbon = newRibbon(pool, nullptr);
    c->shape = ConductorShape::Circle;
    c->rad = 2.5;
    c->firstRibbon = ribbon;
    c->firstRibbonIndex = 3;
    c->endRibbonIndex = 7;
    c->x1 = 9;
    c->sigma = 1;
    c->type = TypeVf;
    setConductorDefaults(*c);
    EXPECT_EQ(c->shape, ConductorShape::Circle);
    EXPECT_EQ(c->rad, 2.5);
    EXPECT_EQ(c->next, next);
    EXPECT_EQ(c->firstRibbon, ribbon);
    EXPECT_EQ(c->firstRibbonIndex, 3);
    EXPECT_EQ(c->endRibbonIndex, 7);
    EXPECT_EQ(c->x1, 0.0);
    EXPECT_EQ(c->sigma, 5.8e7);
    EXPECT_EQ(c->type, TypeTl);
}

} // namespace

}  // namespace xsrl
