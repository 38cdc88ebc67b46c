#include "numerics/positive_definite.h"

#include <cmath>
#include <vector>

namespace xsrl {

extern "C" {
void dpotrf_(const char* uplo, const int* n, double* a, const int* lda, int* info);
}

bool isPositiveDefinite(const RealMatrix& a, double margin)
{
    const int n = a.rows();
    const std::size_t dim = static_cast<std::size_t>(n);
    std::vector<double> symmetric(dim * dim);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            if (!std::isfinite(a[i][j])) return false;
            symmetric[static_cast<std::size_t>(i) * dim + static_cast<std::size_t>(j)] =
                0.5 * (a[i][j] + a[j][i]) - (i == j ? margin : 0.0);
        }
    }
    if (n == 0) return true;
    const char lower = 'L';
    int info = 0;
    dpotrf_(&lower, &n, symmetric.data(), &n, &info);
    return info == 0;
}

}  // namespace xsrl
