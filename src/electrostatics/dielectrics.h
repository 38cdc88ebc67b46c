// The dielectric blocks of a deck: their checks, their complex permittivity, and which block
// holds the medium at a point.
#pragma once

#include <vector>

#include "electrostatics/panel_integrals.h"
#include "model/structure.h"
#include "numerics/complex.h"

namespace xsrl {

// Refuses a block with x2 <= x1 or y2 <= y1 and two blocks that overlap with positive area
// (touching is fine), naming the deck line and the block.
void checkDielectricBlocks(const std::vector<DielectricBlock>& blocks);

// er (1 - j tand); vacuum (1, 0) for block -1.
Complex complexPermittivity(const std::vector<DielectricBlock>& blocks, int block);

// The block that holds the points just beside p in the direction `normal` (one of +-x, +-y),
// or -1 for vacuum; p lies on a line parallel to an axis.
int blockBeside(const std::vector<DielectricBlock>& blocks, Point p, Point normal);

// The block whose interior holds p, or -1.
int blockContaining(const std::vector<DielectricBlock>& blocks, Point p);

}  // namespace xsrl
