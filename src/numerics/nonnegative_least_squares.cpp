#include "numerics/nonnegative_least_squares.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "support/errors.h"

namespace xsrl {

extern "C" {
void dgels_(const char* trans, const int* m, const int* n, const int* nrhs, double* a, const int* lda, double* b,
            const int* ldb, double* work, const int* lwork, int* info);
}

namespace {

// The unconstrained least-squares solution on the columns `chosen` of A, by QR (dgels).
std::vector<double> leastSquaresOn(const RealMatrix& a, const std::vector<double>& b, const std::vector<int>& chosen)
{
    const int m = a.rows();
    const int k = static_cast<int>(chosen.size());
    const int rows = std::max(m, k);
    std::vector<double> columns(static_cast<std::size_t>(m) * chosen.size());
    for (std::size_t c = 0; c < chosen.size(); ++c)
        for (int i = 0; i < m; ++i)
            columns[c * static_cast<std::size_t>(m) + static_cast<std::size_t>(i)] = a[i][chosen[c]];
    std::vector<double> rhs(static_cast<std::size_t>(rows), 0.0);
    std::copy(b.begin(), b.end(), rhs.begin());
    const char plain = 'N';
    const int one = 1;
    int info = 0, size = -1;
    double optimal = 0.0;
    dgels_(&plain, &m, &k, &one, columns.data(), &m, rhs.data(), &rows, &optimal, &size, &info);
    size = std::max(1, static_cast<int>(optimal));
    std::vector<double> work(static_cast<std::size_t>(size));
    dgels_(&plain, &m, &k, &one, columns.data(), &m, rhs.data(), &rows, work.data(), &size, &info);
    if (info != 0) throw numericError("the LAPACK routine dgels failed (info " + std::to_string(info) + ")");
    rhs.resize(chosen.size());
    return rhs;
}

// A^T (b - A x).
std::vector<double> negativeGradient(const RealMatrix& a, const std::vector<double>& b, const std::vector<double>& x)
{
    std::vector<double> residual = b;
    for (int i = 0; i < a.rows(); ++i)
        for (int j = 0; j < a.cols(); ++j)
            residual[static_cast<std::size_t>(i)] -= a[i][j] * x[static_cast<std::size_t>(j)];
    std::vector<double> gradient(static_cast<std::size_t>(a.cols()), 0.0);
    for (int i = 0; i < a.rows(); ++i)
        for (int j = 0; j < a.cols(); ++j)
            gradient[static_cast<std::size_t>(j)] += a[i][j] * residual[static_cast<std::size_t>(i)];
    return gradient;
}

}  // namespace

std::vector<double> nonNegativeLeastSquares(const RealMatrix& a, const std::vector<double>& b)
{
    const int n = a.cols();
    std::vector<double> x(static_cast<std::size_t>(n), 0.0);
    std::vector<bool> free(static_cast<std::size_t>(n), false);  // the passive set: x_j > 0
    double scale = 0.0;
    for (int i = 0; i < a.rows(); ++i)
        for (int j = 0; j < n; ++j) scale = std::max(scale, std::fabs(a[i][j]));
    double size = 0.0;
    for (const double value : b) size = std::max(size, std::fabs(value));
    const double tolerance = 1e-12 * scale * size * a.rows();

    // Columns that could not enter (their unconstrained coefficient came out negative at once,
    // as for a column that depends on the passive ones) are not tried again until another enters.
    std::vector<bool> refused(static_cast<std::size_t>(n), false);
    for (int iteration = 0; iteration < 3 * n + 10; ++iteration) {
        const std::vector<double> w = negativeGradient(a, b, x);
        int entering = -1;
        for (int j = 0; j < n; ++j) {
            const std::size_t uj = static_cast<std::size_t>(j);
            if (!free[uj] && !refused[uj] && w[uj] > tolerance &&
                (entering < 0 || w[uj] > w[static_cast<std::size_t>(entering)]))
                entering = j;
        }
        if (entering < 0) break;
        free[static_cast<std::size_t>(entering)] = true;
        // Move towards the unconstrained solution on the passive set, stopping where an
        // unknown reaches zero and dropping it, until that solution is all positive.
        for (;;) {
            std::vector<int> chosen;
            for (int j = 0; j < n; ++j)
                if (free[static_cast<std::size_t>(j)]) chosen.push_back(j);
            const std::vector<double> z = leastSquaresOn(a, b, chosen);
            double step = 1.0;
            std::size_t blocking = chosen.size();
            for (std::size_t c = 0; c < chosen.size(); ++c) {
                const double current = x[static_cast<std::size_t>(chosen[c])];
                if (z[c] <= 0.0 && current / (current - z[c]) < step) {
                    step = current / (current - z[c]);
                    blocking = c;
                }
            }
            for (std::size_t c = 0; c < chosen.size(); ++c) {
                double& value = x[static_cast<std::size_t>(chosen[c])];
                value += step * (z[c] - value);
                if (c == blocking || value < 0.0) {
                    value = 0.0;
                    free[static_cast<std::size_t>(chosen[c])] = false;
                }
            }
            if (blocking == chosen.size()) break;
        }
        const bool entered = free[static_cast<std::size_t>(entering)];
        if (entered) std::fill(refused.begin(), refused.end(), false);
        refused[static_cast<std::size_t>(entering)] = !entered;
    }
    return x;
}

}  // namespace xsrl
