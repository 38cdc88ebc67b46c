// Partial inductances of the accurate mode's circle chords: the logarithmic kernel integrated
// exactly over straight segments (and over rectangles, for volume filaments), and the polygon
// whose chords stand for a circle.
//
// Two parallel currents along segments a and b (per unit length of each) have the partial
// inductance -(mu0 / 2 pi) / (|a| |b|) times the integral of ln|p - q| over p on a and q on b.
#pragma once

#include "model/structure.h"

namespace xsrl {

// A straight segment of zero thickness from (x1, y1) to (x2, y2), metres.
struct Segment {
    double x1 = 0.0;
    double y1 = 0.0;
    double x2 = 0.0;
    double y2 = 0.0;
};

// The integral of ln|p - q| over p on a and q on b (m^2 ln m), for two distinct segments:
// closed forms for neighbours, a series in the distance for segments far apart. Accurate to
// about 1e-12 of |a| |b| max(1, |ln distance|).
double segmentPairLogIntegral(const Segment& a, const Segment& b);

// The same over a segment of this length and itself: length^2 (ln length - 3/2).
double segmentSelfLogIntegral(double length);

// The integral of ln|p - q| over p on the segment and q over the axis-parallel rectangle with
// corners (x1, y1) and (x2, y2) (m^3 ln m), the segment outside the rectangle.
double segmentRectangleLogIntegral(const Segment& s, double x1, double y1, double x2, double y2);

// Partial inductance (H/m) of a pair of ribbons of which one at least is an AccurateChord: a
// chord is its segment, a volume filament its rectangle, any other ribbon (a face or plate
// ribbon) the sheet on the face through its first corner. A chord with itself: the self term
// of a strip of zero thickness.
double accurateChordInductance(const Ribbon& a, const Ribbon& b);

// Vertex radius of the regular polygon of chordCount chords that stands for a circle of this
// radius: the one whose uniform current has the circle's mean logarithmic distance, ln radius,
// so that the polygon's self inductance is the circle's at any chord count. It lies outside
// the circle by about 3.3 radius / chordCount^2.
double chordPolygonRadius(double radius, int chordCount);

}  // namespace xsrl
