#include "reduction/loop_reduction.h"

#include <utility>

namespace xsrl {

void swapConductors(ComplexMatrix& g, int a, int b)
{
    const int l = g.rows();
    auto exchanged = [a, b](int i) { return i == a ? b : (i == b ? a : i); };
    ComplexMatrix swapped = matrix(l, l);
    for (int i = 0; i < l; ++i) {
        for (int j = 0; j < l; ++j) {
            const bool pairEntry = (i == a && j == b) || (i == b && j == a);
            swapped[i][j] = pairEntry ? g[i][j] : g[exchanged(i)][exchanged(j)];
        }
    }
    g = std::move(swapped);
}

void moveSignalsToFront(std::vector<int>& isSignal, ComplexMatrix& g)
{
    const std::size_t m = static_cast<std::size_t>(g.rows());
    for (std::size_t i = 0; i < m; ++i) {
        if (isSignal[i]) continue;
        for (std::size_t j = i; j < m; ++j) {
            if (isSignal[j]) {
                isSignal[j] = 0;
                swapConductors(g, static_cast<int>(j), static_cast<int>(i));
                isSignal[i] = 1;
                break;
            }
        }
    }
}

namespace {

// Plain product of two matrices, each entry summed from zero in ascending order.
ComplexMatrix multiply(const ComplexMatrix& x, const ComplexMatrix& y)
{
    ComplexMatrix product = matrix(x.rows(), y.cols());
    for (int p = 0; p < x.rows(); ++p) {
        for (int q = 0; q < y.cols(); ++q) {
            Complex sum(0.0, 0.0);
            for (int r = 0; r < x.cols(); ++r) sum = sum + x[p][r] * y[r][q];
            product[p][q] = sum;
        }
    }
    return product;
}

}  // namespace

ComplexMatrix loopReduce(const std::vector<int>& isSignal, int signalCount, const ComplexMatrix& g, int* singularCount)
{
    const int l = g.rows();
    const int e = signalCount;

    // Incidence of the ports: a row per signal conductor, and the common return, which
    // carries minus the current of every conductor.
    ComplexMatrix k = matrix(e + 1, l);
    int groundsPassed = 0;
    for (int pos = 0; pos < l; ++pos) {
        if (isSignal[static_cast<std::size_t>(pos)]) {
            k[pos - groundsPassed][pos] = Complex(1.0, 0.0);
            k[e][pos] = Complex(-1.0, 0.0);
        } else {
            k[e][pos] = Complex(-1.0, 0.0);
            ++groundsPassed;
        }
    }

    ComplexMatrix kTransposed = matrix(l, e + 1);
    for (int p = 0; p <= e; ++p)
        for (int q = 0; q < l; ++q) kTransposed[q][p] = k[p][q];

    return invertMatrix(multiply(multiply(k, g), kTransposed), 1, InnerLoops::Fastest,
                        singularCount);  // ports by ports: small
}

}  // namespace xsrl
