// Each file in fuzz/regressions/ is a minimized input on which the fuzzer once found a crash,
// a sanitizer report, an unexpected exception or a wrong answer; the fuzz target's pass must
// now get through it.
#include <gtest/gtest.h>

#include <cmath>
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
        EXPECT_EQ(exerciseDeck(readFile(entry.path())), "");
        ++count;
    }
    EXPECT_GT(count, 0);
}

// The answers the command line would end with success on are checked: these are wrong.
TEST(FuzzRegressions, WrongAnswersAreFindings)
{
    const auto point = [](RealMatrix l, RealMatrix c) {
        return FrequencyPoint{1e6, dmatrix(l.rows(), l.rows()), l, c, dmatrix(c.rows(), c.rows())};
    };
    const auto matrix2 = [](double a, double b, double c, double d) {
        RealMatrix m = dmatrix(2, 2);
        m[0][0] = a, m[0][1] = b, m[1][0] = c, m[1][1] = d;
        return m;
    };
    SweepResult result;
    const RealMatrix goodL = matrix2(4e-7, 1e-7, 1e-7, 4e-7), goodC = matrix2(1e-10, -2e-11, -2e-11, 1e-10);
    result.points = {point(goodL, goodC)};
    EXPECT_EQ(wrongAnswer(result, true), "");
    result.points = {point(matrix2(4e-7, 5e-7, 5e-7, 4e-7), goodC)};
    EXPECT_EQ(wrongAnswer(result, true), "the loop L is not symmetric positive definite");
    EXPECT_EQ(wrongAnswer(result, false), "");  // a partial L need not be
    result.points = {point(goodL, matrix2(1e-10, -2e-11, -3e-11, 1e-10))};
    EXPECT_EQ(wrongAnswer(result, false), "C is not symmetric positive definite");
    result.points = {point(goodL, matrix2(1e-10, -1e-10, -1e-10, 1e-10))};  // a Maxwell matrix
    EXPECT_EQ(wrongAnswer(result, false), "");
    EXPECT_EQ(wrongAnswer(result, true), "C is not symmetric positive definite");
    result.points.front().c[0][0] = std::nan("");
    EXPECT_EQ(wrongAnswer(result, true), "C or G is not finite");
    result.points.front().unphysical = "flagged";  // the command line ends with an error
    EXPECT_EQ(wrongAnswer(result, true), "");
    // So it does when any other frequency is flagged.
    result.points = {point(matrix2(4e-7, 5e-7, 5e-7, 4e-7), goodC), point(goodL, goodC)};
    result.points.back().unphysical = "flagged";
    EXPECT_EQ(wrongAnswer(result, true), "");
}

}  // namespace xsrl
