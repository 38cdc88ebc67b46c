// The xsrl library: from a deck to the per-unit-length R(f), L(f), C and G of its conductors.
//
//     auto deck = xsrl::loadDeck("two-strips.deck");     // or xsrl::parseDeck(text)
//     xsrl::Prepared prepared = xsrl::prepare(*deck, "w");
//     xsrl::SweepResult result = xsrl::solve(*deck, prepared);
//
// The stages run in this order; the command line runs the same ones, with its own checks
// between cutRibbons and computeMatrices. Every error is thrown as xsrl::RunError, whose
// what() is the text the command line prints. A run reads and writes the files "plate" and
// "induc" in RunSettings::folder (empty: the current folder), and prints the ribbon and panel
// counts on standard output as the command line does.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/prepare.h"
#include "model/sweep_result.h"
#include "model/structure.h"
#include "numerics/matrix.h"
#include "support/run_error.h"

namespace xsrl {

// A deck read into its records. Conductors and ribbons link to each other, so a Deck
// never moves: it lives behind the unique_ptr that loadDeck and parseDeck return.
struct Deck {
    RecordPool pool;
    RunSettings settings;
    Conductor* head = nullptr;     // the conductors in deck order
    Ribbon* headRibbon = nullptr;  // the ribbon chain, empty until cutRibbons

    Deck();
    Deck(const Deck&) = delete;
    Deck& operator=(const Deck&) = delete;
};

// Reads the deck file at `path` (a pipe works too), or the deck `text`, and checks its sweep
// and dielectric blocks. settings.threads is set to one worker per hardware thread.
std::unique_ptr<Deck> loadDeck(const std::string& path);
std::unique_ptr<Deck> parseDeck(const std::string& text);

// The structure ready for the sweep: ribbons, partial inductances (H/m) and, when the deck
// asks for it, the reported complex capacitance matrix (F/m; empty otherwise).
struct Prepared {
    PreparedStructure structure;
    ComplexMatrix capacitance;
};

// Structure checks, plate cuts (written to the run file "plate"), ribbons; prints the count
// line. The partial inductances and the capacitance are left empty.
Prepared cutRibbons(Deck& deck);

// The capacitance when the deck asks for it, then the partial inductances: computed and
// written to "induc" for a mode starting with 'w', read back from "induc" for any other.
// `progress` (null: nowhere) shows the inductance fill.
void computeMatrices(const Deck& deck, Prepared& prepared, const std::string& mode, std::FILE* progress = nullptr);

// cutRibbons then computeMatrices.
Prepared prepare(Deck& deck, const std::string& mode, std::FILE* progress = nullptr);

// The frequency sweep: per frequency R, L (and C, G when computed) per metre, and the ports.
// `pointDone`, when given, is told of each point as soon as it is in the result.
SweepResult solve(const Deck& deck, const Prepared& prepared,
                  const std::function<void(const FrequencyPoint&)>& pointDone = {});

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

// Every ribbon in chain order (conductor by conductor, in deck order).
std::vector<RibbonInfo> ribbonList(const Prepared& prepared);

}  // namespace xsrl
