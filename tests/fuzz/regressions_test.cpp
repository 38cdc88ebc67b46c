// Each file in fuzz/regressions/ is a minimized input on which the fuzzer once found a crash,
// a sanitizer report or an unexpected exception; the library must now get through it. Each
// deck goes through the stages the fuzz target runs, with the same bounds on the costly ones;
// an Error is the expected refusal of a bad deck, anything else escaping is a defect.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "test_support.h"
#include "xsrl/xsrl.h"

namespace xsrl {

namespace {

void passThroughTheLibrary(const std::string& deckText)
{
    try {
        const Deck deck = parseDeck(deckText);
        Prepared prepared = cutRibbons(deck);
        checkConductorsHaveRibbons(prepared);
        if (deck.computesCapacitance()) {
            cutPanels(prepared);
            if (prepared.panelCount() > 600) return;
            computeCapacitance(prepared);
        }
        if (prepared.ribbonCount() > 40) return;
        computeInductance(prepared, Threads{1});
        solve(prepared, Threads{1});
    } catch (const Error&) {
    }
}

} // namespace

TEST(FuzzRegressions, EveryFoundInputNowPasses)
{
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(XSRL_SOURCE_DIR "/fuzz/regressions")) {
        SCOPED_TRACE(entry.path().string());
        EXPECT_NO_THROW(passThroughTheLibrary(readFile(entry.path())));
        ++count;
    }
    EXPECT_GT(count, 0);
}

}  // namespace xsrl
