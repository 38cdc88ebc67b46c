// Whole runs against closed forms of the physics, each computed here independently.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "run_deck.h"

namespace xsrl {

namespace {

constexpr double kMu0 = 4e-7 * M_PI;
constexpr double kCopper = 5.8e7;

using ComplexLD = std::complex<long double>;

// J_n(z) by its power series; accurate in long double for |z| up to a few units.
ComplexLD besselSeries(int n, ComplexLD z)
{
    ComplexLD term = std::pow(z / 2.0L, n);
    for (int k = 1; k <= n; ++k) term /= static_cast<long double>(k);
    ComplexLD sum = term;
    for (int k = 1; k < 200; ++k) {
        term *= -(z * z / 4.0L) / static_cast<long double>(k * (k + n));
        sum += term;
    }
    return sum;
}

// J0(z)/J1(z) for large |z| below the real axis, where J_n is half the Hankel function of the
// first kind up to exp(-2|Im z|): i * P0(z)/P1(z) with the asymptotic series of each order.
ComplexLD besselRatioAsymptotic(ComplexLD z)
{
    auto series = [&](int nu) {
        ComplexLD sum = 1.0L, term = 1.0L;
        for (int k = 1; k < 12; ++k) {
            const long double m = 2 * k - 1;
            term *= ComplexLD(0, 1) * (4.0L * nu * nu - m * m) / (8.0L * k) / z;
            sum += term;
        }
        return sum;
    };
    return ComplexLD(0, 1) * series(0) / series(1);
}

// Resistance per metre of an isolated round wire: Re[k J0(ka) / (2 pi a sigma J1(ka))].
double exactWireResistance(double frequency, double radius, double sigma)
{
    const ComplexLD k = std::sqrt(ComplexLD(0, -2 * M_PI * frequency * kMu0 * sigma));
    const ComplexLD ka = k * static_cast<long double>(radius);
    const ComplexLD ratio = std::abs(ka) < 8 ? besselSeries(0, ka) / besselSeries(1, ka) : besselRatioAsymptotic(ka);
    return static_cast<double>(std::real(k * ratio / static_cast<long double>(2 * M_PI * radius * sigma)));
}

std::vector<ReportBlock> runOrFail(const std::string& deck)
{
    const ProgramRun run = runDeck(deck);
    EXPECT_EQ(run.status, 0) << run.out;
    return parseReport(run.file("Zs"));
}

}  // namespace

// A vf line 10 mm wide and 1 um thick at 1 kHz (skin depth about 2 mm): each filament's
// resistance is thousands of times its reactance, so the current spreads evenly and the line
// shows its DC resistance 1/(sigma W T). The report prints four digits.
TEST(Physics, DirectCurrentResistanceOfAThinVolumeFilamentLine)
{
    const std::vector<ReportBlock> blocks =
        runOrFail(".freq 1e3 1e3 0\nend\nline{ type=vf x1=0 x2=0.01 y1=0 y2=1e-6 nx=20 ny=1 }\nend\n");
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_NEAR(blocks[0].r[0], 1 / (kCopper * 0.01 * 1e-6), 1e-4 * blocks[0].r[0]);
}

// A copper wire of 1 mm radius cut into 16 chords. The chords share the current equally by
// symmetry, so the wire's resistance is the round-wire surface impedance over the
// circumference, evaluated with the handbook's Bessel approximations (relative error below
// 1e-6 away from |ka| of 2 to 5). At 1 kHz ka is about 0.68 (a third of a skin depth); at
// 100 MHz the radius is about 150 skin depths.
TEST(Physics, ResistanceOfARoundWireFollowsTheExactBesselSolution)
{
    for (const double frequency : {1e3, 1e8}) {
        const std::string freq = std::to_string(frequency);
        const std::vector<ReportBlock> blocks =
            runOrFail(".freq " + freq + " " + freq + " 0\nend\ncircle{ xc=0 yc=0 rad=1e-3 nr=16 }\nend\n");
        ASSERT_EQ(blocks.size(), 1u);
        const double expected = exactWireResistance(frequency, 1e-3, kCopper);
        EXPECT_NEAR(blocks[0].r[0], expected, 1e-4 * expected) << frequency;
    }
}

// Two wires of radius a = 1 mm, centres D = 5 mm apart, at 100 MHz (skin depth 6.6 um): the
// loop inductance of the ideal line with proximity effect is (mu0/pi) acosh(D/2a). The model
// differs by the internal inductance (about 0.2 %) and the 32-chord polygon that stands for
// each circle (a few tenths of a percent); 1 % covers both.
TEST(Physics, HighFrequencyLoopInductanceOfATwoWireLine)
{
    const std::vector<ReportBlock> blocks = runOrFail(
        ".freq 1e8 1e8 0\nend\ncircle{ xc=0 yc=0 rad=1e-3 nr=32 }\ncircle{ xc=5e-3 yc=0 rad=1e-3 nr=32 v=0 }\nend\n");
    ASSERT_EQ(blocks.size(), 1u);
    ASSERT_EQ(blocks[0].size, 1);
    const double expected = kMu0 / M_PI * std::acosh(5.0 / 2.0);
    EXPECT_NEAR(blocks[0].l[0], expected, 0.01 * expected);
}

}  // namespace xsrl
