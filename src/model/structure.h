// The records that describe a run: the settings, the conductors and dielectric blocks in deck
// order, and the ribbons the conductors are cut into. Plain values in vectors; conductors and
// ribbons are numbered from 0 in deck order, and a ribbon names its conductor by that number.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "xsrl/deck_warning.h"
#include "xsrl/ribbon_kind.h"

namespace xsrl {

// Shape of a conductor, from its block word.
enum class ConductorShape : std::int32_t { Plate = 0, Line = 1, Circle = 2 };

// Model of a conductor: how its face ribbons get their internal impedance.
enum class ConductorModel : std::int32_t {
    Pw,  // "pw": wave model of a rectangular line
    Tl,  // "tl": thick-line model (the default)
    Vf,  // "vf": grid of volume filaments
    Circle,  // given to circles when the deck has plates
};

// How the ribbon impedance matrix is solved at each frequency: the exact inversion, whose
// results are reproducible to the bit, or a LAPACK factorization, faster and as accurate.
enum class Solver { Exact, Lu };

// How finely the structure is cut: as the deck says, reproducible to the bit ("normal"), or as
// finely as a target accuracy of 0.1 % in R and L needs, the deck's counts a floor ("high").
enum class Accuracy { Normal, High };

struct RunSettings {
    double fmin = 0.0;  // lowest frequency of the sweep, Hz
    double fmax = 0.0;  // highest frequency of the sweep, Hz
    std::int32_t npoints = 0;  // number of sweep intervals
    std::int32_t plateCount = 0;  // plate blocks
    std::int32_t lineCount = 0;  // line and circle blocks
    bool partial = false;  // report the full conductor matrix, not the loop matrix
    double scale = 1.0;  // metres per deck length unit
    bool freqGiven = false;  // the header had ".freq"
    Solver solver = Solver::Exact;  // ".solver exact|lu"
    Accuracy accuracy = Accuracy::Normal;  // ".accuracy normal|high"
    bool capacitance = false;  // compute C and G and write Cs: ".capacitance yes" or a dielectric block
    std::int32_t capacitancePanels = 12;  // ".cpanels N": panels along a side with nothing near it
};

// A rectangle of dielectric from a `dielectric` block; everything outside the blocks is vacuum.
struct DielectricBlock {
    double x1 = 0.0;  // corners, metres
    double y1 = 0.0;
    double x2 = 0.0;
    double y2 = 0.0;
    double er = 1.0;  // relative permittivity
    double tand = 0.0;  // loss tangent
    int blockNumber = 0;  // position among all blocks of the deck, from 1
    long deckLine = 0;  // deck line of its block word, for messages
};

struct Conductor {
    ConductorShape shape = ConductorShape::Line;
    ConductorModel model = ConductorModel::Tl;
    std::int32_t nx = 5;
    std::int32_t ny = 5;
    std::int32_t nr = 10;
    double rx = 1.0;
    double ry = 1.0;
    double x1 = 0.0;  // corners of a plate or line, metres
    double y1 = 1.0;
    double x2 = 0.0;
    double y2 = 1.0;
    double sigma = 5.8e7;  // S/m
    double v = 1.0;  // |v| below 1e-10 marks a ground conductor
    double xc = 0.0;  // centre and radius of a circle, metres
    double yc = 0.0;
    // A circle must give its radius; NaN until the deck does.
    double rad = std::numeric_limits<double>::quiet_NaN();
};

// What the deck reader makes of a deck.
struct DeckRecords {
    RunSettings settings;
    std::vector<Conductor> conductors;  // in deck order
    std::vector<DielectricBlock> dielectrics;  // in deck order
    std::vector<DeckWarning> warnings;  // told to the user, the run goes on
};

struct Ribbon {
    double x1 = 0.0;
    double y1 = 0.0;
    double x2 = 0.0;
    double y2 = 0.0;
    RibbonKind kind = RibbonKind::FaceX;
    int conductor = 0;  // position of its conductor in deck order, from 0
};

// Every ribbon of the structure, conductor by conductor in deck order. The ribbons of
// conductor k are list[start[k]] .. list[start[k + 1] - 1]; start has one entry more than
// there are conductors, the last one the ribbon count.
struct Ribbons {
    std::vector<Ribbon> list;
    std::vector<long> start{0};

    long count() const { return static_cast<long>(list.size()); }
    int conductorCount() const { return static_cast<int>(start.size()) - 1; }
    long firstOf(int conductor) const { return start[static_cast<std::size_t>(conductor)]; }
    long endOf(int conductor) const { return start[static_cast<std::size_t>(conductor) + 1]; }
};

// The block word of a shape: "plate", "line" or "circle".
const char* shapeWord(ConductorShape shape);

// "conductor 3 (circle)": the position in deck order, from 0, told from 1, and the block word.
std::string conductorName(int index, const Conductor& conductor);

}  // namespace xsrl
