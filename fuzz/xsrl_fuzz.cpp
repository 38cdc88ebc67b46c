// libFuzzer target: exerciseDeck on every input. Crashes, sanitizer reports and exceptions
// other than RunError are findings. Each input may write the scratch file "plate" into the
// current folder, so run it from a scratch folder (`make fuzz` runs it in build-fuzz/).
// It does not change folder itself: libFuzzer resolves the corpus and artifact paths, and
// its own program path for -fork and -minimize_crash, against the current folder.
#include <cstddef>
#include <cstdint>

#include "fuzz/exercise_deck.h"

using namespace xsrl;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    exerciseDeck(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
