#include "solver/prepare.h"

#include "electrostatics/capacitance.h"
#include "geometry/accurate_cuts.h"
#include "geometry/checks.h"
#include "geometry/discretize.h"
#include "geometry/ribbon_index.h"
#include "solver/memory.h"

namespace xsrl {

PreparedStructure prepareStructure(const DeckRecords& deck)
{
    PreparedStructure prepared{deck.settings, deck.conductors, deck.dielectrics, {}, {}, {}, {}, {}, {}, {}, {}};
    const RunSettings& settings = prepared.settings;
    std::vector<Conductor>& conductors = prepared.conductors;
    const double availableBytes = availableMemoryBytes();
    checkMemoryFits(settings, conductors, nullptr, availableBytes);
    checkConductorGeometry(conductors);
    if (settings.accuracy == Accuracy::High) chooseAccurateChordCounts(conductors);
    if (settings.plateCount != 0) prepared.plateCuts = placePlateCuts(conductors, settings.accuracy);
    checkLineCuts(conductors, settings);
    // The accurate mode cuts finer than the deck asks: its counts are the floor.
    if (settings.accuracy == Accuracy::High) refineLineCuts(conductors, settings);
    if (!settings.partial) classifyConductors(conductors);
    if (settings.plateCount != 0) checkMemoryFits(settings, conductors, &prepared.plateCuts, availableBytes);

    for (const Conductor& c : conductors) prepared.isSignal.push_back(isSignalConductor(c));
    prepared.ribbons = buildRibbons(settings, conductors, prepared.plateCuts);
    return prepared;
}

void cutCapacitancePanels(PreparedStructure& prepared)
{
    const RunSettings& settings = prepared.settings;
    checkContactsForCapacitance(prepared.conductors, settings.partial);
    checkPanelEstimateFits(estimatedPanelCount(prepared.conductors, prepared.dielectrics, settings.capacitancePanels),
                           static_cast<int>(prepared.conductors.size()), availableMemoryBytes());
    prepared.panels = buildPanels(prepared.conductors, prepared.dielectrics, settings.capacitancePanels);
}

void solveCapacitance(PreparedStructure& prepared, double availableBytes, const std::function<void(double)>& progress)
{
    const int conductorCount = static_cast<int>(prepared.conductors.size());
    checkPanelMemoryFits(prepared.panels.size(), conductorCount, availableBytes);
    prepared.capacitance = reportedCapacitance(
        prepared.settings, prepared.conductors,
        maxwellCapacitance(prepared.panels, conductorCount, progress, PanelSolver::BySize, &prepared.capacitanceSolve));
}

void solveVacuumCapacitance(PreparedStructure& prepared)
{
    const int conductorCount = static_cast<int>(prepared.conductors.size());
    const ComplexMatrix vacuum =
        prepared.dielectrics.empty()
            ? prepared.capacitance
            : reportedCapacitance(prepared.settings, prepared.conductors,
                                  maxwellCapacitance(vacuumPanels(prepared.panels), conductorCount));
    prepared.vacuumCapacitance = dmatrix(vacuum.rows(), vacuum.cols());
    for (int i = 0; i < vacuum.rows(); ++i)
        for (int j = 0; j < vacuum.cols(); ++j) prepared.vacuumCapacitance[i][j] = real(vacuum[i][j]);
}

}  // namespace xsrl
