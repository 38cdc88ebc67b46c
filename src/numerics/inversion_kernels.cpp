#include "numerics/inversion_kernels.h"

#include <immintrin.h>

namespace xsrl {

// The AVX2 functions carry target("avx2") and not "fma": without it the compiler cannot fuse a
// multiplication into an addition, whatever it makes of the intrinsics. The loops over a
// tile's rows and groups are unrolled in full so that the tile stays in registers.

namespace {

// Where the real part of `column` is in the split layout; its imaginary part is 4 further on.
std::ptrdiff_t splitOffset(int column)
{
    const int inGroup = column % 4;
    return 8 * (column / 4) + 2 * (inGroup % 2) + inGroup / 2;
}

std::ptrdiff_t packedOffset(int stepsPerStrip, int step, int column)
{
    return static_cast<std::ptrdiff_t>(column / StripColumns) * stepsPerStrip * PackedStepDoubles +
           step * PackedStepDoubles + splitOffset(column % StripColumns);
}

void plainSubtractSteps(const double* packed, int stepsPerStrip, int steps, int width, Complex* rows,
                        std::ptrdiff_t rowStride, const Complex* f, std::ptrdiff_t fStride, int rowCount)
{
    for (int r = 0; r < rowCount; ++r) {
        Complex* row = rows + r * rowStride;
        const Complex* factors = f + r * fStride;
        for (int j0 = 0; j0 < width; j0 += StripColumns) {
            const int end = j0 + StripColumns < width ? j0 + StripColumns : width;
            for (int k = 0; k < steps; ++k) {
                for (int j = j0; j < end; ++j) {
                    const double* source = packed + packedOffset(stepsPerStrip, k, j);
                    row[j] = row[j] - factors[k] * Complex(source[0], source[4]);
                }
            }
        }
    }
}

void plainSolveRow(double* solved, const double* below, const Complex* a, int count, Complex diagonal, Complex* b,
                   int width)
{
    for (int q = 0; q < width; ++q) {
        const std::ptrdiff_t at = splitOffset(q);
        Complex s(0.0, 0.0);
        for (int j = 0; j < count; ++j) {
            const double* x = below + j * SolveRowDoubles + at;
            s = s + Complex(x[0], x[4]) * a[j];
        }
        const Complex value = (b[q] - s) / diagonal;
        b[q] = value;
        solved[at] = value.re;
        solved[at + 4] = value.im;
    }
}

// A group of four elements of a row, the first `valid` of them present (the others are read
// as zeros and not written), in split planes.
__attribute__((target("avx2"))) inline void loadGroup(const Complex* group, int valid, __m256d& re, __m256d& im)
{
    if (valid < 4) {
        Complex part[4];
        for (int c = 0; c < valid; ++c) part[c] = group[c];
        loadGroup(part, 4, re, im);
        return;
    }
    const __m256d first = _mm256_loadu_pd(&group[0].re);
    const __m256d second = _mm256_loadu_pd(&group[2].re);
    re = _mm256_unpacklo_pd(first, second);
    im = _mm256_unpackhi_pd(first, second);
}

__attribute__((target("avx2"))) inline void storeGroup(Complex* group, int valid, __m256d re, __m256d im)
{
    if (valid < 4) {
        Complex part[4];
        storeGroup(part, 4, re, im);
        for (int c = 0; c < valid; ++c) group[c] = part[c];
        return;
    }
    _mm256_storeu_pd(&group[0].re, _mm256_unpacklo_pd(re, im));
    _mm256_storeu_pd(&group[2].re, _mm256_unpackhi_pd(re, im));
}

// A tile of Rows rows by one strip, of which `valid` columns are present. For each step:
// re = re - (f.re*u.re - f.im*u.im), im = im - (f.re*u.im + f.im*u.re), the operations of
// row[j] - f*u[j].
template <int Rows>
__attribute__((target("avx2"))) void subtractStepsFromStrip(const double* packed, int steps, Complex* rows,
                                                            std::ptrdiff_t rowStride, const Complex* f,
                                                            std::ptrdiff_t fStride, int valid)
{
    __m256d re[static_cast<std::size_t>(Rows)][2];
    __m256d im[static_cast<std::size_t>(Rows)][2];
#pragma GCC unroll 4
    for (int r = 0; r < Rows; ++r) {
#pragma GCC unroll 2
        for (int g = 0; g < 2; ++g) loadGroup(rows + r * rowStride + 4 * g, valid - 4 * g, re[r][g], im[r][g]);
    }
    for (int k = 0; k < steps; ++k) {
        const double* u = packed + k * PackedStepDoubles;
        const __m256d uRe[2] = {_mm256_loadu_pd(u), _mm256_loadu_pd(u + 8)};
        const __m256d uIm[2] = {_mm256_loadu_pd(u + 4), _mm256_loadu_pd(u + 12)};
#pragma GCC unroll 4
        for (int r = 0; r < Rows; ++r) {
            const __m256d fRe = _mm256_broadcast_sd(&f[r * fStride + k].re);
            const __m256d fIm = _mm256_broadcast_sd(&f[r * fStride + k].im);
#pragma GCC unroll 2
            for (int g = 0; g < 2; ++g) {
                re[r][g] =
                    _mm256_sub_pd(re[r][g], _mm256_sub_pd(_mm256_mul_pd(fRe, uRe[g]), _mm256_mul_pd(fIm, uIm[g])));
                im[r][g] =
                    _mm256_sub_pd(im[r][g], _mm256_add_pd(_mm256_mul_pd(fRe, uIm[g]), _mm256_mul_pd(fIm, uRe[g])));
            }
        }
    }
#pragma GCC unroll 4
    for (int r = 0; r < Rows; ++r) {
#pragma GCC unroll 2
        for (int g = 0; g < 2; ++g) storeGroup(rows + r * rowStride + 4 * g, valid - 4 * g, re[r][g], im[r][g]);
    }
}

// Each row goes along all strips in turn, two rows at a time: the pair's factors stay in the
// first-level cache and the rows are read and written in order.
template <int Rows>
__attribute__((target("avx2"))) void subtractStepsAlongRows(const double* packed, int stepsPerStrip, int steps,
                                                            int width, Complex* rows, std::ptrdiff_t rowStride,
                                                            const Complex* f, std::ptrdiff_t fStride)
{
    const std::ptrdiff_t stripDoubles = static_cast<std::ptrdiff_t>(stepsPerStrip) * PackedStepDoubles;
    for (int j = 0; j < width; j += StripColumns) {
        subtractStepsFromStrip<Rows>(packed + j / StripColumns * stripDoubles, steps, rows + j, rowStride, f, fStride,
                                     width - j);
    }
}

__attribute__((target("avx2"))) void avx2SubtractSteps(const double* packed, int stepsPerStrip, int steps, int width,
                                                       Complex* rows, std::ptrdiff_t rowStride, const Complex* f,
                                                       std::ptrdiff_t fStride, int rowCount)
{
    static_assert(StripColumns == 8, "a strip is two groups of four");
    int r = 0;
    for (; r + 2 <= rowCount; r += 2)
        subtractStepsAlongRows<2>(packed, stepsPerStrip, steps, width, rows + r * rowStride, rowStride, f + r * fStride,
                                  fStride);
    if (r < rowCount)
        subtractStepsAlongRows<1>(packed, stepsPerStrip, steps, width, rows + r * rowStride, rowStride, f + r * fStride,
                                  fStride);
}

// s.re + (x.re*a.re - x.im*a.im) and s.im + (x.re*a.im + x.im*a.re) for four right-hand sides
// per vector; then the complex division as operator/ does it: d = c.re*c.re + c.im*c.im and
// ((u.re*c.re - u.im*(-c.im))/d, (u.re*(-c.im) + u.im*c.re)/d) with u = b - s.
__attribute__((target("avx2"))) void avx2SolveRow(double* solved, const double* below, const Complex* a, int count,
                                                  Complex diagonal, Complex* b, int width)
{
    constexpr int Groups = SolveWidth / 4;
    __m256d sumRe[Groups];
    __m256d sumIm[Groups];
#pragma GCC unroll 8
    for (int g = 0; g < Groups; ++g) sumRe[g] = sumIm[g] = _mm256_setzero_pd();
    for (int j = 0; j < count; ++j) {
        const double* x = below + j * SolveRowDoubles;
        const __m256d aRe = _mm256_broadcast_sd(&a[j].re);
        const __m256d aIm = _mm256_broadcast_sd(&a[j].im);
#pragma GCC unroll 8
        for (int g = 0; g < Groups; ++g) {
            const __m256d xRe = _mm256_loadu_pd(x + 8 * g);
            const __m256d xIm = _mm256_loadu_pd(x + 8 * g + 4);
            sumRe[g] = _mm256_add_pd(sumRe[g], _mm256_sub_pd(_mm256_mul_pd(xRe, aRe), _mm256_mul_pd(xIm, aIm)));
            sumIm[g] = _mm256_add_pd(sumIm[g], _mm256_add_pd(_mm256_mul_pd(xRe, aIm), _mm256_mul_pd(xIm, aRe)));
        }
    }
    const __m256d cRe = _mm256_set1_pd(diagonal.re);
    const __m256d cIm = _mm256_set1_pd(diagonal.im);
    const __m256d minusCIm = _mm256_set1_pd(-diagonal.im);
    const __m256d d = _mm256_add_pd(_mm256_mul_pd(cRe, cRe), _mm256_mul_pd(cIm, cIm));
#pragma GCC unroll 8
    for (int g = 0; g < Groups; ++g) {
        if (4 * g >= width) break;
        __m256d bRe;
        __m256d bIm;
        loadGroup(b + 4 * g, width - 4 * g, bRe, bIm);
        const __m256d uRe = _mm256_sub_pd(bRe, sumRe[g]);
        const __m256d uIm = _mm256_sub_pd(bIm, sumIm[g]);
        const __m256d tRe = _mm256_sub_pd(_mm256_mul_pd(uRe, cRe), _mm256_mul_pd(uIm, minusCIm));
        const __m256d tIm = _mm256_add_pd(_mm256_mul_pd(uRe, minusCIm), _mm256_mul_pd(uIm, cRe));
        const __m256d valueRe = _mm256_div_pd(tRe, d);
        const __m256d valueIm = _mm256_div_pd(tIm, d);
        _mm256_storeu_pd(solved + 8 * g, valueRe);
        _mm256_storeu_pd(solved + 8 * g + 4, valueIm);
        storeGroup(b + 4 * g, width - 4 * g, valueRe, valueIm);
    }
}

const InversionKernels Plain{plainSubtractSteps, plainSolveRow};
const InversionKernels Avx2{avx2SubtractSteps, avx2SolveRow};

}  // namespace

void packSourceRow(double* packed, int stepsPerStrip, int step, const Complex* row, int width)
{
    for (int j = 0; j < width; ++j) {
        double* element = packed + packedOffset(stepsPerStrip, step, j);
        element[0] = row[j].re;
        element[4] = row[j].im;
    }
}

const InversionKernels& plainKernels() { return Plain; }

const InversionKernels& fastestKernels()
{
    static const bool hasAvx2 = __builtin_cpu_supports("avx2");
    return hasAvx2 ? Avx2 : Plain;
}

}  // namespace xsrl
