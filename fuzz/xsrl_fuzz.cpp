// libFuzzer target: exerciseDeck on every input. Crashes, sanitizer reports and exceptions
// other than xsrl::Error are findings.
#include <cstddef>
#include <cstdint>

#include "fuzz/exercise_deck.h"

using namespace xsrl;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    exerciseDeck(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
