#include "numerics/matrix.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <exception>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "model/run_error.h"

// The inversion is the hot spot of a run, so the elimination and the back substitution are
// organised for the cache and for several cores. Every element still receives the operations
// of the textbook loops, with the same operands in the same order, so the results are the
// same to the bit; only the order across independent elements changes.

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
// Below this many complex multiply-adds a piece of work is not split over threads.
const double ThreadingThreshold = 4e6;

// Runs work(begin, end) over the items [first, last), split into contiguous ranges over the
// available cores when the whole costs more than ThreadingThreshold. A range whose thread
// cannot be started runs here; an exception from any range is passed on to the caller.
template <class Work>
void parallelFor(int first, int last, double costPerItem, const Work& work)
{
    const int count = last - first;
    if (count <= 0) return;
    int threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    if (count * costPerItem < ThreadingThreshold) threads = 1;
    threads = std::min(threads, count);
    std::vector<std::exception_ptr> failures(threads);
    auto run = [&](int t) {
        const int begin = first + static_cast<int>(static_cast<long long>(count) * t / threads);
        const int end = first + static_cast<int>(static_cast<long long>(count) * (t + 1) / threads);
        try {
            work(begin, end);
        } catch (...) {
            failures[t] = std::current_exception();
        }
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back(run, t);
        } catch (const std::system_error&) {
            run(t);
        }
    }
    run(0);
    for (std::thread& helper : helpers) helper.join();
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
}

// target[j] = target[j] - f*source[j] for j in [0, length).
void subtractMultiple(Complex* target, const Complex* source, Complex f, int length)
{
    for (int j = 0; j < length; ++j) target[j] = target[j] - f * source[j];
}

// Four such subtractions in a row, f[0]*source[0] first, each element loaded and stored once.
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

// sum[q] = sum[q] + x[j][q]*a[j] for j = 0 to 3 in turn, the rows x[j] being SolveWidth apart.
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

// The state of an elimination. The columns of a panel are eliminated at once; the rest of
// each row (A right of the panel, and B) receives the panel's row operations afterwards.
struct Elimination {
    ComplexMatrix& a;
    ComplexMatrix& b;
    int first = 0;  // first step (column) of the current panel
    int end = 0;    // one past its last column
    // multipliers[i][k - first]: the factor by which row k is subtracted from row i at step k.
    ComplexMatrix multipliers;
};

// Subtracts the multiples of rows k (steps first to last - 1) from row, over the columns
// [from, to).
void applySteps(Complex* row, const Complex* f, int first, int last, const ComplexMatrix& source, int from, int to)
{
    for (int c = from; c < to; c += ChunkWidth) {
        const int length = std::min(ChunkWidth, to - c);
        int k = first;
        for (; k + 4 <= last; k += 4) {
            const Complex* sources[4] = {source[k] + c, source[k + 1] + c, source[k + 2] + c, source[k + 3] + c};
            subtractFourMultiples(row + c, sources, f + (k - first), length);
        }
        for (; k < last; ++k) subtractMultiple(row + c, source[k] + c, f[k - first], length);
    }
}

// Applies the pending steps [first, min(i, steps)) to row i; the rows of those steps must
// already be up to date.
void catchUpRow(Elimination& e, int steps, int i)
{
    const int last = std::min(i, steps);
    const Complex* f = e.multipliers[i];
    const int n = e.a.rows();
    applySteps(e.a[i], f, e.first, last, e.a, e.end, n);
    applySteps(e.b[i], f, e.first, last, e.b, 0, e.b.cols());
}

// Brings every row up to date with the steps [first, steps): the panel's own rows one after
// the other (each is a source for the rows below it), then all rows below in parallel.
void catchUp(Elimination& e, int steps)
{
    const int n = e.a.rows();
    for (int i = e.first + 1; i < steps; ++i) catchUpRow(e, steps, i);
    const double cost = static_cast<double>(steps - e.first) * (n - e.end + e.b.cols());
    parallelFor(steps, n, cost, [&e, steps](int begin, int end) {
        for (int i = begin; i < end; ++i) catchUpRow(e, steps, i);
    });
}

}  // namespace

// Column k: pivot on the first row of largest modulus from row k down, exchange rows k and p
// (A from column k on, all of B), subtract f = A[i][k]/A[k][k] times row k from every row
// below (A from column k on, leaving the rounding residue in column k, and every element of B).
void gaussEliminate(ComplexMatrix& a, ComplexMatrix& b)
{
    const int n = a.rows();
    const int m = b.cols();
    Elimination e{a, b, 0, 0, matrix(n, PanelWidth)};
    for (e.first = 0; e.first < n; e.first = e.end) {
        e.end = std::min(e.first + PanelWidth, n);
        for (int k = e.first; k < e.end; ++k) {
            double max = 0.0;
            int p = k;
            for (int i = k; i < n; ++i) {
                if (abs(a[i][k]) > max) {
                    max = abs(a[i][k]);
                    p = i;
                }
            }
            if (max == 0.0) {
                catchUp(e, k);
                std::perror("\nSingular Matrix Error **\n");
                return;
            }
            // Rows that are not yet up to date travel with their pending multipliers.
            std::swap_ranges(a[k] + k, a[k] + n, a[p] + k);
            std::swap_ranges(b[k], b[k] + m, b[p]);
            std::swap_ranges(e.multipliers[k], e.multipliers[k] + (k - e.first), e.multipliers[p]);
            for (int i = k + 1; i < n; ++i) {
                const Complex f = a[i][k] / a[k][k];
                e.multipliers[i][k - e.first] = f;
                subtractMultiple(a[i] + k, a[k] + k, f, e.end - k);
            }
        }
        catchUp(e, e.end);
    }
}

RealMatrix squareMatrix(int n) { return allocate<double>(n, n, "squareMatrix"); }

RealMatrix dmatrix(int rows, int cols) { return allocate<double>(rows, cols, "dmatrix"); }

ComplexMatrix matrix(int rows, int cols) { return allocate<Complex>(rows, cols, "matrix"); }

// For each column q: X[n-1][q] = B[n-1][q]/A[n-1][n-1], then upwards
// X[r][q] = (B[r][q] - s)/A[r][r] with s the sum of X[j][q]*A[r][j] over ascending j > r.
// Columns are solved SolveWidth at a time from a compact copy and written over B.
ComplexMatrix backSubstitute(const ComplexMatrix& a, ComplexMatrix b)
{
    const int n = a.rows();
    const int m = b.cols();
    if (n == 0) return b;
    const int blocks = (m + SolveWidth - 1) / SolveWidth;
    const double cost = 0.5 * n * n * SolveWidth;
    parallelFor(0, blocks, cost, [&a, &b, n, m](int firstBlock, int endBlock) {
        ComplexMatrix x = matrix(n, SolveWidth);
        Complex s[SolveWidth];
        for (int block = firstBlock; block < endBlock; ++block) {
            const int q0 = block * SolveWidth;
            const int width = std::min(SolveWidth, m - q0);
            for (int r = n - 1; r >= 0; --r) {
                Complex* xr = x[r];
                if (r == n - 1) {
                    for (int q = 0; q < width; ++q) xr[q] = b[r][q0 + q] / a[r][r];
                } else {
                    for (int q = 0; q < width; ++q) s[q] = Complex(0.0, 0.0);
                    const Complex* ar = a[r];
                    int j = r + 1;
                    for (; j + 4 <= n; j += 4) addFourProducts(s, x[j], ar + j, width);
                    for (; j < n; ++j) {
                        for (int q = 0; q < width; ++q) s[q] = s[q] + x[j][q] * ar[j];
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
