#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "app/run_deck.h"
#include "export/touchstone.h"
#include "numerics/eigen.h"
#include "sweep_fixtures.h"

namespace {

const double Pi = 3.141592653589793;

ComplexMatrix hermitianSquare(const ComplexMatrix& s)
{
    const int n = s.rows();
    ComplexMatrix out = matrix(n, n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            for (int k = 0; k < n; ++k) out[i][j] = out[i][j] + conj(s[k][i]) * s[k][j];
    return out;
}

// Reciprocity (S = S^T) and passivity (every singular value at most 1).
void expectReciprocalAndPassive(const ComplexMatrix& s, double largestSingularValue)
{
    for (int i = 0; i < s.rows(); ++i)
        for (int j = 0; j < i; ++j) EXPECT_LT(abs(s[i][j] - s[j][i]), 1e-10) << i << "," << j;
    double largest = 0.0;
    for (const Complex value : eigenDecompose(hermitianSquare(s)).values) largest = std::max(largest, value.re);
    EXPECT_LE(std::sqrt(largest), largestSingularValue);
}

// Three coupled lossy conductors: Maxwell C (negative mutuals), positive-definite L.
FrequencyPoint lossyBus(double f)
{
    const double skin = std::sqrt(f / 1e9);
    return linePoint(f, realMatrix({{5 + 40 * skin, 2 + 8 * skin, 1 + 3 * skin}, {2 + 8 * skin, 6 + 45 * skin, 2 + 8 * skin},
                                    {1 + 3 * skin, 2 + 8 * skin, 5 + 40 * skin}}),
                     realMatrix({{400e-9, 120e-9, 50e-9}, {120e-9, 390e-9, 120e-9}, {50e-9, 120e-9, 410e-9}}),
                     realMatrix({{2e-12 * f, -4e-13 * f, 0}, {-4e-13 * f, 2e-12 * f, -4e-13 * f}, {0, -4e-13 * f, 2e-12 * f}}),
                     realMatrix({{95e-12, -25e-12, -6e-12}, {-25e-12, 100e-12, -25e-12}, {-6e-12, -25e-12, 97e-12}}));
}

} // namespace

TEST(Touchstone, LosslessLineMatchedAtItsOwnImpedanceOnlyDelays)
{
    const double l = 250e-9, c = 100e-12, length = 0.3; // Z0 = sqrt(l / c) = 50 ohm
    for (const double f : {1e8, 1.3e9, 7e9}) {
        const ComplexMatrix s =
            lineScattering(linePoint(f, realMatrix({{0}}), realMatrix({{l}}), realMatrix({{0}}), realMatrix({{c}})), length, 50);
        const double phase = -2 * Pi * f * length * std::sqrt(l * c);
        EXPECT_NEAR(abs(s[1][0]), 1.0, 1e-12) << f;
        EXPECT_LT(abs(s[1][0] - Complex(std::cos(phase), std::sin(phase))), 1e-9) << f;
        EXPECT_LT(abs(s[0][0]), 1e-12) << f;
        EXPECT_LT(abs(s[0][1] - s[1][0]), 1e-12) << f;
    }
}

TEST(Touchstone, LossyLinesAreReciprocalAndPassive)
{
    for (const double f : {1e6, 3e8, 5e9})
        for (const double length : {0.01, 0.25, 3.0}) {
            SCOPED_TRACE(::testing::Message() << f << " Hz, " << length << " m");
            expectReciprocalAndPassive(lineScattering(lossyBus(f), length, 50), 1.0);
            expectReciprocalAndPassive(lineScattering(lossyBus(f), length, 20), 1.0);
        }
}

TEST(Touchstone, SymmetricLosslessPairMatchesTheEvenAndOddModes)
{
    const double ls = 300e-9, lm = 80e-9, cs = 120e-12, cm = 30e-12, length = 0.2, z0 = 50;
    // One mode of the pair as a two-conductor line seen from one port: S11 and S21.
    auto mode = [&](double l, double c, double f) {
        const double zm = std::sqrt(l / c), theta = 2 * Pi * f * length * std::sqrt(l * c);
        const Complex denominator(2 * std::cos(theta), (zm / z0 + z0 / zm) * std::sin(theta));
        return std::pair{Complex(0, (zm / z0 - z0 / zm) * std::sin(theta)) / denominator, Complex(2, 0) / denominator};
    };
    for (const double f : {2e7, 4.1e8, 3e9}) {
        const ComplexMatrix s = lineScattering(linePoint(f, realMatrix({{0, 0}, {0, 0}}), realMatrix({{ls, lm}, {lm, ls}}),
                                                         realMatrix({{0, 0}, {0, 0}}), realMatrix({{cs, -cm}, {-cm, cs}})),
                                               length, z0);
        const auto [reflectEven, passEven] = mode(ls + lm, cs - cm, f);
        const auto [reflectOdd, passOdd] = mode(ls - lm, cs + cm, f);
        const Complex expected[4] = {(reflectEven + reflectOdd) / 2.0, (reflectEven - reflectOdd) / 2.0,
                                     (passEven + passOdd) / 2.0, (passEven - passOdd) / 2.0};
        for (int port = 0; port < 4; ++port) EXPECT_LT(abs(s[port][0] - expected[port]), 1e-10) << f << " S" << port + 1 << "1";
        EXPECT_LT(abs(s[3][2] - expected[1]), 1e-10) << f;
        EXPECT_LT(abs(s[1][2] - expected[3]), 1e-10) << f;
    }
}

TEST(Touchstone, LongLossyLinesStayFinite)
{
    // A copper microstrip at 10 GHz: skin-effect R of a 100 um trace, lossy dielectric.
    const double f = 1e10, r = 300, l = 330e-9, c = 130e-12, g = 0.02 * 2 * Pi * f * c;
    const FrequencyPoint copper = linePoint(f, realMatrix({{r}}), realMatrix({{l}}), realMatrix({{g}}), realMatrix({{c}}));
    for (const double length : {1.0, 1e4}) {
        const ComplexMatrix s = lineScattering(copper, length, 50);
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j) EXPECT_TRUE(std::isfinite(s[i][j].re) && std::isfinite(s[i][j].im)) << length;
        expectReciprocalAndPassive(s, 1.0);
    }
    // So long that nothing comes through: the near end sees the characteristic impedance.
    const ComplexMatrix s = lineScattering(copper, 1e4, 50);
    const Complex omega(0, 2 * Pi * f);
    const Complex zc = pow((r + omega * l) / (g + omega * c), 0.5);
    EXPECT_EQ(abs(s[1][0]), 0.0);
    EXPECT_LT(abs(s[0][0] - (zc - 50.0) / (zc + 50.0)), 1e-12);
}

