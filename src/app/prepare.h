// Structure preparation: checks, plate cuts, ribbons, and the partial-inductance matrix
// computed (and stored in `induc`) or read back from `induc`.
#pragma once

#include <string>
#include <vector>

#include "model/structure.h"
#include "numerics/matrix.h"

struct PreparedStructure {
    std::vector<long> ribbonIndex;   // entries 1 .. conductorCount + 1, see buildRibbonIndex
    long conductorCount = 0;
    long ribbonCount = 0;
    std::vector<const Ribbon*> ribbons; // in chain order
    RealMatrix partialInductance;    // H/m, symmetric
};

// Every stage between reading the deck and the partial inductances: structure checks, plate
// cuts, classification, ribbons and the count line. Leaves partialInductance empty.
PreparedStructure prepareRibbons(RecordPool& pool, const RunSettings& settings, Conductor* head, Ribbon* headRibbon);

// A mode word starting with 'w' computes the partial inductances and writes `induc`; any
// other reads them from `induc`.
void obtainPartialInductance(PreparedStructure& prepared, const RunSettings& settings, const std::string& mode);

// The upper triangle by ribbonPairInductance (lower-index ribbon first), mirrored below.
// Pairs are shared out over `threads` workers; every value is the same as one thread's.
RealMatrix computePartialInductance(const std::vector<const Ribbon*>& ribbons, unsigned threads);

void writeInduc(const std::string& path, const RealMatrix& inductance, double scale);
RealMatrix readInduc(const std::string& path, long ribbonCount, double scale);
