#include "electrostatics/dielectrics.h"

#include <algorithm>
#include <string>

#include "support/errors.h"

namespace xsrl {

namespace {

std::string blockPlace(const DielectricBlock& block)
{
    return "deck line " + std::to_string(block.deckLine) + ", block " + std::to_string(block.blockNumber) +
           " (dielectric)";
}

// lo <= c < hi on the side the direction points to, lo < c <= hi on the other: the points
// just beside c along the direction are inside [lo, hi].
bool besideInside(double c, double direction, double lo, double hi)
{
    return direction > 0.0 ? lo <= c && c < hi : lo < c && c <= hi;
}

}  // namespace

void checkDielectricBlocks(const std::vector<DielectricBlock>& blocks)
{
    for (const DielectricBlock& block : blocks) {
        // Negated so that NaN is refused too.
        if (!(block.x1 < block.x2)) throw structureError(blockPlace(block) + ": x2 must be greater than x1");
        if (!(block.y1 < block.y2)) throw structureError(blockPlace(block) + ": y2 must be greater than y1");
    }
    for (std::size_t later = 1; later < blocks.size(); ++later) {
        const DielectricBlock& b = blocks[later];
        for (std::size_t earlier = 0; earlier < later; ++earlier) {
            const DielectricBlock& a = blocks[earlier];
            if (std::min(a.x2, b.x2) > std::max(a.x1, b.x1) && std::min(a.y2, b.y2) > std::max(a.y1, b.y1))
                throw structureError(blockPlace(b) + ": overlaps block " + std::to_string(a.blockNumber) +
                                     " (dielectric)");
        }
    }
}

Complex complexPermittivity(const std::vector<DielectricBlock>& blocks, int block)
{
    if (block < 0) return Complex(1.0, 0.0);
    const DielectricBlock& b = blocks[static_cast<std::size_t>(block)];
    return Complex(b.er, -b.er * b.tand);
}

int blockBeside(const std::vector<DielectricBlock>& blocks, Point p, Point normal)
{
    for (std::size_t k = 0; k < blocks.size(); ++k) {
        const DielectricBlock& b = blocks[k];
        const bool inside = normal.x != 0.0 ? besideInside(p.x, normal.x, b.x1, b.x2) && b.y1 < p.y && p.y < b.y2
                                            : besideInside(p.y, normal.y, b.y1, b.y2) && b.x1 < p.x && p.x < b.x2;
        if (inside) return static_cast<int>(k);
    }
    return -1;
}

int blockContaining(const std::vector<DielectricBlock>& blocks, Point p)
{
    for (std::size_t k = 0; k < blocks.size(); ++k) {
        const DielectricBlock& b = blocks[k];
        if (b.x1 < p.x && p.x < b.x2 && b.y1 < p.y && p.y < b.y2) return static_cast<int>(k);
    }
    return -1;
}

}  // namespace xsrl
