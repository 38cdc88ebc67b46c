#include <gtest/gtest.h>

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
