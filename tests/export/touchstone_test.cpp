#include <gtest/gtest.h>

#include <complex>
#include <cstdio>
#include <iterator>

#include "cli/run_deck.h"
#include "export/touchstone.h"
#include "numerics/eigen.h"
#include "sweep_fixtures.h"
#include "xsrl/export.h"

namespace xsrl {

namespace {

const double Pi = 3.141592653589793;

// Reciprocity (S = S^T) and passivity: every eigenvalue of S^H S, a squared singular value,
// at most 1.
void expectReciprocalAndPassive(const ComplexMatrix& s)
{
    const int n = s.rows();
    ComplexMatrix gram = matrix(n, n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            EXPECT_LT(abs(s[i][j] - s[j][i]), 1e-10) << i << "," << j;
            for (int k = 0; k < n; ++k) gram[i][j] = gram[i][j] + conj(s[k][i]) * s[k][j];
        }
    for (const Complex value : eigenDecompose(gram).values) EXPECT_LE(value.re, 1.0 + 1e-12);
}

// Three coupled lossy conductors: Maxwell C (negative mutual terms), positive-definite L.
FrequencyPoint lossyBus(double f)
{
    const double k = std::sqrt(f / 1e9);
    return FrequencyPoint{
        f,
        realMatrix({{5 + 40 * k, 2 + 8 * k, 1 + 3 * k},
                    {2 + 8 * k, 6 + 45 * k, 2 + 8 * k},
                    {1 + 3 * k, 2 + 8 * k, 5 + 40 * k}}),
        realMatrix({{400e-9, 120e-9, 50e-9}, {120e-9, 390e-9, 120e-9}, {50e-9, 120e-9, 410e-9}}),
        realMatrix({{95e-12, -25e-12, -6e-12}, {-25e-12, 100e-12, -25e-12}, {-6e-12, -25e-12, 97e-12}}),
        realMatrix({{2e-12 * f, -4e-13 * f, 0}, {-4e-13 * f, 2e-12 * f, -4e-13 * f}, {0, -4e-13 * f, 2e-12 * f}})};
}

FrequencyPoint singleLine(double f, double r, double l, double g, double c)
{
    return FrequencyPoint{f, realMatrix({{r}}), realMatrix({{l}}), realMatrix({{c}}), realMatrix({{g}})};
}

// A partial report of three conductors: a Maxwell C and G whose columns sum to zero, so the
// common mode has no capacitance and gamma = 0, and a partial L with its large common part.
FrequencyPoint partialBus(double f)
{
    const double k = std::sqrt(f / 1e9), c12 = -40e-12, c13 = -8e-12, c23 = -35e-12;
    const RealMatrix c = realMatrix({{-(c12 + c13), c12, c13}, {c12, -(c12 + c23), c23}, {c13, c23, -(c13 + c23)}});
    RealMatrix g = dmatrix(3, 3);
    for (int i = 0; i < 9; ++i) g[i / 3][i % 3] = 0.02 * 2 * Pi * f * c[i / 3][i % 3];
    return FrequencyPoint{
        f, realMatrix({{5 + 40 * k, 0.4 * k, 0.2 * k}, {0.4 * k, 6 + 45 * k, 0.4 * k}, {0.2 * k, 0.4 * k, 5 + 40 * k}}),
        realMatrix({{1.10e-6, 0.95e-6, 0.90e-6}, {0.95e-6, 1.12e-6, 0.97e-6}, {0.90e-6, 0.97e-6, 1.08e-6}}), c, g};
}

using Wide = std::complex<long double>;
using WideMatrix = std::vector<std::vector<Wide>>;

WideMatrix wideMatrix(int n) { return WideMatrix(static_cast<size_t>(n), std::vector<Wide>(static_cast<size_t>(n))); }

WideMatrix operator*(const WideMatrix& a, const WideMatrix& b)
{
    WideMatrix out = wideMatrix(static_cast<int>(a.size()));
    for (size_t i = 0; i < a.size(); ++i)
        for (size_t k = 0; k < a.size(); ++k)
            for (size_t j = 0; j < a.size(); ++j) out[i][j] += a[i][k] * b[k][j];
    return out;
}

// X with X a = b, by Gauss-Jordan elimination on the columns (a is well conditioned here).
WideMatrix rightDivide(WideMatrix b, WideMatrix a)
{
    const size_t n = a.size();
    for (size_t p = 0; p < n; ++p) {
        size_t pivot = p;
        for (size_t j = p; j < n; ++j)
            if (std::abs(a[p][j]) > std::abs(a[p][pivot])) pivot = j;
        for (WideMatrix* m : {&a, &b})
            for (auto& row : *m) std::swap(row[p], row[pivot]);
        for (size_t j = 0; j < n; ++j) {
            if (j == p) continue;
            const Wide factor = a[p][j] / a[p][p];
            for (WideMatrix* m : {&a, &b})
                for (auto& row : *m) row[j] -= factor * row[p];
        }
        const Wide pivotValue = a[p][p];
        for (WideMatrix* m : {&a, &b})
            for (auto& row : *m) row[p] /= pivotValue;
    }
    return b;
}

// The S-parameters from the chain matrix in long double: [V(0); I(0)] = [[A, B], [C, D]]
// [V(l); I(l)] with, for X = l^2 Z Y and W = l^2 Y Z, A = ch(X), B = l sh(X) Z, C = l sh(W) Y,
// D = ch(W), where ch(x) = cosh(sqrt x) and sh(x) = sinh(sqrt x) / sqrt x are summed as their
// Taylor series (entire functions: no mode, no square root, nothing singular at gamma = 0).
WideMatrix chainScattering(const FrequencyPoint& point, double length, long double z0)
{
    const int n = point.r.rows();
    const long double omega = 2 * 3.14159265358979323846264338327950288L * point.frequency, l = length;
    WideMatrix z = wideMatrix(n), y = wideMatrix(n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            z[i][j] = Wide(point.r[i][j], omega * point.l[i][j]);
            y[i][j] = Wide(point.g[i][j], omega * point.c[i][j]);
        }
    auto series = [&](const WideMatrix& x, int shift) {  // sum of (l^2 x)^k / (2k + shift)!
        WideMatrix sum = wideMatrix(n), term = wideMatrix(n);
        for (int i = 0; i < n; ++i) sum[i][i] = term[i][i] = 1;
        for (int k = 1; k < 80; ++k) {
            term = term * x;
            for (auto& row : term)
                for (Wide& v : row) v *= l * l / static_cast<long double>((2 * k - 1 + shift) * (2 * k + shift));
            for (int i = 0; i < n; ++i)
                for (int j = 0; j < n; ++j) sum[i][j] += term[i][j];
        }
        return sum;
    };
    WideMatrix scaledZ = z, scaledY = y;  // l Z and l Y
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) scaledZ[i][j] *= l, scaledY[i][j] *= l;
    const WideMatrix a = series(z * y, 0), b = series(z * y, 1) * scaledZ, c = series(y * z, 1) * scaledY,
                     d = series(y * z, 0);
    // Incident and reflected waves V +- z0 I of both ends, from the far-end V(l), I(l); into
    // the line at the far end flows -I(l).
    WideMatrix incident = wideMatrix(2 * n), reflected = wideMatrix(2 * n);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            incident[i][j] = a[i][j] + z0 * c[i][j];
            incident[i][j + n] = b[i][j] + z0 * d[i][j];
            reflected[i][j] = a[i][j] - z0 * c[i][j];
            reflected[i][j + n] = b[i][j] - z0 * d[i][j];
        }
        incident[i + n][i] = reflected[i + n][i] = 1;
        incident[i + n][i + n] = -z0;
        reflected[i + n][i + n] = z0;
    }
    return rightDivide(reflected, incident);
}

