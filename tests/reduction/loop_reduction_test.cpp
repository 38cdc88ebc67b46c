#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "numerics/matrix.h"
#include "reduction/loop_reduction.h"

namespace xsrl {

namespace {

// A conductor admittance matrix as the sweep makes it: the inverse of a symmetric,
// diagonally dominant impedance matrix.
ComplexMatrix admittance(int l, unsigned seed)
{
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> u(0.1, 1.0);
    ComplexMatrix z = matrix(l, l);
    for (int i = 0; i < l; ++i)
        for (int j = i; j < l; ++j) z[i][j] = z[j][i] = Complex(u(gen), u(gen) + (i == j ? 3.0 : 0.0));
    return invertMatrix(std::move(z), 1);
}

// Loop impedances computed independently: ground conductors share one voltage and all
// currents sum to zero, which leaves the Schur complement of the grounds' voltage.
ComplexMatrix expectedLoopImpedance(const ComplexMatrix& g, const std::vector<int>& signals)
{
    const int l = g.rows();
    const int e = static_cast<int>(signals.size());
    auto rowSum = [&](int i) {
        Complex s;
        for (int j = 0; j < l; ++j) s = s + g[i][j];
        return s;
    };
    auto columnSum = [&](int j) {
        Complex s;
        for (int i = 0; i < l; ++i) s = s + g[i][j];
        return s;
    };
    Complex total;
    for (int i = 0; i < l; ++i) total = total + rowSum(i);
    ComplexMatrix y = matrix(e, e);
    for (int p = 0; p < e; ++p)
        for (int q = 0; q < e; ++q)
            y[p][q] = g[signals[p]][signals[q]] - rowSum(signals[p]) * columnSum(signals[q]) / total;
    return invertMatrix(std::move(y), 1);
}

ComplexMatrix reduce(std::vector<int>& isSignal, ComplexMatrix g, int signalCount)
{
    moveSignalsToFront(isSignal, g);
    return loopReduce(isSignal, signalCount, g);
}

void expectNear(Complex actual, Complex expected)
{
    EXPECT_NEAR(actual.re, expected.re, 1e-12 * abs(expected));
    EXPECT_NEAR(actual.im, expected.im, 1e-12 * abs(expected));
}

}  // namespace

TEST(LoopReduction, OneSignalOneGroundGivesTheLoopOfTheConductorImpedances)
{
    const ComplexMatrix g = admittance(2, 1);
    const ComplexMatrix z = invertMatrix(ComplexMatrix(g), 1);
    std::vector<int> conductors{1, 0};
    const ComplexMatrix loop = reduce(conductors, g, 1);
    ASSERT_EQ(loop.rows(), 2);
    expectNear(loop[0][0], z[0][0] - z[0][1] - z[1][0] + z[1][1]);
}

TEST(LoopReduction, DeckOrderOfSignalAndGroundDoesNotChangeTheLoop)
{
    const ComplexMatrix g = admittance(2, 2);
    ComplexMatrix reversed = g;
    swapConductors(reversed, 0, 1);
    std::vector<int> signalFirst{1, 0};
    std::vector<int> groundFirst{0, 1};
    expectNear(reduce(groundFirst, reversed, 1)[0][0], reduce(signalFirst, g, 1)[0][0]);
    EXPECT_EQ(groundFirst[0], 1);
    EXPECT_EQ(groundFirst[1], 0);
}

TEST(LoopReduction, SignalsAtPositionsOneAndThreeBecomePortsZeroAndOne)
{
    const ComplexMatrix g = admittance(4, 3);
    std::vector<int> conductors{0, 1, 0, 1};
    const ComplexMatrix loop = reduce(conductors, g, 2);
    const ComplexMatrix expected = expectedLoopImpedance(g, {1, 3});
    ASSERT_EQ(loop.rows(), 3);
    for (int p = 0; p < 2; ++p)
        for (int q = 0; q < 2; ++q) expectNear(loop[p][q], expected[p][q]);
    EXPECT_EQ(conductors[0] + conductors[1], 2);
}

TEST(LoopReduction, ThreeSignalsOneGround)
{
    const ComplexMatrix g = admittance(4, 4);
    std::vector<int> conductors{1, 1, 0, 1};
    const ComplexMatrix loop = reduce(conductors, g, 3);
    const ComplexMatrix expected = expectedLoopImpedance(g, {0, 1, 3});
    ASSERT_EQ(loop.rows(), 4);
    for (int p = 0; p < 3; ++p)
        for (int q = 0; q < 3; ++q) expectNear(loop[p][q], expected[p][q]);
}

TEST(LoopReduction, SwapKeepsThePairEntriesAndExchangesTheRest)
{
    ComplexMatrix g = matrix(3, 3);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) g[i][j] = Complex(10 * i + j, 0);
    const ComplexMatrix original = g;
    swapConductors(g, 0, 2);
    EXPECT_EQ(g[0][2].re, 2);  // pair entries stay
    EXPECT_EQ(g[2][0].re, 20);
    EXPECT_EQ(g[0][0].re, 22);
    EXPECT_EQ(g[0][1].re, 21);
    EXPECT_EQ(g[1][0].re, 12);
    EXPECT_EQ(g[1][1].re, 11);
    swapConductors(g, 1, 1);
    swapConductors(g, 0, 2);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(g[i][j].re, original[i][j].re);
}

}  // namespace xsrl
