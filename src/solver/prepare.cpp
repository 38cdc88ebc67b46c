#include "solver/prepare.h"

#include "electrostatics/capacitance.h"
#include "geometry/checks.h"
#include "geometry/discretize.h"
#include "geometry/ribbon_index.h"
#include "solver/memory.h"

namespace xsrl {

PreparedStructure prepareStructure(const DeckRecords& deck)
{
    PreparedStructure prepared{deck.settings, deck.conductors, deck.dielectrics, {}, {}, {}, {}, {}, {}};
    const RunSettings& settings = prepared.settings;
    std::vector<Conductor>& conductors = prepared.conductors;
    checkConductorGeometry(conductors);
    if (settings.accuracy == Accuracy::High) chooseAccurateChordCounts(conductors);
    if (settings.plateCount != 0) prepared.plateCuts = placePlateCuts(conductors);
    checkLineCuts(conductors, settings);
    if (!settings.partial) classifyConductors(conductors);
    checkMemoryFits(settings, conductors, prepared.plateCuts, availableMemoryBytes());

    for (const Conductor& c : conductors) prepared.isSignal.push_back(isSignalConductor(c));
    prepared.ribbons = buildRibbons(settings, conductors, prepared.plateCuts);
    return prepared;
}

void cutCapacitancePanels(PreparedStructure& prepared)
{
    prepared.panels = buildPanels(prepared.conductors, prepared.dielectrics, prepared.settings.capacitancePanels);
}

void solveCapacitance(PreparedStructure& prepared, double availableBytes)
{
    const int conductorCount = static_cast<int>(prepared.conductors.size());
    checkPanelMemoryFits(prepared.panels.size(), conductorCount, availableBytes);
    prepared.capacitance = reportedCapacitance(prepared.settings, prepared.conductors,
                                               maxwellCapacitance(prepared.panels, conductorCount));
}

}  // namespace xsrl
