// Values that no passive structure can have are flagged on their sweep point: results of
// sizes too far apart for double precision, never the repository's decks.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "solver/physical_checks.h"
#include "xsrl/xsrl.h"

namespace xsrl {

namespace {

// The first finding of the sweep, "" when there is none.
std::string firstFinding(const SweepResult& result)
{
    for (const FrequencyPoint& point : result.points)
        if (!point.unphysical.empty()) return point.unphysical;
    return "";
}

}  // namespace

// A 1 nm line over a 1 m plate, a 1 um line over a 1 km plate, and a poor conductor at
// millihertz (R / omega L about 1e18): the loop L that comes out is negative.
TEST(PhysicalChecks, LoopInductanceLostToRoundingIsFlagged)
{
    const std::string sweep = ".freq 1e6 1e9 1\n.unit m\nend\n";
    for (const char* structure :
         {"plate{ x1=-0.5 x2=0.5 y1=-0.01 y2=0 v=0 }\nline{ x1=0 x2=1e-9 y1=1e-9 y2=2e-9 }\n",
          "plate{ x1=-500 x2=500 y1=-1 y2=0 v=0 }\nline{ x1=0 x2=1e-6 y1=1e-6 y2=2e-6 }\n"})
        EXPECT_EQ(firstFinding(solveDeck(parseDeck(sweep + structure + "end\n"), Threads{1})),
                  "the loop inductance matrix is not positive definite");
    const SweepResult poor = solveDeck(parseDeck(".freq 1e-3 1e3 2\n.unit um\nend\n"
                                                 "plate{ x1=-1000 x2=1000 y1=-35 y2=0 v=0 sigma=1e-9 }\n"
                                                 "line{ x1=-50 x2=50 y1=100 y2=118 sigma=1e-9 }\nend\n"),
                                       Threads{1});
    EXPECT_EQ(firstFinding(poor), "the loop inductance matrix is not positive definite");
}

// Every deck of the repository keeps its results: no finding at any frequency.
TEST(PhysicalChecks, RepositoryDecksAreNotFlagged)
{
    int decks = 0;
    for (const char* folder : {"/examples", "/fuzz/corpus", "/tests/data/wire-pair-ft"}) {
        for (const auto& entry : std::filesystem::directory_iterator(std::string(XSRL_SOURCE_DIR) + folder)) {
            if (entry.path().extension() != ".deck") continue;
            try {
                const SweepResult result = solveDeck(loadDeck(entry.path().string()), Threads{2});
                EXPECT_EQ(firstFinding(result), "") << entry.path();
                ++decks;
            } catch (const Error&) {  // a corpus deck the checks refuse
            }
        }
    }
    EXPECT_GE(decks, 15);
}

// A diagonal R below what the ribbons allow with the current spread as at DC is flagged.
TEST(PhysicalChecks, ResistanceBelowItsFloorIsFlagged)
{
    const Deck deck =
        parseDeck(".freq 1e3 1e3 0\n.partial yes\nend\nline{ x2=1e-3 y1=0 y2=1e-3 type=vf nx=3 ny=3 }\nend\n");
    Prepared prepared = cutRibbons(deck);
    computeInductance(prepared, Threads{1});
    SweepResult result = solve(prepared, Threads{1});
    FrequencyPoint& point = result.points.front();
    const double omega = 2 * M_PI * point.frequency;
    const double floor = resistanceFloor(*prepared.structure, 0, omega);
    EXPECT_NEAR(floor, 1.0 / (5.8e7 * 1e-6), 1e-12 * floor);  // the DC resistance of the grid
    EXPECT_EQ(point.unphysical, "");
    point.r[0][0] = floor * (1 - 1e-6);
    EXPECT_EQ(unphysicalFinding(*prepared.structure, point, omega),
              "the resistance of conductor 1 (line), 1.7241e-02 ohm/m, is below its DC floor 1.7241e-02 ohm/m");
}

}  // namespace xsrl
