#include "export/spice.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "cli/run_deck.h"
#include "export/touchstone.h"
#include "numerics/positive_definite.h"
#include "sweep_fixtures.h"
#include "test_support.h"
#include "xsrl/export.h"

namespace xsrl {

namespace {

const RealMatrix kL = realMatrix({{410e-9, 60e-9}, {60e-9, 400e-9}});
const RealMatrix kC = realMatrix({{120e-12, -18e-12}, {-18e-12, 118e-12}});

// A coupled pair: skin-effect R and L, constant C and G = 2 pi f tanDelta C (which no causal
// model follows exactly when tanDelta is not 0, as in the solver's sweeps of FR-4).
SweepResult pairSweep(double tanDelta)
{
    std::vector<FrequencyPoint> points;
    for (const double f : logSweep(1e6, 1e10, 9)) {
        FrequencyPoint point{f, dmatrix(2, 2), dmatrix(2, 2), kC, dmatrix(2, 2)};
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j) {
                const double skin = (i == j ? 1.6e-3 : 0.2e-3) * std::sqrt(f);
                point.r[i][j] = (i == j ? 8.0 : 0.3) + skin;
                point.l[i][j] = kL[i][j] + skin / (6.283185307179586 * f);
                point.g[i][j] = 6.283185307179586 * f * tanDelta * kC[i][j];
            }
        points.push_back(point);
    }
    return sweepOf(points);
}

double largestDifference(const ComplexMatrix& a, const ComplexMatrix& b)
{
    double out = 0.0;
    for (int i = 0; i < a.rows(); ++i)
        for (int j = 0; j < a.cols(); ++j) out = std::max(out, abs(a[i][j] - b[i][j]));
    return out;
}

}  // namespace

TEST(Spice, SectionsMatchTheLineToFourthOrder)
{
    // Constant R, L, C, G: the model holds them exactly, so only the sections differ from the line.
    LineModel model{realMatrix({{5.0, 0.0}, {0.0, 5.0}}), kL, {}, {}};
    model.shunt = {ShuntTerm{Direction{0, -1, 1.0}, 1e-3, kC[0][0] + kC[0][1], 0.0},
                   ShuntTerm{Direction{1, -1, 1.0}, 1e-3, kC[1][1] + kC[0][1], 0.0},
                   ShuntTerm{Direction{0, 1, -1.0}, 0.0, -kC[0][1], 0.0}};
    const double f = 3e9, length = 0.2;  // about three wavelengths
    FrequencyPoint point{f, model.resistance, kL, kC, realMatrix({{1e-3, 0.0}, {0.0, 1e-3}})};
    const ComplexMatrix exact = lineScattering(point, length, 50.0);
    const int sections = 60;  // a twentieth of a wavelength
    const double coarse =
        largestDifference(ladderScattering(sectionCircuit(model, length / sections, f), 2, sections, f, 50.0), exact);
    const double fine = largestDifference(
        ladderScattering(sectionCircuit(model, length / (2 * sections), f), 2, 2 * sections, f, 50.0), exact);
    EXPECT_LT(coarse, 1e-3);
    EXPECT_GT(coarse / fine, 12.0);  // 16 for fourth order, 4 for a plain pi or T section
}

