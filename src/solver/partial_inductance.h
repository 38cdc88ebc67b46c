// The partial-inductance matrix of all ribbons: the costly step that a run does once.
#pragma once

#include <functional>
#include <vector>

#include "model/structure.h"
#include "numerics/matrix.h"

namespace xsrl {

// The upper triangle by ribbonPairInductance (lower-index ribbon first) with the kernels of the
// accuracy mode, mirrored below; H/m.
// Rows are shared out over `threads` workers; every value is the same as one thread's.
// `advance`, when given, is told of the pairs done, from the worker threads.
RealMatrix computePartialInductance(const std::vector<Ribbon>& ribbons, Accuracy accuracy, int threads,
                                    const std::function<void(long)>& advance = {});

}  // namespace xsrl
