// Each file in fuzz/regressions/ is a minimized input on which the fuzzer once found a crash,
// a sanitizer report or an unexpected exception; exerciseDeck must now get through it.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/run_deck.h"
#include "fuzz/exercise_deck.h"

namespace xsrl {

TEST(FuzzRegressions, EveryFoundInputNowPasses)
{
    const std::filesystem::path original = std::filesystem::current_path();
    std::filesystem::current_path(makeTempFolder());
    for (const auto& entry : std::filesystem::directory_iterator(XSRL_SOURCE_DIR "/fuzz/regressions")) {
        SCOPED_TRACE(entry.path().string());
        EXPECT_NO_THROW(exerciseDeck(readFile(entry.path())));
    }
    std::filesystem::current_path(original);
}

}  // namespace xsrl
