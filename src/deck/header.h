// The header of a deck: everything up to its first "end" (units, .freq, .partial, .solver,
// .capacitance, .cpanels). Part of the deck reader; not part of the library interface.
#pragma once

#include <ios>
#include <string>

#include "model/structure.h"

namespace xsrl::deck {

// Fills the header fields of `settings`, which hold their defaults, from the deck text, and
// returns where the header's "end" begins. The header ends at the first "end" of the deck.
// Unknown words in the header are passed over; an unknown word after a directive is refused.
std::streampos readHeader(RunSettings& settings, const std::string& deck);

}  // namespace xsrl::deck