TEST(Touchstone, FileHoldsEveryParameterAtFullPrecision)
{
    const std::string folder = makeTempFolder();
    for (const int conductors : {1, 3}) {
        std::vector<FrequencyPoint> points;
        for (const double f : {1e8, 2e9}) {
            FrequencyPoint bus = lossyBus(f);
            if (conductors == 1)
                for (RealMatrix* m : {&bus.r, &bus.l, &bus.g, &bus.c}) *m = realMatrix({{(*m)[0][0]}});
            points.push_back(bus);
        }
        const SweepResult result = sweepOf(points);
        const std::string path = folder + "/line.s" + std::to_string(2 * conductors) + "p";
        writeTouchstone(path, "bus.deck", result, 0.05, 50);

        std::istringstream text(readFile(path));
        std::string line;
        std::vector<double> numbers;
        int comments = 0, dataLines = 0;
        while (std::getline(text, line)) {
            if (line[0] == '!') ++comments;
            else if (line[0] == '#') EXPECT_EQ(line, "# Hz S RI R 50");
            else {
                ++dataLines;
                std::istringstream values(line);
                int count = 0;
                for (double value; values >> value; ++count) numbers.push_back(value);
                EXPECT_LE(count, 9) << line; // a frequency and four pairs at most
            }
        }
        const int ports = 2 * conductors;
        EXPECT_EQ(comments, 1 + ports);
        EXPECT_EQ(dataLines, conductors == 1 ? 2 : 2 * ports * 2); // six pairs a row: two lines
        ASSERT_EQ(numbers.size(), 2u * (1 + 2 * ports * ports));
        auto next = numbers.begin();
        for (const FrequencyPoint& point : points) {
            EXPECT_EQ(*next++, point.frequency);
            const ComplexMatrix s = lineScattering(point, 0.05, 50);
            for (int row = 0; row < ports; ++row)
                for (int column = 0; column < ports; ++column) {
                    // Two-port files go column by column.
                    const Complex value = ports == 2 ? s[column][row] : s[row][column];
                    EXPECT_EQ(*next++, value.re);
                    EXPECT_EQ(*next++, value.im);
                }
        }
    }
}
