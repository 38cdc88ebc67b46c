#include "solver/partial_inductance.h"

#include "kernels/inductance.h"
#include "numerics/parallel.h"

namespace xsrl {

RealMatrix computePartialInductance(const std::vector<Ribbon>& ribbons, Accuracy accuracy, int threads,
                                    const std::function<void(long)>& advance)
{
    const int n = static_cast<int>(ribbons.size());
    RealMatrix inductance = squareMatrix(n);
    // Each free thread takes the next row: row i holds n - i pairs, so the shares balance.
    runInParallel(threads, n, [&](int, int i) {
        const Ribbon& ribbon = ribbons[static_cast<std::size_t>(i)];
        for (int j = i; j < n; ++j) {
            const double value = ribbonPairInductance(ribbon, ribbons[static_cast<std::size_t>(j)], accuracy);
            inductance[i][j] = value;
            inductance[j][i] = value;
        }
        if (advance) advance(n - i);
    });
    return inductance;
}

}  // namespace xsrl
