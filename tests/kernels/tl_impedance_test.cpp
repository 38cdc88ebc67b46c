#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "kernels/skin_reference.h"
#include "kernels/surface_impedance.h"
#include "kernels/tl_impedance.h"

namespace xsrl {

namespace {

const double Copper = 5.8e7;
const double TwoPi = 6.283185307179586;

// The skin depth the zones are measured in (permeability 1.257e-6).
double zoneSkinDepth(double omega) { return 1.0 / std::sqrt(((omega * 0.5) * 1.257e-06) * Copper); }

Complex edge(double omega, double h, int n) { return tlKernel(omega, Copper, TlModeEdge, h, h, 0.0, 4.0, n); }
Complex middle(double omega, int mode, double h) { return tlKernel(omega, Copper, mode, h, 0.0, 0.0, 0.0, 0); }

// Position p along a face 100 um long of a conductor 20 um across.
Complex face(double omega, double p) { return tlFaceImpedance(omega, 0.0, 0.0, 100e-6, 20e-6, p, Copper); }

}  // namespace

TEST(SkinTl, SlabModesUpToThousandsOfSkinDepths)
{
    const double omega = TwoPi * 1e9;
    const double delta = zoneSkinDepth(omega);
    for (double d : {0.01, 0.5, 3.0, 50.0, 356.0, 400.0, 2000.0}) {
        const Complex thin = middle(omega, TlModeThin, d * delta);
        EXPECT_LT(relativeError(thin, slabSurfaceImpedance(omega, d * delta, Copper)), 1e-14) << d;
        // (k/sigma) tanh(kh) times (k/sigma) coth(kh) is (k/sigma)^2 = j omega mu0 / sigma.
        const Complex product = middle(omega, TlModeThick, d * delta) * thin;
        EXPECT_LT(relativeError(product, Complex(0.0, omega * 1.2566370614359173e-06 / Copper)), 1e-13) << d;
    }
}

// At 1 MHz (3 skin depths about 200 um) the conductor is thin and its end zones m = 10 um
// wide; at 1 GHz (3 skin depths about 6.3 um) it is thick.
TEST(SkinTl, ZoneBoundaries)
{
    const double m = 10e-6;
    const double thin = TwoPi * 1e6;
    ASSERT_GE(3.0 * zoneSkinDepth(thin), m);
    expectSame(face(thin, 0.0), edge(thin, m, 5));
    expectSame(face(thin, m / 2.0), edge(thin, m, 3));
    expectSame(face(thin, m), edge(thin, m, 1));
    expectSame(face(thin, std::nextafter(m, 1.0)), middle(thin, TlModeThin, m));
    expectSame(face(thin, 50e-6), middle(thin, TlModeThin, m));
    expectSame(face(thin, 97e-6), face(thin, 3e-6));  // mirrored to the nearer end

    const double thick = TwoPi * 1e9;
    const double h = 3.0 * zoneSkinDepth(thick);
    ASSERT_LT(h, m);
    expectSame(face(thick, h), middle(thick, TlModeThick, h));
    expectSame(face(thick, std::nextafter(h, 0.0)), edge(thick, h, 1));
    expectSame(face(thick, 0.0), edge(thick, h, 5));
}

TEST(SkinTl, RibbonMappedOntoItsFace)
{
    const double omega = TwoPi * 1e8;
    Conductor c;
    c.x1 = 0.0;
    c.y1 = 0.0;
    c.x2 = 50e-6;
    c.y2 = 50e-6;
    // Square: bottom-face and left-face ribbons at the same distance from the corner.
    expectSame(tlRibbonImpedance(omega, c, 2e-6, 4e-6, 0.0, 1e-9), tlRibbonImpedance(omega, c, 0.0, 1e-9, 2e-6, 4e-6));
    // A ribbon as wide as it is tall is placed along y.
    c.x2 = 100e-6;
    c.y2 = 20e-6;
    expectSame(tlRibbonImpedance(omega, c, 10e-6, 12e-6, 3e-6, 5e-6),
               tlFaceImpedance(omega, 0.0, 0.0, 20e-6, 100e-6, 4e-6, Copper));
}

// A ribbon far off its face (a side face of a line kilometres wide, an infinite coordinate)
// gets a sub-zone number beyond the int range: it is taken as the largest int, NaN as 0,
// while a large number inside the range is kept.
TEST(SkinTl, SubZoneNumberBeyondTheIntRange)
{
    const int largest = std::numeric_limits<int>::max();
    // Face 1 long, conductor 0.25 across, thin at 1 Hz: end zones m = 0.125 wide, and at
    // p = -m k the sub-zone number is exactly 4 (1 + k) + 1.
    const double slow = TwoPi;
    const double m = 0.125;
    ASSERT_GE(3.0 * zoneSkinDepth(slow), m);
    const auto at = [&](double p) { return tlFaceImpedance(slow, 0.0, 0.0, 1.0, 0.25, p, Copper); };
    expectSame(at(-m * 0x1p28), edge(slow, m, (1 << 30) + 5));
    expectSame(at(-m * 0x1p29), edge(slow, m, largest));

    const double thick = TwoPi * 1e9;
    const double h = 3.0 * zoneSkinDepth(thick);
    expectSame(face(thick, -INFINITY), edge(thick, h, largest));
    expectSame(face(thick, NAN), edge(thick, h, 0));
}

}  // namespace xsrl
