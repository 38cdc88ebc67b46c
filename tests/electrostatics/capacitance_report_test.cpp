// Whole runs with capacitance: the report Cs beside Zs, old decks left alone, and the
// consistency of the two solvers.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "cli/run_deck.h"
#include "xsrl/xsrl.h"

namespace xsrl {

namespace {

constexpr double Epsilon0 = 8.8541878128e-12;
constexpr double LightSpeed = 299792458.0;

// Two wires of 0.5 mm radius, centres 2 mm apart, the second the return.
std::string wirePair(const std::string& header, const std::string& extra = "")
{
    return header + "\n.unit mm\nend\n" + extra +
           "circle{ xc=0 yc=0 rad=0.5 nr=16 }\n"
           "circle{ xc=2 yc=0 rad=0.5 nr=16 v=0 }\n"
           "end\n";
}

}  // namespace

TEST(CapacitanceReport, CsHoldsOneBlockPerFrequencyInTheLayoutOfZs)
{
    const ProgramRun run = runDeck(wirePair(".freq 1e6 1e8 2\n.capacitance yes"));
    ASSERT_EQ(run.status, 0) << run.out;
    const std::string cs = run.file("Cs");
    EXPECT_EQ(cs.substr(0, 53), "\nCapacitance 1 x 1 matrix (C,G) at f=1.0000e+06 Hz\n( ");
    const std::vector<ReportBlock> blocks = parseReport(cs, CsHeading);
    ASSERT_EQ(blocks.size(), 3u);
    const double exact = M_PI * Epsilon0 / std::acosh(2.0) * 1e-3;  // per mm
    for (const ReportBlock& b : blocks) {
        EXPECT_NEAR(b.r[0], exact, 5e-3 * exact);
        EXPECT_EQ(b.l[0], 0.0);  // no loss
    }
    EXPECT_DOUBLE_EQ(blocks[2].frequency, 1e8);
    EXPECT_NE(run.out.find("Total 32 ribbons, 2 conductor\nTotal "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(" panels for the capacitance\n"), std::string::npos) << run.out;
}

TEST(CapacitanceReport, OneAndZeroPointSweepsBehaveAsInZs)
{
    for (const auto& [freq, frequency, status] :
         {std::tuple{".freq 1e6 1e8 1", 1e6, 1}, std::tuple{".freq 1e6 1e8 0", 1e8, 0}}) {
        const ProgramRun run = runDeck(wirePair(freq, "dielectric{ x1=-5 x2=7 y1=-5 y2=5 er=2 tand=0.01 }\n"));
        EXPECT_EQ(run.status, status) << freq;
        const std::vector<ReportBlock> blocks = parseReport(run.file("Cs"), CsHeading);
        ASSERT_EQ(blocks.size(), 1u) << freq;
        EXPECT_DOUBLE_EQ(blocks[0].frequency, frequency) << freq;
        // Most of the field is in the lossy block: G is a little below omega tand C.
        const double ratio = blocks[0].l[0] / (2 * M_PI * frequency * blocks[0].r[0]);
        EXPECT_GT(ratio, 0.009) << freq;
        EXPECT_LT(ratio, 0.010) << freq;
    }
}

// Dielectric blocks are no conductors and leave R and L alone; without them and without
// ".capacitance yes" nothing of the capacitance appears.
TEST(CapacitanceReport, DielectricsLeaveZsAloneAndOldDecksWriteNoCs)
{
    const ProgramRun plain = runDeck(wirePair(".freq 1e6 1e8 2"));
    const ProgramRun no = runDeck(wirePair(".freq 1e6 1e8 2\n.capacitance no"));
    const ProgramRun filled = runDeck(wirePair(".freq 1e6 1e8 2", "dielectric{ x1=-5 x2=7 y1=-5 y2=5 er=4 }\n"));
    ASSERT_EQ(filled.status, 0) << filled.out;
    EXPECT_FALSE(plain.has("Cs"));
    EXPECT_FALSE(no.has("Cs"));
    EXPECT_TRUE(filled.has("Cs"));
    EXPECT_EQ(no.file("Zs"), plain.file("Zs"));
    EXPECT_EQ(filled.file("Zs"), plain.file("Zs"));
    EXPECT_EQ(filled.file("induc"), plain.file("induc"));
    EXPECT_EQ(withoutElapsedTime(no.out), withoutElapsedTime(plain.out));
}

// In a homogeneous medium the loop matrices of the two solvers satisfy L C = er / c0^2 I;
// L at 10 GHz, where the wires are hundreds of skin depths thick. The whole deck through the
// library, the matrices at full precision in SI units.
TEST(CapacitanceReport, LoopInductanceTimesCapacitanceIsErOverLightSpeedSquared)
{
    for (const double er : {1.0, 4.0}) {
        const std::string block = er == 1.0 ? "" : "dielectric{ x1=-40 x2=40 y1=-40 y2=40 er=4 }\n";
        const SweepResult result = solveDeck(parseDeck(".freq 1e10 1e10 0\n.unit mm\n.capacitance yes\nend\n" + block +
                                                       "circle{ xc=0 yc=0 rad=0.5 nr=64 }\n"
                                                       "circle{ xc=2 yc=0 rad=0.5 nr=64 }\n"
                                                       "circle{ xc=1 yc=-1.5 rad=0.5 nr=64 v=0 }\nend\n"),
                                             Threads{2});
        ASSERT_TRUE(result.hasCapacitance());
        ASSERT_EQ(result.points.size(), 1u);
        const FrequencyPoint& point = result.points[0];
        ASSERT_EQ(point.l.rows(), 2);
        ASSERT_EQ(point.c.rows(), 2);
        EXPECT_EQ(point.singularInversions, 0);
        for (int i = 0; i < 2; ++i) {
            for (int j = 0; j < 2; ++j) {
                double product = 0.0;
                for (int k = 0; k < 2; ++k) product += point.l[i][k] * point.c[k][j];
                const double expected = i == j ? er / (LightSpeed * LightSpeed) : 0.0;
                EXPECT_NEAR(product, expected, 0.01 * er / (LightSpeed * LightSpeed)) << er << " " << i << j;
            }
        }
        // The L-C check takes C0 in vacuum whatever the blocks: er does not show in it.
        EXPECT_LT(result.lcCheck, 0.005) << er;
    }
}

TEST(CapacitanceReport, DeckAndFileErrorsEndTheRun)
{
    const ProgramRun overlap = runDeck(wirePair(".freq 1e6 1e8 2", "dielectric{ x1=-5 x2=0 y1=-5 y2=0 }\n"
                                                                   "dielectric{ x1=-1 x2=7 y1=-1 y2=5 }\n"));
    EXPECT_EQ(overlap.status, 1);
    EXPECT_EQ(overlap.out, "\n\nERROR: deck line 5, block 2 (dielectric): overlaps block 1 (dielectric)\n");
    const ProgramRun flat = runDeck(wirePair(".freq 1e6 1e8 2", "dielectric{ x1=1 x2=1 y1=-1 y2=5 }\n"));
    EXPECT_EQ(flat.out, "\n\nERROR: deck line 4, block 1 (dielectric): x2 must be greater than x1\n");

    const std::string folder = makeTempFolder();
    std::filesystem::create_directory(folder + "/Cs");
    const ProgramRun blocked = runDeck(wirePair(".freq 1e6 1e8 2\n.capacitance yes"), "w", folder);
    EXPECT_EQ(blocked.status, 1);
    EXPECT_NE(blocked.out.find("ERROR: cannot open Cs for writing: Is a directory\n"), std::string::npos)
        << blocked.out;
    EXPECT_FALSE(blocked.has("induc"));  // refused before the costly step
}

}  // namespace xsrl
