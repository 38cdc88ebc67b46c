// libFuzzer target: exerciseDeck on every input. Crashes, sanitizer reports, exceptions other
// than xsrl::Error and wrong answers (aborted here) are findings.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/exercise_deck.h"

using namespace xsrl;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string wrong = exerciseDeck(std::string(reinterpret_cast<const char*>(data), size));
    if (!wrong.empty()) {
        std::fprintf(stderr, "wrong answer: %s\n", wrong.c_str());
        std::abort();
    }
    return 0;
}
