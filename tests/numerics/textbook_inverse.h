// The textbook elimination and back substitution, one element after another: the order of
// operations every element of the inversion must reproduce to the bit. Shared by the tests and
// the benchmarks.
#pragma once

#include <utility>

#include "numerics/matrix.h"

namespace xsrl {

inline void textbookEliminate(ComplexMatrix& a, ComplexMatrix& b)
{
    const int n = a.rows();
    for (int k = 0; k < n; ++k) {
        double max = 0.0;
        int p = k;
        for (int i = k; i < n; ++i) {
            if (abs(a[i][k]) > max) {
                max = abs(a[i][k]);
                p = i;
            }
        }
        if (max == 0.0) return;
        for (int j = k; j < n; ++j) std::swap(a[k][j], a[p][j]);
        for (int j = 0; j < b.cols(); ++j) std::swap(b[k][j], b[p][j]);
        for (int i = k + 1; i < n; ++i) {
            const Complex f = a[i][k] / a[k][k];
            for (int j = k; j < n; ++j) a[i][j] = a[i][j] - f * a[k][j];
            for (int j = 0; j < b.cols(); ++j) b[i][j] = b[i][j] - f * b[k][j];
        }
    }
}

inline ComplexMatrix textbookInverse(ComplexMatrix a)
{
    const int n = a.rows();
    ComplexMatrix b = matrix(n, n);
    for (int i = 0; i < n; ++i) b[i][i] = Complex(1.0, 0.0);
    textbookEliminate(a, b);
    ComplexMatrix x = matrix(n, n);
    for (int q = 0; q < n; ++q) {
        x[n - 1][q] = b[n - 1][q] / a[n - 1][n - 1];
        for (int r = n - 2; r >= 0; --r) {
            Complex s(0.0, 0.0);
            for (int j = r + 1; j < n; ++j) s = s + x[j][q] * a[r][j];
            x[r][q] = (b[r][q] - s) / a[r][r];
        }
    }
    return x;
}

}  // namespace xsrl
