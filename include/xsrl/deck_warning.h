// Something the deck reader noticed and read past: the run goes on, but the deck may not say
// what its author meant. The kind tells a program how to show it.
#pragma once

#include <string>

namespace xsrl {

struct DeckWarning {
    enum class Kind {
        MissingSweep,  // ".freq is missing!": the header gives no sweep (an error follows)
        IgnoredWord,  // a word between blocks that opens none: the block it was meant for is lost
    };
    Kind kind = Kind::IgnoredWord;
    std::string text;  // without a prefix or a line end, like an error message
};

}  // namespace xsrl
