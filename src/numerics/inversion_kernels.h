// The inner loops of the matrix inversion, in plain C++ and in AVX2 vectors. Both give the same
// bits: every element receives the same IEEE operations (no fused multiply-add) on the same
// operands in the same order as in Complex arithmetic; only the order across elements differs.
#pragma once

#include <cstddef>

#include "numerics/complex.h"

namespace xsrl {

// The split layout the kernels keep their operands in: columns in groups of four, each group
// its four real parts, then its four imaginary parts, each in the lane order 0, 2, 1, 3 that
// unpacking two vectors of (re, im) pairs yields.
//
// Source rows for subtractSteps are packed in strips of StripColumns columns: a strip holds, for
// each step in turn, its columns in the split layout.
constexpr int StripColumns = 8;
constexpr int PackedStepDoubles = 2 * StripColumns;

// The size of a packed block of `width` columns with `stepsPerStrip` steps per strip.
constexpr std::size_t packedDoubles(int stepsPerStrip, int width)
{
    const std::size_t strips = static_cast<std::size_t>((width + StripColumns - 1) / StripColumns);
    return strips * static_cast<std::size_t>(stepsPerStrip) * PackedStepDoubles;
}

// Right-hand sides solved together in the back substitution; their solved values are kept a
// row of SolveRowDoubles at a time, in the split layout.
constexpr int SolveWidth = 24;
constexpr int SolveRowDoubles = 2 * SolveWidth;

// Writes `width` elements of `row` as step `step` of a packed block whose strips hold
// `stepsPerStrip` steps each.
void packSourceRow(double* packed, int stepsPerStrip, int step, const Complex* row, int width);

struct InversionKernels {
    // For each of `rowCount` rows (row r at rows + r*rowStride, its factors at f + r*fStride)
    // and each step k in [0, steps) in turn: row[j] = row[j] - f[k]*source_k[j] for j in
    // [0, width), the source rows packed as above with `stepsPerStrip` steps per strip.
    void (*subtractSteps)(const double* packed, int stepsPerStrip, int steps, int width, Complex* rows,
                          std::ptrdiff_t rowStride, const Complex* f, std::ptrdiff_t fStride, int rowCount);
    // One row of the back substitution, for q in [0, width): s = 0, s = s + x_j[q]*a[j] for each
    // j in [0, count) in turn, x_j being the solved row `below + j*SolveRowDoubles`; then
    // b[q] = (b[q] - s)/diagonal, kept in `solved` too. Lanes of `solved` past width are scratch.
    void (*solveRow)(double* solved, const double* below, const Complex* a, int count, Complex diagonal, Complex* b,
                     int width);
};

const InversionKernels& plainKernels();
// AVX2 vectors where this processor has them, else the plain loops.
const InversionKernels& fastestKernels();

}  // namespace xsrl
