#include <gtest/gtest.h>

#include "kernels/internal_impedance.h"
#include "kernels/pw_impedance.h"
#include "kernels/skin_reference.h"
#include "kernels/surface_impedance.h"
#include "kernels/tl_impedance.h"
#include "kernels/whole_face.h"
#include "model/structure.h"

namespace xsrl {

namespace {

const double Omega = 6.283185307179586e9;

// A conductor spanning (0, 0) to (x2, y2).
Conductor conductorOf(ConductorModel model, double x2, double y2)
{
    Conductor c;
    c.model = model;
    c.x1 = 0.0;
    c.y1 = 0.0;
    c.x2 = x2;
    c.y2 = y2;
    return c;
}

Complex impedance(const Conductor& conductor, RibbonKind kind, double x1, double y1, double x2, double y2)
{
    return internalImpedance(Ribbon{x1, y1, x2, y2, kind, 0}, conductor, Omega);
}

}  // namespace

TEST(SkinDispatch, ByKind)
{
    Conductor circle = conductorOf(ConductorModel::Circle, 0.0, 0.0);
    circle.rad = 1e-3;
    circle.nr = 10;
    expectSame(impedance(circle, RibbonKind::Chord, 1e-3, 0.0, 0.8e-3, 0.58e-3),
               wireSurfaceImpedance(Omega, 1e-3, circle.sigma) / (6.283185307179586 * 1e-3 / 10.0));

    Conductor grid = conductorOf(ConductorModel::Vf, 1e-3, 1e-4);
    expectSame(impedance(grid, RibbonKind::Filament, 0.0, 0.0, 1e-3, 1e-4), Complex(1.0 / (1e-3 * 5.8e7 * 1e-4), 0.0));

    // Kinds 4 and 5 go to the whole-face model whatever the conductor's model.
    Conductor line = conductorOf(ConductorModel::Vf, 10e-6, 100e-6);
    for (RibbonKind kind : {RibbonKind::WholeFaceX, RibbonKind::WholeFaceY})
        expectSame(impedance(line, kind, 0.0, 0.0, 10e-6, 1e-9),
                   wholeFaceImpedance(Omega, line.sigma, 0.0, 10e-6, 0.0, 100e-6, kind));

    // Plates: half the thickness when both faces carry ribbons; a top-face ribbon (stored with y2
    // below y1) like its bottom-face mirror.
    Conductor plate = conductorOf(ConductorModel::Pw, 1e-3, 10e-6);
    const double w = 3e-4 - 1e-4;
    const Complex both = impedance(plate, RibbonKind::PlateBothFaces, 1e-4, 0.0, 3e-4, 1e-9);
    expectSame(both, slabSurfaceImpedance(Omega, 5e-6, plate.sigma) / w);
    expectSame(impedance(plate, RibbonKind::PlateBothFaces, 1e-4, 10e-6, 3e-4, 10e-6 - 1e-9), both);
    expectSame(impedance(plate, RibbonKind::PlateOneFace, 1e-4, 0.0, 3e-4, 1e-9),
               slabSurfaceImpedance(Omega, 10e-6, plate.sigma) / w);
    // The zero-thickness strips of the accurate mode likewise.
    expectSame(impedance(plate, RibbonKind::PlateStripBothFaces, 1e-4, 10e-6, 3e-4, 10e-6), both);
    expectSame(impedance(plate, RibbonKind::PlateStripOneFace, 1e-4, 0.0, 3e-4, 0.0),
               slabSurfaceImpedance(Omega, 10e-6, plate.sigma) / w);
}

// A bottom-face ribbon narrower than it is thick and a side-face ribbon the other way round:
// pw divides by the extent its kind names, tl by the larger side, other models give zero.
TEST(SkinDispatch, FaceRibbonsByConductorModel)
{
    Conductor line = conductorOf(ConductorModel::Pw, 100e-6, 20e-6);
    const auto faceX = [&line] { return impedance(line, RibbonKind::FaceX, 1e-6, 0.0, 2e-6, 5e-6); };
    const auto faceY = [&line] { return impedance(line, RibbonKind::FaceY, 0.0, 1e-6, 5e-6, 2e-6); };
    expectSame(faceX(), pwSurfaceImpedance(Omega, line, 1e-6, 2e-6, 0.0, 5e-6, RibbonKind::FaceX) / 1e-6);
    expectSame(faceY(), pwSurfaceImpedance(Omega, line, 0.0, 5e-6, 1e-6, 2e-6, RibbonKind::FaceY) / 1e-6);

    line.model = ConductorModel::Tl;
    expectSame(faceX(), tlRibbonImpedance(Omega, line, 1e-6, 2e-6, 0.0, 5e-6) / 5e-6);
    expectSame(faceY(), tlRibbonImpedance(Omega, line, 0.0, 5e-6, 1e-6, 2e-6) / 5e-6);

    for (ConductorModel model : {ConductorModel::Vf, ConductorModel::Circle}) {
        line.model = model;
        expectSame(faceX(), Complex(0.0, 0.0));
        expectSame(faceY(), Complex(0.0, 0.0));
    }
}

}  // namespace xsrl
