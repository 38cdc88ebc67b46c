// The library interface: a deck from text or from its file, the stages in a working folder,
// the ribbon list, and errors with the command line's text.
#include "xsrl/xsrl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/run_deck.h"

namespace xsrl {

namespace {

const std::string TwoStrips = std::string(XSRL_SOURCE_DIR) + "/examples/two-strips-over-plate.deck";

// Every value of the sweep, frequency by frequency, R then L.
std::vector<double> valuesOf(const SweepResult& result)
{
    std::vector<double> values;
    for (const FrequencyPoint& point : result.points) {
        values.push_back(point.frequency);
        for (const RealMatrix* m : {&point.r, &point.l})
            for (int i = 0; i < m->rows(); ++i)
                for (int j = 0; j < m->cols(); ++j) values.push_back((*m)[i][j]);
    }
    return values;
}

SweepResult solveIn(Deck& deck, const std::string& folder, const std::string& mode)
{
    deck.settings.folder = folder;
    return solve(deck, prepare(deck, mode));
}

}  // namespace

TEST(Library, DeckTextAndFileGiveTheSameSweepAndInducIsReadBack)
{
    const std::string folder = makeTempFolder();
    const SweepResult fromFile = solveIn(*loadDeck(TwoStrips), folder, "w");
    EXPECT_TRUE(fileExists(folder + "/plate"));
    EXPECT_TRUE(fileExists(folder + "/induc"));
    EXPECT_EQ(valuesOf(solveIn(*parseDeck(readFile(TwoStrips)), folder, "w")), valuesOf(fromFile));
    // induc holds the partial inductances rounded to its print precision.
    const std::vector<double> readBack = valuesOf(solveIn(*loadDeck(TwoStrips), folder, "r"));
    const std::vector<double> computed = valuesOf(fromFile);
    ASSERT_EQ(readBack.size(), computed.size());
    for (std::size_t k = 0; k < computed.size(); ++k) EXPECT_NEAR(readBack[k], computed[k], 1e-3 * computed[k]);
    ASSERT_EQ(fromFile.ports.size(), 3u);
    EXPECT_EQ(fromFile.points.size(), 11u);
}

TEST(Library, RibbonListFollowsTheConductorsInDeckOrder)
{
    const auto deck = loadDeck(TwoStrips);
    deck->settings.folder = makeTempFolder();
    const Prepared prepared = cutRibbons(*deck);
    const std::vector<RibbonInfo> ribbons = ribbonList(prepared);
    ASSERT_EQ(static_cast<long>(ribbons.size()), prepared.structure.ribbonCount);
    EXPECT_EQ(ribbons.front().conductor, 1);
    EXPECT_EQ(ribbons.back().conductor, 4);
    EXPECT_EQ(ribbons.back().kind, RibbonKind::Chord);
    // The circle of nr = 16 is the last conductor: 16 chords.
    EXPECT_EQ(std::count_if(ribbons.begin(), ribbons.end(), [](const RibbonInfo& r) { return r.conductor == 4; }), 16);
}

TEST(Library, ErrorsCarryTheCommandLineText)
{
    try {
        parseDeck(".freq 1 2 3\nline{ }\n");
        FAIL() << "no error";
    } catch (const RunError& error) {
        EXPECT_STREQ(error.what(), "ERROR: the deck ends before the \"end\" of its header\n");
    }
}

}  // namespace xsrl
