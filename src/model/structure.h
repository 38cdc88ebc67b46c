// The records that describe a run: the settings, the conductors in deck order and the
// ribbons they are cut into. Conductors and ribbons form singly linked chains through
// `next`; a RecordPool owns every record of a run, so the links stay valid until it ends.
#pragma once

#include <cmath>
#include <cstdint>
#include <deque>
#include <limits>
#include <string>
#include <vector>

#include "numerics/complex.h"

namespace xsrl {

// ConductorShape of a conductor, from its block word.
enum class ConductorShape : std::int32_t { Plate = 0, Line = 1, Circle = 2 };

// Model of a conductor: how its face ribbons get their internal impedance.
constexpr std::int32_t TypePw = 3;      // "pw": wave model of a rectangular line
constexpr std::int32_t TypeTl = 4;      // "tl": thick-line model (the default)
constexpr std::int32_t TypeVf = 5;      // "vf": grid of volume filaments
constexpr std::int32_t TypeCircle = 10; // given to circles when the deck has plates

// Kind of a ribbon: what the internal-impedance dispatch switches on.
enum class RibbonKind : std::int32_t {
    FaceX = 0,          // one of nx ribbons of a bottom or top face
    FaceY = 1,          // one of ny ribbons of a left or right face
    PlateOneFace = 2,   // plate ribbon, only one face carries ribbons
    PlateBothFaces = 3, // plate ribbon, both faces carry ribbons
    WholeFaceX = 4,     // the single ribbon of a bottom or top face
    WholeFaceY = 5,     // side-face ribbon of a line with nx = 1
    Chord = 10,         // chord of the polygon standing for a circle
    Filament = 20,      // rectangular volume filament
};

// How the ribbon impedance matrix is solved at each frequency: the exact inversion, whose
// results are reproducible to the bit, or a LAPACK factorization, faster and as accurate.
enum class Solver { Exact, Lu };

struct RunSettings {
    double fmin = 0.0;            // lowest frequency of the sweep, Hz
    double fmax = 0.0;            // highest frequency of the sweep, Hz
    std::int32_t npoints = 0;     // number of sweep intervals
    std::int32_t plateCount = 0;  // plate blocks
    std::int32_t lineCount = 0;   // line and circle blocks
    std::int32_t partial = 0;     // 1: report the full conductor matrix; 0: loop matrix
    double scale = 1.0;           // metres per deck length unit
    bool freqGiven = false;       // the header had ".freq"
    Solver solver = Solver::Exact; // ".solver exact|lu"
    int threads = 1;              // worker threads of the fill and the solves, from the top level
    bool capacitance = false;     // compute C and G and write Cs: ".capacitance yes" or a dielectric block
    std::int32_t capacitancePanels = 12; // ".cpanels N": panels along a side with nothing near it
    std::string folder;           // where the files "plate" and "induc" go; empty: the current folder
};

// The path of the run file `name` ("plate", "induc") in the settings' folder.
std::string runFilePath(const RunSettings& settings, const std::string& name);

// A rectangle of dielectric from a `dielectric` block; everything outside the blocks is vacuum.
struct DielectricBlock {
    double x1 = 0.0;              // corners, metres
    double y1 = 0.0;
    double x2 = 0.0;
    double y2 = 0.0;
    double er = 1.0;              // relative permittivity
    double tand = 0.0;            // loss tangent
    int blockNumber = 0;          // position among all blocks of the deck, from 1
    long deckLine = 0;            // deck line of its block word, for messages
};

struct Ribbon;

struct Conductor {
    std::int32_t nx = 5;
    std::int32_t ny = 5;
    std::int32_t type = TypeTl;
    ConductorShape shape = ConductorShape::Line;
    std::int32_t nr = 10;
    std::int32_t firstRibbonIndex = 0;
    std::int32_t endRibbonIndex = 0;
    double rx = 1.0;
    double ry = 1.0;
    Conductor* next = nullptr;
    Ribbon* firstRibbon = nullptr;
    double x1 = 0.0;
    double y1 = 1.0;
    double x2 = 0.0;
    double y2 = 1.0;
    double sigma = 5.8e7;         // S/m
    double v = 1.0;               // |v| below 1e-10 marks a ground conductor
    double xc = 0.0;
    double yc = 0.0;
    // A circle must give its radius; NaN until the deck does.
    double rad = std::numeric_limits<double>::quiet_NaN();
};

struct Ribbon {
    double x1 = 0.0;
    double y1 = 0.0;
    double x2 = 0.0;
    double y2 = 0.0;
    RibbonKind kind = RibbonKind::FaceX;
    std::int32_t segment = 0;     // index of a chord around its circle
    Conductor* owner = nullptr;
    Ribbon* next = nullptr;

    // Resistance and internal reactance per metre of this ribbon at angular frequency
    // omega (rad/s), skin effect included.
    Complex internalImpedance(double omega) const;
};

// Owns the records of one run; conductors and ribbons never move once created.
struct RecordPool {
    std::deque<Conductor> conductors;
    std::deque<Ribbon> ribbons;
    std::vector<DielectricBlock> dielectrics; // in deck order; nothing links to them
};

// Creates a record, links it after `last` (when not null) and returns it.
Conductor* newConductor(RecordPool& pool, Conductor* last);
Ribbon* newRibbon(RecordPool& pool, Ribbon* last);

// The block word of a shape: "plate", "line" or "circle".
const char* shapeWord(ConductorShape shape);

// Writes the block defaults; leaves shape, links, ribbon fields and rad alone.
void setConductorDefaults(Conductor& conductor);

}  // namespace xsrl
