// The kinds of ribbon a conductor is cut into.
#pragma once

#include <cstdint>

namespace xsrl {

// Kind of a ribbon: what the internal-impedance dispatch switches on.
enum class RibbonKind : std::int32_t {
    FaceX = 0,  // one of nx ribbons of a bottom or top face
    FaceY = 1,  // one of ny ribbons of a left or right face
    PlateOneFace = 2,  // plate ribbon, only one face carries ribbons
    PlateBothFaces = 3,  // plate ribbon, both faces carry ribbons
    WholeFaceX = 4,  // the single ribbon of a bottom or top face
    WholeFaceY = 5,  // side-face ribbon of a line with nx = 1
    Chord = 10,  // chord of the polygon standing for a circle
    Filament = 20,  // rectangular volume filament
    // Chord of a circle in the accurate mode: the polygon is fitted to the circle, the chord
    // integrals are exact, and the wire's internal impedance couples all its chords.
    AccurateChord = 11,
    PlateStripOneFace = 30,  // zero-thickness strip on a plate face (accurate mode), one face
    PlateStripBothFaces = 31,  // the same where both faces of the plate carry strips
};

}  // namespace xsrl
