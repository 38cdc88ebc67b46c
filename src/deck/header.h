// The header of a deck: everything up to its first "end" (units, .freq, .partial, .solver,
// .capacitance, .cpanels). Part of the deck reader; not part of the library interface.
#pragma once

#include <string>

#include "model/structure.h"

namespace xsrl::deck {

// Fills the header fields of `settings`, which hold their defaults, from the deck text. The
// header ends at the first "end" of the deck, even one that stands as the word of ".unit" or
// ".partial". Unknown words in the header are passed over.
void readHeader(RunSettings& settings, const std::string& deck);

}  // namespace xsrl::deck
