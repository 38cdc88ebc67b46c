// The accurate mode against the identity that holds exactly in one homogeneous medium: at high
// frequency, with the internal part R / omega taken out of L, c0^2 L C = I.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "xsrl/xsrl.h"

namespace xsrl {

namespace {

// Largest entry of c0^2 (L - R / omega) C - I at the top of the sweep of a vacuum deck.
double identityError(const std::string& accuracy, const std::string& conductors)
{
    const std::string deck = ".freq 1e10 1e10 1\n.unit um\n.partial no\n.capacitance yes\n.accuracy " + accuracy +
                             "\nend\n" + conductors + "end\n";
    const SweepResult result = solveDeck(parseDeck(deck), Threads{2});
    const FrequencyPoint& point = result.points.back();
    const double omega = 2.0 * 3.141592653589793 * point.frequency;
    const double c0 = 299792458.0;
    const int n = point.l.rows();
    double largest = 0.0;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            double lc = 0.0;
            for (int k = 0; k < n; ++k) lc += (point.l[i][k] - point.r[i][k] / omega) * point.c[k][j];
            largest = std::max(largest, std::fabs(c0 * c0 * lc - (i == j ? 1.0 : 0.0)));
        }
    }
    return largest;
}

}  // namespace

// Copper over copper plates 35 um thick; the plate of the microstrip is 40 times the height.
TEST(AccuracyPlates, HighModeHoldsTheLcIdentityOverPlates)
{
    const std::string microstrip = "plate{ x1=-2000 x2=2000 y1=-35 y2=0 v=0 }\n"
                                   "line{ x1=-50 x2=50 y1=100 y2=135 }\n";
    const std::string stripline = "plate{ x1=-1500 x2=1500 y1=-35 y2=0 v=0 }\n"
                                  "plate{ x1=-1500 x2=1500 y1=400 y2=435 v=0 }\n"
                                  "line{ x1=-52.5 x2=52.5 y1=191 y2=209 }\n";
    for (const std::string& conductors : {microstrip, stripline}) {
        EXPECT_LT(identityError("high", conductors), 1e-3) << conductors;
        // The thick plate ribbons of the normal mode miss it by percents.
        EXPECT_GT(identityError("normal", conductors), 1e-2) << conductors;
    }
}

}  // namespace xsrl
