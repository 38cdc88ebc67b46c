// The file `induc`: the partial-inductance matrix as text, per deck length unit, the upper
// triangle in row order ("i j value" per line), so that a later run of the same deck can
// skip the costly fill.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "model/structure.h"
#include "numerics/matrix.h"

namespace xsrl {

void writeInduc(const std::string& path, const RealMatrix& inductance, double scale);

// Reads `induc` written for ribbonCount ribbons; refuses a file of another size, out of
// order, or holding a value that is not finite.
RealMatrix readInduc(const std::string& path, long ribbonCount, double scale);

// The ribbon pairs (i <= j) recomputed to check a stored `induc`: each sampled conductor's
// first and last ribbon with itself, and its first with the next conductor's first.
std::vector<std::pair<long, long>> inducSamplePairs(const Ribbons& ribbons);

// Refuses partial inductances read from a file written for another structure (or accuracy mode).
void checkInducFitsStructure(const Ribbons& ribbons, const RealMatrix& inductance, Accuracy accuracy);

}  // namespace xsrl
