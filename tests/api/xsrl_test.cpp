// The library interface: a deck from text or from its file, the stages one by one or all at
// once, partial inductances stored and read back, the ribbon list, and errors by category.
#include "xsrl/xsrl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/run_deck.h"

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

// The stages one by one, the partial inductances computed and stored in `induc` (mode "w")
// or read back from it.
SweepResult solveByStages(const Deck& deck, const std::string& induc, const std::string& mode)
{
    Prepared prepared = cutRibbons(deck);
    checkConductorsHaveRibbons(prepared);
    if (deck.computesCapacitance()) {
        cutPanels(prepared);
        computeCapacitance(prepared);
    }
    if (mode == "w") {
        computeInductance(prepared);
        storeInductance(prepared, induc);
    } else {
        loadInductance(prepared, induc);
    }
    return solve(prepared);
}

// Runs `work` with `folder` as the current folder.
template <class Work>
void inFolder(const std::string& folder, Work work)
{
    const std::filesystem::path here = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    try {
        work();
    } catch (...) {
        std::filesystem::current_path(here);
        throw;
    }
    std::filesystem::current_path(here);
}

}  // namespace

TEST(Library, DeckTextAndFileGiveTheSameSweepAndInducIsReadBack)
{
    const std::string folder = makeTempFolder();
    const std::string induc = folder + "/induc";
    const SweepResult fromFile = solveByStages(loadDeck(TwoStrips), induc, "w");
    EXPECT_TRUE(fileExists(induc));
    EXPECT_EQ(valuesOf(solveByStages(parseDeck(readFile(TwoStrips)), folder + "/induc-text", "w")), valuesOf(fromFile));
    EXPECT_EQ(valuesOf(solveDeck(loadDeck(TwoStrips))), valuesOf(fromFile));
    // induc holds the partial inductances rounded to its print precision.
    const std::vector<double> readBack = valuesOf(solveByStages(loadDeck(TwoStrips), induc, "r"));
    const std::vector<double> computed = valuesOf(fromFile);
    ASSERT_EQ(readBack.size(), computed.size());
    for (std::size_t k = 0; k < computed.size(); ++k) EXPECT_NEAR(readBack[k], computed[k], 1e-3 * computed[k]);
    ASSERT_EQ(fromFile.ports.size(), 3u);
    EXPECT_EQ(fromFile.points.size(), 11u);
}

TEST(Library, WritesNoFileUnlessAsked)
{
    const std::string folder = makeTempFolder();
    SweepResult result;
    std::string plateCuts;
    inFolder(folder, [&] {
        const Deck deck = loadDeck(TwoStrips);
        plateCuts = cutRibbons(deck).plateCutsText();
        result = solveDeck(deck);
    });
    // The deck has a plate: its cut points are there to be written, and nothing was.
    EXPECT_FALSE(plateCuts.empty());
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    EXPECT_GT(result.ribbonCount, 0);
    EXPECT_EQ(result.points.size(), 11u);
}

TEST(Library, RibbonListFollowsTheConductorsInDeckOrder)
{
    const Prepared prepared = cutRibbons(loadDeck(TwoStrips));
    const std::vector<RibbonInfo> ribbons = ribbonList(prepared);
    ASSERT_EQ(static_cast<long>(ribbons.size()), prepared.ribbonCount());
    EXPECT_EQ(ribbons.front().conductor, 1);
    EXPECT_EQ(ribbons.back().conductor, 4);
    EXPECT_EQ(ribbons.back().kind, RibbonKind::Chord);
    // The circle of nr = 16 is the last conductor: 16 chords.
    EXPECT_EQ(std::count_if(ribbons.begin(), ribbons.end(), [](const RibbonInfo& r) { return r.conductor == 4; }), 16);
}

TEST(Library, ErrorsCarryTheirCategoryAndAPlainMessage)
{
    try {
        parseDeck(".freq 1 2 3\nline{ }\n");
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.category(), ErrorCategory::Deck);
        EXPECT_STREQ(error.what(), "the deck ends before the \"end\" of its header");
    }
}

TEST(Library, WarningsAreToldEvenWhenAnErrorFollowsThem)
{
    // Without ".freq" the deck reads with a warning; the sweep check refuses it.
    const Deck deck = readDeckText(".unit um\nend\nline{ x2=1 y1=0 }\nend\n");
    ASSERT_EQ(deck.warnings().size(), 1u);
    EXPECT_EQ(deck.warnings()[0].kind, DeckWarning::Kind::MissingSweep);
    EXPECT_EQ(deck.warnings()[0].text, ".freq is missing!");
    EXPECT_THROW(checkDeck(deck), Error);

    std::vector<DeckWarning> warnings;
    EXPECT_THROW(readDeckText(".unit um\nend\nline{ x2=1 y1=0 }\n", &warnings), Error);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].text, ".freq is missing!");
}

}  // namespace xsrl