// The largest |S - S_exact| over the entries; NaN when S has one.
double chainError(const FrequencyPoint& point, double length, double z0)
{
    const ComplexMatrix s = lineScattering(point, length, z0);
    const WideMatrix exact = chainScattering(point, length, z0);
    double error = 0;
    for (int i = 0; i < s.rows(); ++i)
        for (int j = 0; j < s.rows(); ++j) {
            const double e = static_cast<double>(std::abs(Wide(s[i][j].re, s[i][j].im) - exact[i][j]));
            if (!(e <= error)) error = e;
        }
    return error;
}

}  // namespace

TEST(Touchstone, LosslessLineMatchedAtItsOwnImpedanceOnlyDelays)
{
    const double l = 250e-9, c = 100e-12, length = 0.3;  // Z0 = sqrt(l / c) = 50 ohm
    // 7 GHz puts the line at a half-wave resonance, where coth and csch of gamma l have poles.
    for (const double f : {1e8, 1.3e9, 7e9}) {
        const ComplexMatrix s = lineScattering(singleLine(f, 0, l, 0, c), length, 50);
        const double phase = -2 * Pi * f * length * std::sqrt(l * c);
        EXPECT_NEAR(abs(s[1][0]), 1.0, 1e-12) << f;
        EXPECT_LT(abs(s[1][0] - Complex(std::cos(phase), std::sin(phase))), 1e-9) << f;
        EXPECT_LT(abs(s[0][0]) + abs(s[1][1]), 1e-12) << f;
    }
}

