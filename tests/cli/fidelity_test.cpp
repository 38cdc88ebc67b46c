// Whole runs compared byte for byte with the files an independent implementation of the
// same design writes for the same decks.
#include <gtest/gtest.h>

#include "run_deck.h"

namespace xsrl {

namespace {

// Reference outputs kept with the tests, so that the comparison runs in every clone.
const std::string kFidelity = std::string(XSRL_SOURCE_DIR) + "/tests/data/";

void expectSameAsReference(const std::string& name)
{
    const std::string reference = kFidelity + name + "/";
    ASSERT_TRUE(fileExists(reference + name + ".deck")) << "reference outputs not found at " << reference;

    const ProgramRun run = runDeck(readFile(reference + name + ".deck"), "w");
    EXPECT_EQ(std::to_string(run.status) + "\n", readFile(reference + "status"));
    EXPECT_EQ(withoutElapsedTime(run.out), readFile(reference + "stdout"));
    for (const std::string file : {"Zs", "induc", "plate"}) {
        if (!fileExists(reference + file)) continue;
        EXPECT_EQ(run.file(file), readFile(reference + file)) << file << " differs from " << reference + file;
    }
}

}  // namespace

TEST(Fidelity, PlateStripsAndCircle) { expectSameAsReference("plate-strips-circle"); }

TEST(Fidelity, WirePairInFeet) { expectSameAsReference("wire-pair-ft"); }

}  // namespace xsrl
