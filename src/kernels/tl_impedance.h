// Surface impedance of the face ribbons of a "tl" line: a cylindrical form in the zones near
// the ends of a face, where current crowds towards the corners, and a slab form in its middle.
#pragma once

#include <cstdint>

#include "model/structure.h"
#include "numerics/complex.h"

namespace xsrl {

// Modes of tlKernel.
constexpr std::int32_t TlModeEdge = 0;  // cylinder under one sub-zone of an end zone
constexpr std::int32_t TlModeThin = 2;  // middle of a face of a conductor thinner than 3 skin depths
constexpr std::int32_t TlModeThick = 3;  // middle of a face of a thick conductor

// Ohms per square for the ribbon from (x1, y1) to (x2, y2) on a face of `conductor`: the face
// is the bottom or top one when the ribbon is wider in x than in y, else a side face.
Complex tlRibbonImpedance(double omega, const Conductor& conductor, double x1, double x2, double y1, double y2);

// Ohms per square at position p along a face running from a1 to a2 of a conductor that spans
// b1 .. b2 across it.
Complex tlFaceImpedance(double omega, double a1, double b1, double a2, double b2, double p, double sigma);

// Mode TlModeThin: (k/sigma)*coth(kh); TlModeThick: (k/sigma)*tanh(kh); any other mode the edge
// form, the round-wire surface impedance of a cylinder centred at depth h below sub-zone n of D
// sub-zones spanning s from offset o, scaled by the sub-zone's width over its arc.
Complex tlKernel(double omega, double sigma, std::int32_t mode, double h, double s, double o, double D, std::int32_t n);

}  // namespace xsrl
