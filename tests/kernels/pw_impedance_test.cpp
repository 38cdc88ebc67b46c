#include <gtest/gtest.h>

#include <cmath>

#include "kernels/pw_impedance.h"
#include "kernels/skin_reference.h"

namespace xsrl {

namespace {

const double TwoPi = 6.283185307179586;

// 100 um by 20 um of copper: at 1 GHz about 48 by 10 skin depths.
Conductor wideLine()
{
    Conductor c;
    c.model = ConductorModel::Pw;
    c.x1 = 0.0;
    c.y1 = 0.0;
    c.x2 = 100e-6;
    c.y2 = 20e-6;
    return c;
}

}  // namespace

TEST(SkinPw, WideConductorMidFaceAndCorner)
{
    const double omega = TwoPi * 1e9;
    const Conductor c = wideLine();
    // Wave impedance of the metal, (1 + j) sqrt(omega mu / (2 sigma)).
    const double half = std::sqrt(omega * 1.257e-06 / (2.0 * c.sigma));
    const Complex eta(half, half);
    const double t = 1e-8;
    EXPECT_LT(relativeError(pwSurfaceImpedance(omega, c, 49e-6, 51e-6, 0.0, t, RibbonKind::FaceX), eta), 1e-3);
    // Centred on the corner: both sum patterns are near 1.
    EXPECT_LT(relativeError(pwSurfaceImpedance(omega, c, -1e-6, 1e-6, 0.0, t, RibbonKind::FaceX), 2.0 * eta), 1e-3);
}

TEST(SkinPw, OppositeFacesKindsAndReferenceCorner)
{
    const double omega = TwoPi * 1e8;
    const Conductor c = wideLine();
    const double t = 1e-8;
    // Only the coordinate along the face counts.
    expectSame(pwSurfaceImpedance(omega, c, 10e-6, 14e-6, 0.0, t, RibbonKind::FaceX),
               pwSurfaceImpedance(omega, c, 10e-6, 14e-6, 20e-6, 20e-6 + t, RibbonKind::FaceX));
    const Complex left = pwSurfaceImpedance(omega, c, 0.0, t, 3e-6, 5e-6, RibbonKind::FaceY);
    expectSame(left, pwSurfaceImpedance(omega, c, 100e-6, 100e-6 + t, 3e-6, 5e-6, RibbonKind::FaceY));
    // Any kind but FaceX is a side-face ribbon.
    expectSame(left, pwSurfaceImpedance(omega, c, 0.0, t, 3e-6, 5e-6, RibbonKind::PlateOneFace));

    // A ribbon stored right to left is measured from the conductor's second corner.
    Conductor binary = c;
    binary.x2 = std::ldexp(1.0, -13);
    binary.y2 = std::ldexp(1.0, -15);
    const double e = std::ldexp(1.0, -19);
    expectSame(pwSurfaceImpedance(omega, binary, binary.x2 + t, binary.x2, binary.y2 - e, binary.y2, RibbonKind::FaceY),
               pwSurfaceImpedance(omega, binary, 0.0, t, -e, 0.0, RibbonKind::FaceY));
}

}  // namespace xsrl
