#include <gtest/gtest.h>

#include <sstream>

#include "app/run_deck.h"
#include "export/rlgc.h"
#include "model/run_error.h"
#include "sweep_fixtures.h"

namespace {

const double TwoPi = 6.283185307179586;

struct LineModel {
    RealMatrix ro = realMatrix({{5.0, 1.2}, {1.2, 5.5}});
    RealMatrix rs = realMatrix({{2.6e-3, 4e-4}, {4e-4, 2.8e-3}});
    RealMatrix lo = realMatrix({{410e-9, 90e-9}, {90e-9, 400e-9}});
    RealMatrix co = realMatrix({{98e-12, -21e-12}, {-21e-12, 101e-12}});
    RealMatrix gd = realMatrix({{1.1e-12, -2e-13}, {-2e-13, 1.2e-12}});
};

// The W element's own frequency dependence, sampled from nearly DC (so that R at the lowest
// frequency is Ro) to 10 GHz.
SweepResult modelSweep(const LineModel& m)
{
    std::vector<FrequencyPoint> points;
    for (const double f : logSweep(1e-4, 1e10, 29)) {
        RealMatrix r = dmatrix(2, 2), l = dmatrix(2, 2), g = dmatrix(2, 2);
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j) {
                r[i][j] = m.ro[i][j] + m.rs[i][j] * std::sqrt(f);
                l[i][j] = m.lo[i][j] + m.rs[i][j] / (TwoPi * std::sqrt(f));
                g[i][j] = m.gd[i][j] * f;
            }
        points.push_back(linePoint(f, r, l, g, m.co));
    }
    return sweepOf(points);
}

void expectNear(const RealMatrix& actual, const RealMatrix& expected, double relative, const char* name)
{
    for (int i = 0; i < expected.rows(); ++i)
        for (int j = 0; j < expected.cols(); ++j)
            EXPECT_NEAR(actual[i][j], expected[i][j], relative * std::fabs(expected[i][j])) << name << i << j;
}

} // namespace

TEST(Rlgc, FitRecoversTheCoefficientsOfTheWElementModel)
{
    const LineModel m;
    const RlgcModel fit = fitRlgc(modelSweep(m));
    expectNear(fit.ro, m.ro, 1e-5, "Ro");
    expectNear(fit.rs, m.rs, 1e-5, "Rs");
    expectNear(fit.lo, m.lo, 1e-7, "Lo");
    expectNear(fit.co, m.co, 0.0, "Co");
    expectNear(fit.gd, m.gd, 1e-12, "Gd");
    expectNear(fit.go, realMatrix({{0, 0}, {0, 0}}), 0.0, "Go");
    EXPECT_LT(fit.worstResistanceError, 1e-5);
    EXPECT_LT(fit.worstInductanceError, 1e-5);
}

TEST(Rlgc, WorstFitErrorShowsDataTheModelCannotFollow)
{
    // A resistance that stays at its DC value up to 1 MHz, as a real conductor's does, then
    // grows like sqrt(f): a straight line in sqrt(f) through R(fmin) misses the knee.
    SweepResult result = modelSweep(LineModel());
    for (FrequencyPoint& point : result.points)
        for (int i = 0; i < 2; ++i) point.r[i][i] = std::max(5.0, 5e-3 * std::sqrt(point.frequency));
    const RlgcModel fit = fitRlgc(result);
    EXPECT_GT(fit.worstResistanceError, 0.1);
}

TEST(Rlgc, FileHoldsTheLowerTrianglesAfterTheComments)
{
    const SweepResult result = modelSweep(LineModel());
    const RlgcModel fit = fitRlgc(result);
    const std::string path = makeTempFolder() + "/bus.rlgc";
    writeRlgc(path, "bus.deck", result);

    std::istringstream text(readFile(path));
    std::string line;
    std::vector<std::string> comments;
    while (std::getline(text, line) && line[0] == '*') comments.push_back(line);
    EXPECT_NE(comments[0].find("bus.deck"), std::string::npos);
    EXPECT_NE(comments[1].find("conductor 2 (signal)"), std::string::npos);
    char worst[80];
    std::snprintf(worst, sizeof worst, "R %.3g, L %.3g", fit.worstResistanceError, fit.worstInductanceError);
    EXPECT_TRUE(std::any_of(comments.begin(), comments.end(),
                            [&](const std::string& c) { return c.find(worst) != std::string::npos; }));
    EXPECT_EQ(line, "2");
    for (const RealMatrix* m : {&fit.lo, &fit.co, &fit.ro, &fit.go, &fit.rs, &fit.gd})
        for (int i = 0; i < 2; ++i) {
            ASSERT_TRUE(std::getline(text, line));
            std::istringstream row(line);
            std::vector<double> values;
            for (double value; row >> value;) values.push_back(value);
            ASSERT_EQ(values.size(), static_cast<size_t>(i + 1)) << line;
            for (int j = 0; j <= i; ++j) EXPECT_EQ(values[j], (*m)[i][j]);
        }
    EXPECT_FALSE(std::getline(text, line));
}

TEST(Rlgc, RefusedWithoutTheCapacitance)
{
    SweepResult result = modelSweep(LineModel());
    for (FrequencyPoint& point : result.points) point.c = point.g = RealMatrix();
    const std::string path = makeTempFolder() + "/bus.rlgc";
    try {
        writeRlgc(path, "bus.deck", result);
        FAIL() << "written without the capacitance";
    } catch (const RunError& error) {
        EXPECT_STREQ(error.what(), "ERROR: rlgc needs the capacitance: add .capacitance yes\n");
    }
    EXPECT_FALSE(fileExists(path));
}
