// The structure made ready for the sweep: the checks, the plate cuts, the classification into
// signal and ground conductors, the ribbons; then the matrices the sweep needs once.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "electrostatics/panels.h"
#include "geometry/plate_cuts.h"
#include "model/structure.h"
#include "numerics/matrix.h"
#include "xsrl/result.h"

namespace xsrl {

struct PreparedStructure {
    RunSettings settings;  // the deck's, with the threads of the run
    std::vector<Conductor> conductors;  // with the models the plate cuts fix
    std::vector<DielectricBlock> dielectrics;
    PlateCuts plateCuts;  // empty without plates
    Ribbons ribbons;
    std::vector<bool> isSignal;  // per conductor, see isSignalConductor
    RealMatrix partialInductance;  // H/m, symmetric; empty until computed or read
    std::vector<Panel> panels;  // capacitance panels; empty until cut
    ComplexMatrix capacitance;  // the reported complex capacitance (F/m); empty until solved
    PanelSolveFigures capacitanceSolve;  // how its panel matrix was kept
    RealMatrix vacuumCapacitance;  // the same conductors' reported C in vacuum (F/m), for the L-C check
};

// Structure checks, plate cuts, classification (refused for a loop report without a signal
// or a ground), the memory check and the ribbons.
PreparedStructure prepareStructure(const DeckRecords& deck);

// Panels on the outlines of the conductors and dielectric blocks.
void cutCapacitancePanels(PreparedStructure& prepared);

// The reported complex capacitance from the panels: refused first when the panel system
// cannot fit in `availableBytes`. `progress`, when given, is told the share done (0 to 1).
void solveCapacitance(PreparedStructure& prepared, double availableBytes,
                      const std::function<void(double)>& progress = {});

// The reported capacitance of the same conductors in vacuum, after solveCapacitance: its
// real part without dielectric blocks, else one more solve on the vacuum panels (fewer than
// the deck's, so the memory check of solveCapacitance holds for it).
void solveVacuumCapacitance(PreparedStructure& prepared);

}  // namespace xsrl
