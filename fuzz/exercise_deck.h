// One pass of the library over a deck text, as far as a deck of any size can go quickly: the
// deck reader, the checks, plate cuts and ribbons; for structures of at most 40 ribbons and
// sweeps of at most 8 intervals, the partial inductances and the sweep; with capacitance, the
// panels (at most 16 per side) and, for at most 600 of them, the electrostatic solve.
// An xsrl::Error is the expected refusal of a bad deck; anything else escaping is a defect.
#pragma once

#include <string>

#include "model/structure.h"
#include "xsrl/xsrl.h"

namespace xsrl {

inline void exerciseDeck(const std::string& deckText)
{
    try {
        const Deck deck = parseDeck(deckText);
        Prepared prepared = cutRibbons(deck);
        checkConductorsHaveRibbons(prepared);
        if (deck.computesCapacitance() && deck.records->settings.capacitancePanels <= 16) {
            cutPanels(prepared);
            if (prepared.panelCount() <= 600) computeCapacitance(prepared);
        }
        if (prepared.ribbonCount() <= 40 && deck.sweepIntervals() <= 8) {
            computeInductance(prepared, Threads{1});
            solve(prepared, Threads{1});
        }
    } catch (const Error&) {}
}

}  // namespace xsrl
