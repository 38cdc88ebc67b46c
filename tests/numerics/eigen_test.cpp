#include <gtest/gtest.h>

#include "numerics/eigen.h"

TEST(Eigen, VectorsAndValuesRebuildTheMatrix)
{
    // Not symmetric, complex, with two eigenvalues of equal modulus.
    ComplexMatrix a = matrix(3, 3);
    const double entries[3][3][2] = {{{2, 1}, {0.5, 0}, {0, -1}}, {{1, 0}, {-2, 1}, {0.3, 0.2}}, {{0, 2}, {1, 1}, {1, -3}}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) a[i][j] = Complex(entries[i][j][0], entries[i][j][1]);
    const EigenDecomposition e = eigenDecompose(a);
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 3; ++i) {
            Complex av;
            for (int j = 0; j < 3; ++j) av = av + a[i][j] * e.vectors[j][k];
            EXPECT_LT(abs(av - e.values[k] * e.vectors[i][k]), 1e-13) << k << " " << i;
        }
}
