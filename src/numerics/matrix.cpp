#include "numerics/matrix.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "numerics/inversion_kernels.h"
#include "numerics/parallel.h"
#include "xsrl/error.h"

namespace xsrl {

// The inversion is the hot spot of a run, so the elimination and the back substitution are
// organised for the cache, for several cores and for vector instructions. Every element still
// receives the operations of the textbook loops, with the same operands in the same order, so
// the results are the same to the bit; only the order across independent elements changes.
//
// The elimination goes by panels of PanelWidth columns. Within a panel each step pivots,
// exchanges whole rows and updates the columns of its half (down to LeafWidth columns) at once;
// the columns further right take the steps afterwards, in step order, from the multipliers kept
// for each row: a product of the multipliers and the rows of the steps, tiled in registers by
// the kernels. The rest of each row (A right of the panel, and B) takes a panel's steps so,
// shared out over the threads.
// The back substitution solves SolveWidth columns at a time, each row's sum in ascending order.

namespace {

// A matrix of the given size, or the end of the run with "<label>: Out of memory".
template <class Element>
Matrix<Element> allocate(int rows, int cols, const char* label)
{
    if (rows >= 0 && cols >= 0) {
        try {
            return Matrix<Element>(rows, cols);
        } catch (const std::bad_alloc&) {
        } catch (const std::length_error&) {}
    }
    throw Error(ErrorCategory::MatrixAllocation, std::string(label) + ": Out of memory: " + std::strerror(ENOMEM));
}

// Columns eliminated together before the rest of each row is brought up to date.
const int PanelWidth = 32;
// Within a panel, columns eliminated step by step; wider ranges are split in halves.
const int LeafWidth = 8;
// Columns whose packed panel rows (PanelWidth * ChunkWidth * 16 bytes) stay in the
// second-level cache while the rows below are brought up to date.
const int ChunkWidth = 128;
// Below this many complex multiply-adds per thread (a quarter of a millisecond or so) a piece
// of work is not split further: starting a thread costs tens of microseconds.
const double ThreadingThreshold = 1e6;

const InversionKernels& kernelsFor(InnerLoops loops)
{
    return loops == InnerLoops::Plain ? plainKernels() : fastestKernels();
}

// Threads worth using for `cost` complex multiply-adds, at least one.
int threadsFor(int threads, double cost)
{
    return std::max(1, static_cast<int>(std::min(static_cast<double>(threads), cost / ThreadingThreshold)));
}

// The state of an elimination. The columns of a panel are eliminated at once; the rest of
// each row (A right of the panel, and B) receives the panel's row operations afterwards.
struct Elimination {
    ComplexMatrix& a;
    ComplexMatrix& b;
    const InversionKernels& kernels;
    int threads;
    int first = 0;  // first step (column) of the current panel
    int end = 0;  // one past its last column
    // multipliers[i][k - first]: the factor by which row k is subtracted from row i at step k.
    ComplexMatrix multipliers;
};

// Applies the steps [first, last) of the panel to `width` columns starting at column0 (row 0's
// element, rows `stride` apart). The rows of those steps go one after the other, each packed
// once it is up to date since it is a source for the rows below; then all the rows below.
void catchUpColumns(const Elimination& e, int first, int last, Complex* column0, std::ptrdiff_t stride, int width,
                    double* packed)
{
    const int n = e.a.rows();
    const int offset = first - e.first;
    for (int i = first; i < last; ++i) {
        Complex* row = column0 + i * stride;
        e.kernels.subtractSteps(packed, PanelWidth, i - first, width, row, stride, e.multipliers[i] + offset,
                                PanelWidth, 1);
        packSourceRow(packed, PanelWidth, i - first, row, width);
    }
    e.kernels.subtractSteps(packed, PanelWidth, last - first, width, column0 + last * stride, stride,
                            e.multipliers[last] + offset, PanelWidth, n - last);
}

// Brings every row up to date with the steps [first, last): A from column `end` on and all of
// B, ChunkWidth columns at a time shared out over the threads.
void catchUp(const Elimination& e, int last)
{
    const int n = e.a.rows();
    const int m = e.b.cols();
    const int right = n - e.end;
    const int chunksOfA = (right + ChunkWidth - 1) / ChunkWidth;
    const int chunks = chunksOfA + (m + ChunkWidth - 1) / ChunkWidth;
    const int threads = threadsFor(e.threads, static_cast<double>(last - e.first) * (n - e.first) * (right + m));
    std::vector<std::vector<double>> packed(static_cast<std::size_t>(threads));
    runInParallel(threads, chunks, [&](int thread, int chunk) {
        std::vector<double>& scratch = packed[static_cast<std::size_t>(thread)];
        if (scratch.empty()) scratch.resize(packedDoubles(PanelWidth, ChunkWidth));
        const bool inA = chunk < chunksOfA;
        const int c = (inA ? chunk : chunk - chunksOfA) * ChunkWidth;
        const int width = std::min(ChunkWidth, (inA ? right : m) - c);
        if (inA)
            catchUpColumns(e, e.first, last, e.a[0] + e.end + c, n, width, scratch.data());
        else
            catchUpColumns(e, e.first, last, e.b[0] + c, m, width, scratch.data());
    });
}

// For each column q: X[n-1][q] = B[n-1][q]/A[n-1][n-1], then upwards
// X[r][q] = (B[r][q] - s)/A[r][r] with s the sum of X[j][q]*A[r][j] over ascending j > r
// (for r = n-1, B - 0 is B to the bit). Columns are solved SolveWidth at a time, shared out
// over the threads, their solved rows kept in a compact copy, and written over B.
void backSubstitute(const ComplexMatrix& a, ComplexMatrix& b, const InversionKernels& kernels, int threads)
{
    const int n = a.rows();
    const int m = b.cols();
    const int blocks = (m + SolveWidth - 1) / SolveWidth;
    threads = threadsFor(threads, 0.5 * n * n * m);
    std::vector<std::vector<double>> solved(static_cast<std::size_t>(threads));
    runInParallel(threads, blocks, [&](int thread, int block) {
        std::vector<double>& scratch = solved[static_cast<std::size_t>(thread)];
        if (scratch.empty()) scratch.resize(static_cast<std::size_t>(SolveRowDoubles) * static_cast<std::size_t>(n));
        const int q0 = block * SolveWidth;
        for (int r = n - 1; r >= 0; --r) {
            double* row = scratch.data() + static_cast<std::ptrdiff_t>(r) * SolveRowDoubles;
            kernels.solveRow(row, row + SolveRowDoubles, a[r] + r + 1, n - r - 1, a[r][r], b[r] + q0,
                             std::min(SolveWidth, m - q0));
        }
    });
}

// Column k: pivot on the first row of largest modulus from row k down, exchange rows k and p
// (A from column k on, all of B), subtract f = A[i][k]/A[k][k] times row k from every row
// below (A from column k on, leaving the rounding residue in column k, and every element of B).
// Here the subtraction reaches the columns [k, to) only; the columns right of `to` take the
// step from the multipliers later. Returns the step whose column is singular, or `to`.
int eliminateColumns(Elimination& e, int from, int to, double* packed)
{
    ComplexMatrix& a = e.a;
    const int n = a.rows();
    if (to - from > LeafWidth) {
        // The left half first; then the right half takes the left half's steps and goes on.
        const int mid = (from + to) / 2;
        const int stop = eliminateColumns(e, from, mid, packed);
        catchUpColumns(e, from, stop, a[0] + mid, n, to - mid, packed);
        return stop < mid ? stop : eliminateColumns(e, mid, to, packed);
    }
    for (int k = from; k < to; ++k) {
        double max = 0.0;
        int p = k;
        for (int i = k; i < n; ++i) {
            if (abs(a[i][k]) > max) {
                max = abs(a[i][k]);
                p = i;
            }
        }
        if (max == 0.0) return k;
        // Rows that are not yet up to date travel with their pending multipliers.
        std::swap_ranges(a[k] + k, a[k] + n, a[p] + k);
        std::swap_ranges(e.b[k], e.b[k] + e.b.cols(), e.b[p]);
        std::swap_ranges(e.multipliers[k], e.multipliers[k] + (k - e.first), e.multipliers[p]);
        for (int i = k + 1; i < n; ++i) e.multipliers[i][k - e.first] = a[i][k] / a[k][k];
        packSourceRow(packed, 1, 0, a[k] + k, to - k);
        e.kernels.subtractSteps(packed, 1, 1, to - k, a[k + 1] + k, n, e.multipliers[k + 1] + (k - e.first), PanelWidth,
                                n - k - 1);
    }
    return to;
}

}  // namespace

bool gaussEliminate(ComplexMatrix& a, ComplexMatrix& b, int threads, InnerLoops loops)
{
    const int n = a.rows();
    Elimination e{a, b, kernelsFor(loops), threads, 0, 0, matrix(n, PanelWidth)};
    std::vector<double> packed(packedDoubles(PanelWidth, PanelWidth));
    for (e.first = 0; e.first < n; e.first = e.end) {
        e.end = std::min(e.first + PanelWidth, n);
        const int stop = eliminateColumns(e, e.first, e.end, packed.data());
        catchUp(e, stop);
        if (stop < e.end) return false;
    }
    return true;
}

RealMatrix squareMatrix(int n) { return allocate<double>(n, n, "squareMatrix"); }

RealMatrix dmatrix(int rows, int cols) { return allocate<double>(rows, cols, "dmatrix"); }

ComplexMatrix matrix(int rows, int cols) { return allocate<Complex>(rows, cols, "matrix"); }

ComplexMatrix invertMatrix(ComplexMatrix a, int threads, InnerLoops loops, int* singularCount)
{
    const int n = a.rows();
    ComplexMatrix inverse = matrix(n, n);
    for (int i = 0; i < n; ++i) inverse[i][i] = Complex(1.0, 0.0);
    if (!gaussEliminate(a, inverse, threads, loops) && singularCount) ++*singularCount;
    backSubstitute(a, inverse, kernelsFor(loops), threads);
    return inverse;
}

ComplexMatrix product(const ComplexMatrix& a, const ComplexMatrix& b)
{
    ComplexMatrix out = matrix(a.rows(), b.cols());
    for (int i = 0; i < a.rows(); ++i)
        for (int k = 0; k < a.cols(); ++k)
            for (int j = 0; j < b.cols(); ++j) out[i][j] = out[i][j] + a[i][k] * b[k][j];
    return out;
}

ComplexMatrix immittance(const RealMatrix& a, double omega, const RealMatrix& b)
{
    ComplexMatrix out = matrix(a.rows(), a.cols());
    for (int i = 0; i < a.rows(); ++i)
        for (int j = 0; j < a.cols(); ++j) out[i][j] = Complex(a[i][j], omega * b[i][j]);
    return out;
}

}  // namespace xsrl