TEST(Touchstone, LossyLinesAreReciprocalAndPassive)
{
    for (const double f : {1e6, 3e8, 5e9})
        for (const double length : {0.01, 3.0})
            for (const double z0 : {20.0, 50.0}) expectReciprocalAndPassive(lineScattering(lossyBus(f), length, z0));
}

TEST(Touchstone, SymmetricLosslessPairMatchesTheEvenAndOddModes)
{
    const double ls = 300e-9, lm = 80e-9, cs = 120e-12, cm = 30e-12, length = 0.2, z0 = 50;
    // One mode as a line seen from one port: its reflection and transmission.
    auto mode = [&](double l, double c, double f) {
        const double zm = std::sqrt(l / c), theta = 2 * Pi * f * length * std::sqrt(l * c);
        const Complex denominator(2 * std::cos(theta), (zm / z0 + z0 / zm) * std::sin(theta));
        return std::pair{Complex(0, (zm / z0 - z0 / zm) * std::sin(theta)) / denominator, Complex(2, 0) / denominator};
    };
    const RealMatrix zero = realMatrix({{0, 0}, {0, 0}});
    for (const double f : {2e7, 4.1e8, 3e9}) {
        const ComplexMatrix s = lineScattering(
            FrequencyPoint{f, zero, realMatrix({{ls, lm}, {lm, ls}}), realMatrix({{cs, -cm}, {-cm, cs}}), zero}, length,
            z0);
        const auto [reflectEven, passEven] = mode(ls + lm, cs - cm, f);
        const auto [reflectOdd, passOdd] = mode(ls - lm, cs + cm, f);
        // Port 1 driven: itself, the near end of the other conductor, the two far ends.
        const Complex expected[4] = {(reflectEven + reflectOdd) / 2.0, (reflectEven - reflectOdd) / 2.0,
                                     (passEven + passOdd) / 2.0, (passEven - passOdd) / 2.0};
        for (int port = 0; port < 4; ++port)
            EXPECT_LT(abs(s[port][0] - expected[port]), 1e-10) << f << " S" << port + 1 << "1";
    }
}

