// The L-C check on matrices that obey c0^2 L_ext C0 = I exactly, loop and partial.
#include <gtest/gtest.h>

#include <cmath>

#include "solver/lc_check.h"

namespace xsrl {

namespace {

const double LightSpeed = 299792458.0, Omega = 2 * 3.141592653589793 * 1e9;

// A loop pair at 1 GHz whose external L is C0^-1 / c0^2, times `error`, and whose internal
// inductance R / omega is R = 2 + 0.5 (mutual) ohm/m over omega.
FrequencyPoint loopPair(const RealMatrix& c0, double error)
{
    FrequencyPoint point{1e9, dmatrix(2, 2), dmatrix(2, 2), c0, dmatrix(2, 2)};
    const double det = c0[0][0] * c0[1][1] - c0[0][1] * c0[1][0];
    const double inverse[2][2] = {{c0[1][1] / det, -c0[0][1] / det}, {-c0[1][0] / det, c0[0][0] / det}};
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) {
            point.r[i][j] = i == j ? 2.0 : 0.5;
            point.l[i][j] = error * inverse[i][j] / (LightSpeed * LightSpeed) + point.r[i][j] / Omega;
        }
    return point;
}

}  // namespace

TEST(LcCheck, MeasuresHowFarLoopAndPartialMatricesAreFromTheExactRelation)
{
    RealMatrix c0 = dmatrix(2, 2);
    c0[0][0] = c0[1][1] = 90e-12;
    c0[0][1] = c0[1][0] = -20e-12;
    EXPECT_LT(lcCheck(loopPair(c0, 1.0), c0, false), 1e-14);
    EXPECT_NEAR(lcCheck(loopPair(c0, 1.02), c0, false), 0.02, 1e-14);

    // The same pair as a partial report of three conductors, the third the return: C0 is the
    // Maxwell matrix (rows and columns sum to zero) and a partial L whose loop matrix against
    // conductor 3 is the pair's, with a large inductance common to all three. Its product is
    // not I, but has one value down each column.
    for (const double error : {1.0, 1.02}) {
        const FrequencyPoint loop = loopPair(c0, error);
        FrequencyPoint partial{1e9, dmatrix(3, 3), dmatrix(3, 3), dmatrix(3, 3), dmatrix(3, 3)};
        RealMatrix maxwell = dmatrix(3, 3);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) {
                const bool pair = i < 2 && j < 2;
                partial.l[i][j] = 1e-6 + (pair ? loop.l[i][j] - loop.r[i][j] / Omega : 0.0);
                maxwell[i][j] = pair ? c0[i][j] : i == j ? 140e-12 : -70e-12;
            }
        const double check = lcCheck(partial, maxwell, true);
        EXPECT_NEAR(check, error - 1.0, 1e-14) << error;
        // Read as a loop report, the common mode alone makes it large.
        EXPECT_GT(lcCheck(partial, maxwell, false), 0.3);
    }
    // A single conductor's partial report has no loop: nothing to check.
    FrequencyPoint single{1e9, dmatrix(1, 1), dmatrix(1, 1), dmatrix(1, 1), dmatrix(1, 1)};
    single.l[0][0] = 1e-6;
    EXPECT_TRUE(std::isnan(lcCheck(single, dmatrix(1, 1), true)));
}

}  // namespace xsrl
