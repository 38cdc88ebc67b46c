// The xsrl library: from a deck to the per-unit-length R(f), L(f), C and G of its conductors.
//
//     xsrl::Deck deck = xsrl::loadDeck("two-strips.deck");    // or xsrl::parseDeck(text)
//     xsrl::SweepResult result = xsrl::solveDeck(deck);
//
// or stage by stage, as the command line does to report between the stages:
//
//     xsrl::Prepared prepared = xsrl::cutRibbons(deck);       // checks, plate cuts, ribbons
//     xsrl::cutPanels(prepared);                              // when deck.computesCapacitance()
//     xsrl::computeCapacitance(prepared);
//     xsrl::computeInductance(prepared);                      // or loadInductance(prepared, "induc")
//     xsrl::SweepResult result = xsrl::solve(prepared);
//
// Every error is thrown as xsrl::Error (xsrl/error.h). The library prints nothing and reads or
// writes no file unless asked to: counts and warnings are on the result. Each call works on
// its own values, so calls on different decks may run at once in several threads.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "xsrl/deck_warning.h"
#include "xsrl/error.h"
#include "xsrl/result.h"
#include "xsrl/ribbon_kind.h"

namespace xsrl {

struct DeckRecords;
struct PreparedStructure;

// A deck read into its records.
struct Deck {
    std::shared_ptr<const DeckRecords> records;

    double scale() const;  // metres per deck length unit
    int sweepIntervals() const;  // npoints of ".freq"; 1 is a one-point sweep at fmin
    bool computesCapacitance() const;  // ".capacitance yes" or a dielectric block
    // ".accuracy normal" with plates: the plate faces are cut where lines face them and
    // ".accuracy high" refines the structure; with a line block too, each line is cut into one
    // ribbon per face, its nx ny rx ry and type unused.
    bool normalAccuracyWithPlates() const;
    bool linesTakeOneRibbonPerFace() const;
    const std::vector<DeckWarning>& warnings() const;  // found while reading; the run goes on
};

// Reads the deck file at `path` (a pipe works too), or the deck `text`. Errors of the deck
// text are thrown; its sweep and dielectric blocks are not checked yet. `warnings`, when
// given, gets the deck's warnings even when an error follows them.
Deck readDeck(const std::string& path, std::vector<DeckWarning>* warnings = nullptr);
Deck readDeckText(const std::string& text, std::vector<DeckWarning>* warnings = nullptr);

// Refuses a deck whose sweep is meaningless or whose dielectric blocks are malformed.
void checkDeck(const Deck& deck);

// readDeck or readDeckText, then checkDeck.
Deck loadDeck(const std::string& path);
Deck parseDeck(const std::string& text);

// The structure of a deck on its way through the stages.
struct Prepared {
    std::shared_ptr<PreparedStructure> structure;

    long ribbonCount() const;
    int conductorCount() const;
    long panelCount() const;  // 0 until cutPanels
    PanelSolveFigures capacitanceSolve() const;  // how computeCapacitance kept the panel matrix
    std::vector<Port> ports() const;  // the rows and columns of the reported matrices
    // The plate-face cut points in the layout of the file "plate"; empty without plates.
    std::string plateCutsText() const;
};

// Worker threads for a stage: 0 takes one per hardware thread; no stage starts more threads
// than it has work for or than the hardware runs at once.
struct Threads {
    int count = 0;
};

// Caps the threads of the linear-algebra library (OpenBLAS, for ".solver lu", the capacitance
// solve and the touchstone export) at `count`, for the whole process: a choice for a program's
// top level, as the command line's --threads makes it; the stages never make it themselves.
void limitLinearAlgebraThreads(int count);

// Structure checks, plate cuts, the signal/ground classification, the memory check, ribbons.
Prepared cutRibbons(const Deck& deck);

// Refuses a conductor that got no ribbons (a plate that no line or circle faces): its
// matrices would be singular.
void checkConductorsHaveRibbons(const Prepared& prepared);

// The capacitance panels (see Prepared::panelCount), then the capacitance solve; only for a
// deck that computes the capacitance. Both refuse (MemoryError) a panel system that cannot fit
// in memory, cutPanels already from an estimate of the panel count; cutPanels refuses two
// conductors in contact at different potentials, whose capacitance has no finite value. With
// dielectric blocks the solve runs once more in vacuum, for the L-C check of the sweep
// (SweepResult::lcCheck). `advance`, when given, is told of the work of the solve done,
// CapacitanceWork units in all.
constexpr long CapacitanceWork = 1000;
void cutPanels(Prepared& prepared);
void computeCapacitance(Prepared& prepared, const std::function<void(long)>& advance = {});

// The partial inductances: computed (`advance`, when given, is told of the ribbon pairs done,
// n (n + 1) / 2 in all, from the worker threads; an exception it throws stops the fill soon
// and reaches the caller), or read from a file `induc` written for this deck (refused when it
// was written for another structure), or written to one.
void computeInductance(Prepared& prepared, Threads threads = {}, const std::function<void(long)>& advance = {});
void loadInductance(Prepared& prepared, const std::string& path);
void storeInductance(const Prepared& prepared, const std::string& path);

// The frequency sweep: per frequency R, L (and C, G when computed) per metre, and the ports.
// `pointDone`, when given, is told of each point as soon as it is in the result, in the
// calling thread; an exception it throws ends the sweep there and reaches the caller.
SweepResult solve(const Prepared& prepared, Threads threads = {},
                  const std::function<void(const FrequencyPoint&)>& pointDone = {});

// Every stage in order (checkDeck included), the partial inductances computed.
SweepResult solveDeck(const Deck& deck, Threads threads = {});

// One ribbon (or volume filament) of the discretized structure: its corners in metres, its
// kind, and its conductor numbered from 1 in deck order.
struct RibbonInfo {
    double x1 = 0.0;
    double y1 = 0.0;
    double x2 = 0.0;
    double y2 = 0.0;
    RibbonKind kind = RibbonKind::FaceX;
    int conductor = 0;
};

// One conductor as the deck gives it, in metres: a box for a plate or line, a centre and
// radius for a circle.
struct ConductorInfo {
    int number = 0;  // from 1 in deck order
    std::string shape;  // "plate", "line" or "circle"
    bool signal = false;
    double x1 = 0.0, y1 = 0.0, x2 = 0.0, y2 = 0.0;
    double xc = 0.0, yc = 0.0, rad = 0.0;
};

struct DielectricInfo {
    double x1 = 0.0, y1 = 0.0, x2 = 0.0, y2 = 0.0;
    double er = 1.0;
    double tand = 0.0;
};

std::vector<RibbonInfo> ribbonList(const Prepared& prepared);
std::vector<ConductorInfo> conductorList(const Prepared& prepared);
std::vector<DielectricInfo> dielectricList(const Prepared& prepared);

}  // namespace xsrl
