// One pass of the library over a deck text, as far as a deck of any size can go quickly: the
// deck reader, the sweep and structure checks, plate cuts and ribbons; and, for structures of
// at most 40 ribbons, the partial inductances and the solve at the first sweep frequency; with
// capacitance, the panels and, for at most 600 of them, the electrostatic solve.
// A RunError is the expected refusal of a bad deck; anything else escaping is a defect.
// Writes the scratch file "plate" into the current folder.
#pragma once

#include <string>

#include "app/prepare.h"
#include "app/sweep.h"
#include "deck/deck.h"
#include "electrostatics/capacitance.h"
#include "electrostatics/dielectrics.h"
#include "support/run_error.h"

namespace xsrl {

inline void exerciseDeck(const std::string& deckText)
{
    RecordPool pool;
    RunSettings settings;
    Conductor* head = newConductor(pool, nullptr);
    Ribbon* headRibbon = newRibbon(pool, nullptr);
    try {
        readDeckText(pool, head, settings, deckText);
        checkSweep(settings);
        checkDielectricBlocks(pool.dielectrics);
        PreparedStructure prepared = prepareRibbons(pool, settings, head, headRibbon);
        if (prepared.ribbonCount <= 40) {
            prepared.partialInductance = computePartialInductance(prepared.ribbons, 1);
            conductorImpedance(settings, prepared, sweepOmega(settings, 0));
        }
        if (settings.capacitance && settings.capacitancePanels <= 16) {
            const std::vector<Panel> panels = buildPanels(head, pool.dielectrics, settings.capacitancePanels);
            if (panels.size() <= 600) maxwellCapacitance(panels, settings.plateCount + settings.lineCount);
        }
    } catch (const RunError&) {
    }
}

}  // namespace xsrl
