// Partial inductance per unit length in the accurate mode. At high frequency the current of a
// line or plate runs on its surface: the accurate mode takes each face ribbon as a sheet of zero
// thickness on its face, and only a volume filament as a rectangle of some area.
#pragma once

#include "model/structure.h"

namespace xsrl {

// The zero-thickness strips that the accurate mode lays on plate faces (y1 == y2).
inline bool isPlateStrip(const Ribbon& r)
{
    return r.kind == RibbonKind::PlateStripOneFace || r.kind == RibbonKind::PlateStripBothFaces;
}

// Where the accurate mode puts a ribbon's current, x1 <= x2 and y1 <= y2: a level sheet
// (y1 == y2) for a plate strip and for a bottom- or top-face ribbon of a line, on the face
// through its first corner; an upright sheet (x1 == x2) for a side-face ribbon, likewise; the
// rectangle spanned by its corners for any other ribbon.
struct Outline {
    double x1;
    double x2;
    double y1;
    double y2;
};
Outline currentOutline(const Ribbon& r);

// H/m, symmetric in a and b; not for chords. Exact closed forms for sheets at any offset,
// level or upright, and for a sheet and a rectangle; the closed form of rectangleInductance
// for two rectangles; beyond ten of the largest side between the centres the four-point
// Gauss-Legendre rule along every side, exact there to about 1e-13.
double accuratePairInductance(const Ribbon& a, const Ribbon& b);

// Double antiderivative in u of ln(u^2 + d^2): d^2/du^2 stripKernel(u, d) = ln(u^2 + d^2).
double stripKernel(double u, double d);

// Antiderivative of stripKernel in its second argument, zero at v = 0 and odd in v.
double stripAreaKernel(double u, double v);

// d^2/du dv crossKernel(u, v) = ln(u^2 + v^2): the mean over a level and an upright sheet.
double crossKernel(double u, double v);

}  // namespace xsrl
