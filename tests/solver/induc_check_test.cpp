// An `induc` file is checked against the structure it is read for, conductor by conductor.
#include <gtest/gtest.h>

#include <string>

#include "cli/run_deck.h"
#include "xsrl/xsrl.h"

namespace xsrl {

namespace {

// 17 strips side by side; the strip at position `taller` (from 0) is twice as high.
std::string stripsDeck(int taller)
{
    std::string deck = ".freq 1e6 1e9 2\n.unit um\n.partial yes\nend\n";
    for (int k = 0; k < 17; ++k)
        deck += "line{ x1=" + std::to_string(20 * k) + " x2=" + std::to_string(20 * k + 10) +
                " y1=0 y2=" + (k == taller ? "10" : "5") + " nx=2 ny=2 }\n";
    return deck + "end\n";
}

}  // namespace

// The same ribbon count, another height of one conductor: refused whichever conductor it is.
TEST(InducCheck, EveryConductorOfTheStructureIsChecked)
{
    const std::string induc = makeTempFolder() + "/induc";
    Prepared written = cutRibbons(parseDeck(stripsDeck(-1)));
    computeInductance(written, Threads{1});
    storeInductance(written, induc);
    Prepared same = cutRibbons(parseDeck(stripsDeck(-1)));
    EXPECT_NO_THROW(loadInductance(same, induc));
    for (const int taller : {0, 1, 8, 16}) {
        Prepared other = cutRibbons(parseDeck(stripsDeck(taller)));
        try {
            loadInductance(other, induc);
            ADD_FAILURE() << "accepted with conductor " << taller + 1 << " taller";
        } catch (const Error& error) {
            EXPECT_STREQ(error.what(), "induc was computed for a different structure; run again with w");
        }
    }
}

}  // namespace xsrl
