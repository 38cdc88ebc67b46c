#include <gtest/gtest.h>

#include "electrostatics/dielectrics.h"
#include "xsrl/error.h"

namespace xsrl {

namespace {

DielectricBlock block(double x1, double y1, double x2, double y2, int number, double er = 2.0)
{
    DielectricBlock b;
    b.x1 = x1, b.y1 = y1, b.x2 = x2, b.y2 = y2, b.er = er;
    b.blockNumber = number;
    b.deckLine = 10 + number;
    return b;
}

std::string errorOf(const std::vector<DielectricBlock>& blocks)
{
    try {
        checkDielectricBlocks(blocks);
    } catch (const Error& error) {
        return (error.category() == ErrorCategory::Structure ? "" : "(not a structure error) ") +
               std::string(error.what());
    }
    return "no error";
}

}  // namespace

TEST(DielectricBlocks, RefusesFlatBlocksAndOverlapsButNotTouching)
{
    EXPECT_EQ(errorOf({block(0, 0, 1, 1, 1), block(1, 0, 2, 1, 2), block(0, 1, 2, 3, 4)}), "no error");
    EXPECT_EQ(errorOf({block(1, 0, 1, 1, 3)}), "deck line 13, block 3 (dielectric): x2 must be greater than x1");
    EXPECT_EQ(errorOf({block(0, 2, 1, 1, 2)}), "deck line 12, block 2 (dielectric): y2 must be greater than y1");
    EXPECT_EQ(errorOf({block(0, 0, 2, 2, 1), block(5, 5, 6, 6, 2), block(1.5, 1.5, 3, 3, 4)}),
              "deck line 14, block 4 (dielectric): overlaps block 1 (dielectric)");
}

TEST(DielectricBlocks, MediumBesideAPointOnAnEdge)
{
    const std::vector<DielectricBlock> blocks{block(0, 0, 2, 1, 1, 4.0), block(0, 1, 2, 2, 2, 3.0)};
    EXPECT_EQ(blockBeside(blocks, {1, 1}, {0, -1}), 0);
    EXPECT_EQ(blockBeside(blocks, {1, 1}, {0, 1}), 1);
    EXPECT_EQ(blockBeside(blocks, {2, 0.5}, {1, 0}), -1);
    EXPECT_EQ(blockBeside(blocks, {2, 0.5}, {-1, 0}), 0);
    EXPECT_EQ(blockContaining(blocks, {1, 1.5}), 1);
    EXPECT_EQ(blockContaining(blocks, {1, 1}), -1);  // on an edge: in neither interior
    DielectricBlock lossy = block(0, 0, 1, 1, 1, 4.0);
    lossy.tand = 0.02;
    EXPECT_EQ(complexPermittivity({lossy}, 0).re, 4.0);
    EXPECT_NEAR(complexPermittivity({lossy}, 0).im, -0.08, 1e-16);
    EXPECT_EQ(complexPermittivity(blocks, -1).re, 1.0);
}

}  // namespace xsrl
