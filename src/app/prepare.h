// Structure preparation: checks, plate cuts, ribbons, and the partial-inductance matrix
// computed (and stored in `induc`) or read back from `induc`.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "app/progress.h"
#include "model/structure.h"
#include "numerics/matrix.h"

namespace xsrl {

struct PreparedStructure {
    std::vector<long> ribbonIndex;   // entries 1 .. conductorCount + 1, see buildRibbonIndex
    long conductorCount = 0;
    long ribbonCount = 0;
    std::vector<const Ribbon*> ribbons; // in chain order
    std::vector<int> isSignal;       // per conductor in deck order, see isSignalConductor
    int signalCount = 0;
    RealMatrix partialInductance;    // H/m, symmetric
};

// Bytes this process may still use: what the system reports available, within any address
// space or data-size limit set on the process.
double availableMemoryBytes();

// Peak memory of a run with this many ribbons: the partial inductances (8 n^2 bytes), the
// complex ribbon impedance matrix and the inverse being built (16 n^2 bytes each), the records.
double runMemoryBytes(double ribbonCount);

// Refuses, before anything large is allocated, a structure whose ribbons cannot fit in
// `availableBytes`; the message gives the ribbon count, the bytes needed and those available.
void checkMemoryFits(const RunSettings& settings, const Conductor* head, double availableBytes);

// Every stage between reading the deck and the partial inductances: structure checks, plate
// cuts, the classification into signal and ground conductors (refused for a loop report
// without either), ribbons and the count line. Leaves partialInductance empty.
PreparedStructure prepareRibbons(RecordPool& pool, const RunSettings& settings, Conductor* head, Ribbon* headRibbon);

// A mode word starting with 'w' computes the partial inductances, showing its progress on
// `progressStream` (null: nowhere), and writes the run file `induc`; any other reads them from it.
void obtainPartialInductance(PreparedStructure& prepared, const RunSettings& settings, const std::string& mode,
                             std::FILE* progressStream);

// The upper triangle by ribbonPairInductance (lower-index ribbon first), mirrored below.
// Pairs are shared out over `threads` workers; every value is the same as one thread's.
// `progress`, when given, counts the pairs done.
RealMatrix computePartialInductance(const std::vector<const Ribbon*>& ribbons, int threads,
                                    ProgressLine* progress = nullptr);

void writeInduc(const std::string& path, const RealMatrix& inductance, double scale);
// Reads `induc` written for ribbonCount ribbons; refuses a file of another size, out of
// order, or holding a value that is not finite.
RealMatrix readInduc(const std::string& path, long ribbonCount, double scale);

// The ribbon pairs (i <= j) recomputed to check a stored `induc`: each sampled conductor's
// first and last ribbon with itself, and its first with the next conductor's first.
std::vector<std::pair<long, long>> inducSamplePairs(const std::vector<long>& ribbonIndex, long conductorCount);

// Refuses partial inductances read from a file written for another structure.
void checkInducFitsStructure(const PreparedStructure& prepared);

}  // namespace xsrl