TEST(Spice, FittedModelIsPassiveAndMeetsTheLineOfTheSweep)
{
    // Without dielectric loss the data are causal and the model meets them closely; with the
    // loss tangent of FR-4 it cannot, but stays passive.
    for (const double tanDelta : {0.0, 0.02}) {
        const SweepResult sweep = pairSweep(tanDelta);
        const double length = 0.1;
        const LineModel model = fitLineModel(sweep, length, 50.0);
        const int sections = sectionCount(sweep, length);
        const SectionCircuit section = sectionCircuit(model, length / sections, sweep.points.back().frequency);

        for (const CircuitElement& element : section.elements) EXPECT_GT(element.value, 0.0);
        for (const Coupling& k : section.couplings) EXPECT_LT(std::fabs(k.factor), 1.0);
        EXPECT_TRUE(isPositiveDefinite(coilInductances(section)));

        for (const FrequencyPoint& point : sweep.points) {
            const ComplexMatrix s = ladderScattering(section, 2, sections, point.frequency, 50.0);
            if (tanDelta == 0.0) {
                const ScatteringDeviation miss = scatteringDeviation(s, lineScattering(point, length, 50.0));
                EXPECT_LT(miss.decibels, 0.05) << point.frequency;
                EXPECT_LT(miss.degrees, 0.5) << point.frequency;
            }
            // Passive: I - S^H S positive semidefinite, as the real form [[A, -B], [B, A]] of A + jB.
            RealMatrix loss = dmatrix(8, 8);
            for (int i = 0; i < 4; ++i)
                for (int j = 0; j < 4; ++j) {
                    Complex sum(i == j ? 1.0 : 0.0, 0.0);
                    for (int k = 0; k < 4; ++k) sum = sum - conj(s[k][i]) * s[k][j];
                    loss[i][j] = loss[i + 4][j + 4] = sum.re;
                    loss[i + 4][j] = sum.im;
                    loss[i][j + 4] = -sum.im;
                }
            EXPECT_TRUE(isPositiveDefinite(loss, -1e-12)) << point.frequency;
        }
    }
}

TEST(Spice, SectionsAreATwentiethOfTheShortestWavelengthUpToALimit)
{
    // The slower mode of the pair: v = 1 / sqrt(largest eigenvalue of L C) at 10 GHz.
    const SweepResult sweep = pairSweep(0.0);
    const RealMatrix& l = sweep.points.back().l;
    const double lc[2][2] = {{l[0][0] * kC[0][0] + l[0][1] * kC[1][0], l[0][0] * kC[0][1] + l[0][1] * kC[1][1]},
                             {l[1][0] * kC[0][0] + l[1][1] * kC[1][0], l[1][0] * kC[0][1] + l[1][1] * kC[1][1]}};
    const double trace = lc[0][0] + lc[1][1], det = lc[0][0] * lc[1][1] - lc[0][1] * lc[1][0];
    const double wavelength = 1.0 / (1e10 * std::sqrt(0.5 * (trace + std::sqrt(trace * trace - 4.0 * det))));
    EXPECT_EQ(sectionCount(sweep, 0.1), static_cast<int>(std::ceil(20.0 * 0.1 / wavelength)));
    EXPECT_EQ(sectionCount(sweep, 1e-9), 1);
    try {
        sectionCount(sweep, 1e4);
        FAIL() << "a line of 700000 wavelengths was cut into sections";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("the model has at most 100000"), std::string::npos) << e.what();
    }
}

TEST(Spice, FileNamesThePortsStatesTheErrorAndHoldsPositiveElements)
{
    const std::string path = makeTempFolder() + "/pair.sp";
    writeSpice(path, "lib/pair\nx.deck", pairSweep(0.02), 0.1, 50.0);
    std::istringstream text(readFile(path));
    std::string line, comments;
    int instances = 0, sections = 0;
    bool inLine = false;
    while (std::getline(text, line)) {
        if (line.empty()) continue;
        if (line[0] == '*') comments += line + "\n";
        if (line.rfind(".subckt pair_x ", 0) == 0) {
            EXPECT_EQ(line, ".subckt pair_x near_1 near_2 far_1 far_2 ref");
            inLine = true;
        }
        if (inLine && line[0] == 'X') ++instances;
        if (std::strchr("RLC", line[0])) {
            std::istringstream words(line);
            std::string name, node1, node2;
            double value = 0.0;
            words >> name >> node1 >> node2 >> value;
            EXPECT_GT(value, 0.0) << line;
        }
    }
    std::sscanf(comments.substr(comments.find("\n* ") + 3).c_str(), "%d", &sections);
    for (const std::string expected : {"lib/pair?x.deck, 0.1 m long\n", "* near_2, far_2: conductor 3 (signal)\n",
                                       "at most 1/20 of the shortest wavelength", "measured error"})
        EXPECT_NE(comments.find(expected), std::string::npos) << expected << " in\n" << comments;
    EXPECT_NE(comments.find(" " + std::to_string(instances) + " sections of "), std::string::npos) << comments;
    EXPECT_GT(instances, 20);
}

}  // namespace xsrl
