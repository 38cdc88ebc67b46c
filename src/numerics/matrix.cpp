#include "numerics/matrix.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "model/run_error.h"

// The inversion is the hot spot of a run, so the elimination and the back substitution are
// organised for the cache and for several cores. Every element still sees exactly the
// operations of the textbook loops, with the same operands in the same order: only the
// order across independent elements changes, so the results are the same to the bit.

namespace {

// A matrix of the given size, or the end of the run with "<label>: Out of memory".
template <class Element>
Matrix<Element> allocate(int rows, int cols, const char* label)
{
    if (rows >= 0 && cols >= 0) {
        try {
            return Matrix<Element>(rows, cols);
        } catch (const std::bad_alloc&) {
        } catch (const std::length_error&) {
        }
    }
    errno = ENOMEM;
    throw RunError(perrorText(std::string(label) + ": Out of memory"), RunError::Stream::Err);
}

// Columns eliminated together before the rest of each row is brought up to date.
const int PanelWidth = 32;
// Row elements updated together, small enough to stay in the first-level cache.
const int ChunkWidth = 256;
// Right-hand sides solved together in the back substitution.
const int SolveWidth = 16;
// Below this many complex multiply-subtracts a piece of work is not split over threads.
const double ThreadingThreshold = 4e6;

// Runs work(begin, end) over the items [first, last), split into contiguous ranges over the
// available cores when the whole costs more than ThreadingThreshold.
template <class Work>
void parallelFor(int first, int last, double costPerItem, const Work& work)
{
    const int count = last - first;
    if (count <= 0) return;
    int threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    if (count * costPerItem < ThreadingThreshold) threads = 1;
    threads = std::min(threads, count);
    if (threads == 1) {
        work(first, last);
        return;
    }
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t) {
        const int begin = first + static_cast<int>(static_cast<long long>(count) * t / threads);
        const int end = first + static_cast<int>(static_cast<long long>(count) * (t + 1) / threads);
        helpers.emplace_back([&work, begin, end] { work(begin, end); });
    }
    work(first, first + count / threads);
    for (std::thread& helper : helpers) helper.join();
}

// target[j] = target[j] - f*source[j] for j in [0, length).
void subtractMultiple(Complex* target, const Complex* source, Complex f, int length)
{
    for (int j = 0; j < length; ++j) target[j] = target[j] - f * source[j];
}

// Four such subtractions in a row, f[0]*source[0] first, with each element loaded and stored once.
void subtractFourMultiples(Complex* target, const Complex* const* source, const Complex* f, int length)
{
    const Complex* s0 = source[0];
    const Complex* s1 = source[1];
    const Complex* s2 = source[2];
    const Complex* s3 = source[3];
    const Complex f0 = f[0], f1 = f[1], f2 = f[2], f3 = f[3];
    for (int j = 0; j < length; ++j) {
        Complex t = target[j];
        t = t - f0 * s0[j];
        t = t - f1 * s1[j];
        t = t - f2 * s2[j];
        t = t - f3 * s3[j];
        target[j] = t;
    }
}

// sum[q] = sum[q] + x[j][q]*a[j] for j = 0 to 3 in turn, where the rows x[j] are SolveWidth apart.
void addFourProducts(Complex* sum, const Complex* x, const Complex* a, int width)
{
    const Complex a0 = a[0], a1 = a[1], a2 = a[2], a3 = a[3];
    for (int q = 0; q < width; ++q) {
        Complex t = sum[q];
        t = t + x[q] * a0;
        t = t + x[q + SolveWidth] * a1;
        t = t + x[q + 2 * SolveWidth] * a2;
        t = t + x[q + 3 * SolveWidth] * a3;
        sum[q] = t;
    }
}

// The row operations of one panel of the elimination, kept for the columns to its right and
// for B until the panel is done. multipliers[i][k - first] is the factor by which row k was
// subtracted from row i at step k.
struct Panel {
    int first = 0;  // first step (column) of the panel
    int end = 0;    // one past its last column
    ComplexMatrix multipliers;
};

// Applies the pending steps [panel.first, min(i, steps)) to row i, over the columns of A from
// panel.end on and all of B; rows k of those steps must already be up to date.
void catchUpRow(ComplexMatrix& a, ComplexMatrix& b, const Panel& panel, int steps, int i)
{
    const int last = std::min(i, steps);
    const Complex* f = panel.multipliers[i];
    auto update = [&](Complex* row, auto sourceRow, int from, int to) {
        for (int c = from; c < to; c += ChunkWidth) {
            const int length = std::min(ChunkWidth, to - c);
            int k = panel.first;
            for (; k + 4 <= last; k += 4) {
                const Complex* sources[4] = {sourceRow(k) + c, sourceRow(k + 1) + c, sourceRow(k + 2) + c,
                                             sourceRow(k + 3) + c};
                subtractFourMultiples(row + c, sources, f + (k - panel.first), length);
            }
            for (; k < last; ++k) subtractMultiple(row + c, sourceRow(k) + c, f[k - panel.first], length);
        }
    };
    update(a[i], [&a](int k) -> const Complex* { return a[k]; }, panel.end, a.cols());
    update(b[i], [&b](int k) -> const Complex* { return b[k]; }, 0, b.cols());
}

