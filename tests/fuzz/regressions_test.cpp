// Each file in fuzz/regressions/ is a minimized input on which the fuzzer once found a crash,
// a sanitizer report or an unexpected exception; the fuzz target's pass must now get through it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "fuzz/exercise_deck.h"
#include "test_support.h"

namespace xsrl {

TEST(FuzzRegressions, EveryFoundInputNowPasses)
{
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(XSRL_SOURCE_DIR "/fuzz/regressions")) {
        SCOPED_TRACE(entry.path().string());
        EXPECT_NO_THROW(exerciseDeck(readFile(entry.path())));
        ++count;
    }
    EXPECT_GT(count, 0);
}

}  // namespace xsrl