// Partial and single-conductor reports have a mode of gamma = 0 (a single conductor's C is
// zero): as exact as the loop lines, against the chain matrix in long double. The lines are
// at most a few wavelengths long, where its Taylor series keep every digit, and both sides of
// |gamma l| = 1.
TEST(Touchstone, EveryKindOfLineMatchesItsChainMatrix)
{
    double worst = 0;
    for (const double f : {1e5, 1e7, 1e9, 3e9})
        for (const double length : {1e-3, 0.05}) {
            for (const FrequencyPoint& point : {partialBus(f), lossyBus(f), singleLine(f, 5, 3e-7, 0, 0)}) {
                const double error = chainError(point, length, 50);
                EXPECT_LE(error, 1e-12) << point.r.rows() << " conductors, " << f << " Hz, " << length << " m";
                if (!(error <= worst)) worst = error;
            }
        }
    std::printf("[ accuracy ] S against the chain matrix: %.1e\n", worst);
}

TEST(Touchstone, LongLossyLinesStayFinite)
{
    // A copper microstrip at 10 GHz: skin-effect R of a 100 um trace, lossy dielectric.
    const double f = 1e10, r = 300, l = 330e-9, c = 130e-12, g = 0.02 * 2 * Pi * f * c;
    for (const double length : {1.0, 1e4}) {
        const ComplexMatrix s = lineScattering(singleLine(f, r, l, g, c), length, 50);
        for (int i = 0; i < 4; ++i) EXPECT_TRUE(std::isfinite(abs(s[i / 2][i % 2]))) << length;
        expectReciprocalAndPassive(s);
    }
    // So long that nothing comes through: the near end sees the characteristic impedance.
    const ComplexMatrix s = lineScattering(singleLine(f, r, l, g, c), 1e4, 50);
    const Complex zc = pow(Complex(r, 2 * Pi * f * l) / Complex(g, 2 * Pi * f * c), 0.5);
    EXPECT_LT(abs(s[1][0]), 1e-300);
    EXPECT_LT(abs(s[0][0] - (zc - 50.0) / (zc + 50.0)), 1e-12);
}

TEST(Touchstone, FileHoldsEveryParameterAtFullPrecision)
{
    for (const int conductors : {1, 3}) {
        std::vector<FrequencyPoint> points;
        for (const double f : {1e8, 2e9})
            points.push_back(conductors == 1 ? singleLine(f, 5, 3e-7, 1e-3, 1e-10) : lossyBus(f));
        const std::string path = makeTempFolder() + "/line.s" + std::to_string(2 * conductors) + "p";
        writeTouchstone(path, "bus.deck", sweepOf(points), 0.05, 50);

        std::istringstream text(readFile(path));
        std::vector<double> numbers;
        int comments = 0, dataLines = 0;
        for (std::string line; std::getline(text, line);) {
            if (line[0] == '!' && ++comments) continue;
            if (line[0] == '#') {
                EXPECT_EQ(line, "# Hz S RI R 50");
                continue;
            }
            ++dataLines;
            std::istringstream values(line);
            const size_t before = numbers.size();
            numbers.insert(numbers.end(), std::istream_iterator<double>(values), std::istream_iterator<double>());
            EXPECT_LE(numbers.size() - before, 9u) << line;  // a frequency and four pairs at most
        }
        const int ports = 2 * conductors;
        EXPECT_EQ(comments, 1 + ports);
        EXPECT_EQ(dataLines, conductors == 1 ? 2 : 2 * ports * 2);  // rows of six pairs take two lines
        auto next = numbers.begin();
        for (const FrequencyPoint& point : points) {
            EXPECT_EQ(*next++, point.frequency);
            const ComplexMatrix s = lineScattering(point, 0.05, 50);
            for (int i = 0; i < ports * ports; ++i) {
                // Two-port files list S11 S21 S12 S22.
                const Complex value = ports == 2 ? s[i % ports][i / ports] : s[i / ports][i % ports];
                EXPECT_EQ(*next++, value.re);
                EXPECT_EQ(*next++, value.im);
            }
        }
        EXPECT_EQ(next, numbers.end());
    }
}

}  // namespace xsrl