// Brings every row up to date with the first `steps` steps of the panel: the panel's own rows
// one after the other (each is the source of the rows below it), then all rows below in parallel.
void catchUp(ComplexMatrix& a, ComplexMatrix& b, const Panel& panel, int steps)
{
    const int n = a.rows();
    for (int i = panel.first + 1; i < steps; ++i) catchUpRow(a, b, panel, steps, i);
    const double cost = static_cast<double>(steps - panel.first) * (n - panel.end + b.cols());
    parallelFor(steps, n, cost, [&](int begin, int end) {
        for (int i = begin; i < end; ++i) catchUpRow(a, b, panel, steps, i);
    });
}

}  // namespace

RealMatrix squareMatrix(int n) { return allocate<double>(n, n, "squareMatrix"); }

RealMatrix dmatrix(int rows, int cols) { return allocate<double>(rows, cols, "dmatrix"); }

ComplexMatrix matrix(int rows, int cols) { return allocate<Complex>(rows, cols, "matrix"); }

// Column k: pivot on the first row of largest modulus from row k down, exchange rows k and p
// (A from column k on, all of B), subtract f = A[i][k]/A[k][k] times row k from every row
// below, A from column k on (leaving the rounding residue in column k) and all of B.
// The columns of a panel are eliminated at once; the rest of each row, right of the panel
// and in B, receives the panel's row operations afterwards, in the same order.
void gaussEliminate(ComplexMatrix& a, ComplexMatrix& b)
{
    const int n = a.rows();
    Panel panel;
    panel.multipliers = matrix(n, PanelWidth);
    for (panel.first = 0; panel.first < n; panel.first = panel.end) {
        panel.end = std::min(panel.first + PanelWidth, n);
        for (int k = panel.first; k < panel.end; ++k) {
            double max = 0.0;
            int p = k;
            for (int i = k; i < n; ++i) {
                if (abs(a[i][k]) > max) {
                    max = abs(a[i][k]);
                    p = i;
                }
            }
            if (max == 0.0) {
                catchUp(a, b, panel, k);
                std::perror("\nSingular Matrix Error **\n");
                return;
            }
            // Rows that are not yet up to date travel with their pending multipliers.
            std::swap_ranges(a[k] + k, a[k] + n, a[p] + k);
            std::swap_ranges(b[k], b[k] + b.cols(), b[p]);
            std::swap_ranges(panel.multipliers[k], panel.multipliers[k] + (k - panel.first), panel.multipliers[p]);
            for (int i = k + 1; i < n; ++i) {
                const Complex f = a[i][k] / a[k][k];
                panel.multipliers[i][k - panel.first] = f;
                subtractMultiple(a[i] + k, a[k] + k, f, panel.end - k);
            }
        }
        catchUp(a, b, panel, panel.end);
    }
}

// For each column q: X[n-1][q] = B[n-1][q]/A[n-1][n-1], then upwards
// X[r][q] = (B[r][q] - s)/A[r][r] with s the sum of X[j][q]*A[r][j] over ascending j > r.
// Columns are solved SolveWidth at a time from a compact copy, written over B as they go.
ComplexMatrix backSubstitute(const ComplexMatrix& a, ComplexMatrix b)
{
    const int n = a.rows();
    const int m = b.cols();
    if (n == 0) return b;
    const int blocks = (m + SolveWidth - 1) / SolveWidth;
    const double cost = 0.5 * n * n * SolveWidth;
    parallelFor(0, blocks, cost, [&](int firstBlock, int endBlock) {
        std::vector<Complex> x(static_cast<std::size_t>(n) * SolveWidth);
        Complex s[SolveWidth];
        for (int block = firstBlock; block < endBlock; ++block) {
            const int q0 = block * SolveWidth;
            const int width = std::min(SolveWidth, m - q0);
            for (int r = n - 1; r >= 0; --r) {
                Complex* xr = &x[static_cast<std::size_t>(r) * SolveWidth];
                if (r == n - 1) {
                    for (int q = 0; q < width; ++q) xr[q] = b[r][q0 + q] / a[r][r];
                } else {
                    for (int q = 0; q < width; ++q) s[q] = Complex(0.0, 0.0);
                    const Complex* ar = a[r];
                    int j = r + 1;
                    for (; j + 4 <= n; j += 4) {
                        const Complex* xj = &x[static_cast<std::size_t>(j) * SolveWidth];
                        addFourProducts(s, xj, ar + j, width);
                    }
                    for (; j < n; ++j) {
                        const Complex* xj = &x[static_cast<std::size_t>(j) * SolveWidth];
                        for (int q = 0; q < width; ++q) s[q] = s[q] + xj[q] * ar[j];
                    }
                    for (int q = 0; q < width; ++q) xr[q] = (b[r][q0 + q] - s[q]) / a[r][r];
                }
                for (int q = 0; q < width; ++q) b[r][q0 + q] = xr[q];
            }
        }
    });
    return b;
}

ComplexMatrix invertMatrix(ComplexMatrix a)
{
    const int n = a.rows();
    ComplexMatrix identity = matrix(n, n);
    for (int i = 0; i < n; ++i) identity[i][i] = Complex(1.0, 0.0);
    gaussEliminate(a, identity);
    return backSubstitute(a, std::move(identity));
}
