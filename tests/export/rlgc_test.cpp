#include <gtest/gtest.h>

#include <algorithm>

#include "cli/run_deck.h"
#include "export/rlgc.h"
#include "sweep_fixtures.h"
#include "xsrl/export.h"

namespace xsrl {

namespace {

const RealMatrix kRo = realMatrix({{5.0, 1.2}, {1.2, 5.5}}), kRs = realMatrix({{2.6e-3, 4e-4}, {4e-4, 2.8e-3}}),
                 kLo = realMatrix({{410e-9, 90e-9}, {90e-9, 400e-9}}),
                 kCo = realMatrix({{98e-12, -21e-12}, {-21e-12, 101e-12}}),
                 kGd = realMatrix({{1.1e-12, -2e-13}, {-2e-13, 1.2e-12}});

// The W element's own frequency dependence, from nearly DC (so that R there is Ro) to 10 GHz.
SweepResult modelSweep()
{
    std::vector<FrequencyPoint> points;
    for (const double f : logSweep(1e-4, 1e10, 29)) {
        FrequencyPoint point{f, dmatrix(2, 2), dmatrix(2, 2), kCo, dmatrix(2, 2)};
        for (int i = 0; i < 4; ++i) {
            const int r = i / 2, c = i % 2;
            point.r[r][c] = kRo[r][c] + kRs[r][c] * std::sqrt(f);
            point.l[r][c] = kLo[r][c] + kRs[r][c] / (6.283185307179586 * std::sqrt(f));
            point.g[r][c] = kGd[r][c] * f;
        }
        points.push_back(point);
    }
    return sweepOf(points);
}

}  // namespace

TEST(Rlgc, FitRecoversTheModelAndReportsWhatItCannotFollow)
{
    const RlgcModel fit = fitRlgc(modelSweep());
    const std::pair<const RealMatrix*, const RealMatrix*> pairs[] = {
        {&fit.ro, &kRo}, {&fit.rs, &kRs}, {&fit.lo, &kLo}, {&fit.co, &kCo}, {&fit.gd, &kGd}};
    for (const auto& [actual, expected] : pairs)
        for (int i = 0; i < 4; ++i)
            EXPECT_NEAR((*actual)[i / 2][i % 2], (*expected)[i / 2][i % 2],
                        1e-5 * std::fabs((*expected)[i / 2][i % 2]));
    EXPECT_EQ(fit.go[0][0], 0.0);
    EXPECT_LT(std::max(fit.worstResistanceError, fit.worstInductanceError), 1e-5);

    // A resistance that leaves its DC value gradually, as a real conductor's does: a line in
    // sqrt(f) through R(fmin) misses the knee, and the error says so. Swept a point a decade,
    // the error is larger between the points than at them; the stated error is the one between.
    auto kneeResistance = [](double f) { return std::hypot(5.0, 1e-3 * std::sqrt(f)); };
    SweepResult knee = modelSweep();
    std::vector<FrequencyPoint> decades;
    for (FrequencyPoint point : knee.points) {
        if (point.frequency < 0.99e6 || std::fmod(std::log10(point.frequency) + 1e-9, 1.0) > 1e-6) continue;
        for (int i = 0; i < 2; ++i) point.r[i][i] = kneeResistance(point.frequency);
        decades.push_back(point);
    }
    ASSERT_EQ(decades.size(), 5u);
    knee.points = decades;
    const RlgcModel kneeFit = fitRlgc(knee);
    auto errorAt = [&](double f) {  // the diagonal entries are the largest; the others fit exactly
        double worst = 0.0;
        for (int i = 0; i < 2; ++i)
            worst = std::max(worst, std::fabs(kneeFit.ro[i][i] + kneeFit.rs[i][i] * std::sqrt(f) - kneeResistance(f)));
        return worst / kneeResistance(f);
    };
    double atThePoints = 0.0, between = 0.0;
    for (const FrequencyPoint& point : knee.points) atThePoints = std::max(atThePoints, errorAt(point.frequency));
    for (const double f : logSweep(1e6, 1e10, 401)) between = std::max(between, errorAt(f));
    EXPECT_GT(between, 1.05 * atThePoints);
    EXPECT_NEAR(kneeFit.worstResistanceError, between, 0.02 * between);
}

TEST(Rlgc, FileHoldsCommentsThenTheLowerTrianglesAtFullPrecision)
{
    const SweepResult result = modelSweep();
    const RlgcModel fit = fitRlgc(result);
    const std::string path = makeTempFolder() + "/bus.rlgc";
    writeRlgc(path, "bus.deck", result);

    std::istringstream text(readFile(path));
    std::string line, comments;
    while (std::getline(text, line) && line[0] == '*') comments += line + "\n";
    char worst[80];
    std::snprintf(worst, sizeof worst, "R %.3g, L %.3g\n", fit.worstResistanceError, fit.worstInductanceError);
    for (const std::string& expected :
         {std::string("bus.deck"), std::string("* line 2: conductor 3 (signal)\n"), std::string(worst)})
        EXPECT_NE(comments.find(expected), std::string::npos) << expected << " in\n" << comments;
    EXPECT_EQ(line, "2");
    for (const RealMatrix* m : {&fit.lo, &fit.co, &fit.ro, &fit.go, &fit.rs, &fit.gd})
        for (int i = 0; i < 2; ++i) {
            ASSERT_TRUE(std::getline(text, line));
            std::istringstream row(line);
            std::vector<double> values{std::istream_iterator<double>(row), std::istream_iterator<double>()};
            EXPECT_EQ(values, std::vector<double>((*m)[i], (*m)[i] + i + 1)) << line;
        }
    EXPECT_FALSE(std::getline(text, line));
}

}  // namespace xsrl
