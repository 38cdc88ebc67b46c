// ".unit", ".freq", ".partial", ".solver", ".accuracy", ".capacitance" and ".cpanels".
#include "deck/header.h"

#include <sstream>

#include "deck/tokens.h"
#include "support/errors.h"

namespace xsrl::deck {

namespace {

struct UnitWord {
    const char* word;
    double scale;  // metres per deck unit
};

constexpr UnitWord unitWords[] = {
    {"m", 1.0},    {"mm", 0.001},      {"cm", 0.01},   {"in", 0.025400000000000002},
    {"um", 1e-06}, {"mils", 2.54e-05}, {"ft", 0.3048},
};

// The scale of the unit `word`; any other word is refused with the list of units.
double unitScale(const DeckText& text, const std::string& word)
{
    std::vector<std::string> known;
    for (const UnitWord& unit : unitWords) {
        if (word == unit.word) return unit.scale;
        known.push_back(unit.word);
    }
    throw deckError(deckLine(text) + ": .unit takes " + wordList(known, "or") + "; found '" + printable(word) + "'");
}

void headerToken(DeckText& text, std::string& token)
{
    if (!readToken(text, token)) throw deckError("the deck ends before the \"end\" of its header");
    lowercaseInPlace(token);
}

[[noreturn]] void missingSweepNumber(DeckText& text)
{
    const std::string what = found(text);  // first: reading it may move to a later line
    throw deckError(deckLine(text) + ": .freq needs fmin, fmax and npoints; found " + what);
}

// fmin or fmax (`name`) of ".freq".
double sweepFrequency(DeckText& text, const char* name)
{
    double value = 0.0;
    if (extractNumber(text, value)) return value;
    const std::string nonFinite = nonFiniteAhead(text);
    if (!nonFinite.empty())
        throw deckError(deckLine(text) + ": .freq " + name + " must be a finite number; found '" + nonFinite + "'");
    missingSweepNumber(text);
}

// The panel count of ".cpanels": a whole number from 1 to MaxCapacitancePanels.
constexpr long MaxCapacitancePanels = 1000;

void readCapacitancePanels(DeckText& text, RunSettings& settings)
{
    long panels = 0;
    if (!extractNumber(text, panels)) {
        const std::string what = found(text);
        throw deckError(deckLine(text) + ": .cpanels needs a number of panels; found " + what);
    }
    if (goesOnAsNumber(text.in.peek()))
        throw deckError(deckLine(text) + ": .cpanels must be a whole number; found '" +
                        leadingNumber(tokenAtNumber(text)).text + "'");
    if (panels < 1 || panels > MaxCapacitancePanels)
        throw deckError(deckLine(text) + ": .cpanels " + std::to_string(panels) + " is out of range (1 to " +
                        std::to_string(MaxCapacitancePanels) + ")");
    settings.capacitancePanels = static_cast<std::int32_t>(panels);
}

void readSweep(DeckText& text, RunSettings& settings)
{
    const double fmin = sweepFrequency(text, "fmin");
    const double fmax = sweepFrequency(text, "fmax");
    long npoints = 0;
    if (!extractNumber(text, npoints)) missingSweepNumber(text);
    if (goesOnAsNumber(text.in.peek()))
        throw deckError(deckLine(text) + ": .freq npoints must be a whole number; found '" +
                        leadingNumber(tokenAtNumber(text)).text + "'");
    if (!toInt32(npoints, settings.npoints))
        throw deckError(deckLine(text) + ": .freq npoints " + std::to_string(npoints) + " is out of range");
    settings.fmin = fmin;
    settings.fmax = fmax;
    settings.freqGiven = true;
}

// The word after a directive that takes one of two words (yes and no also as y and n): true
// for `first`, false for `second`; any other word is refused.
bool twoWayChoice(DeckText& text, std::string& token, const char* directive, const std::string& first,
                  const std::string& second)
{
    headerToken(text, token);
    const bool yesNo = first == "yes";
    if (token == first || (yesNo && token == "y")) return true;
    if (token == second || (yesNo && token == "n")) return false;
    throw deckError(deckLine(text) + ": " + directive + " takes " + first + " or " + second + "; found '" +
                    printable(token) + "'");
}

}  // namespace

std::streampos readHeader(RunSettings& settings, const std::string& deck)
{
    std::istringstream in(deck);
    DeckText text(in);
    std::string token;
    for (;;) {
        headerToken(text, token);
        if (token == ".freq") {
            readSweep(text, settings);
        } else if (token == ".unit") {
            headerToken(text, token);
            settings.scale = unitScale(text, token);
        } else if (token == ".solver") {
            settings.solver = twoWayChoice(text, token, ".solver", "exact", "lu") ? Solver::Exact : Solver::Lu;
        } else if (token == ".accuracy") {
            const bool normal = twoWayChoice(text, token, ".accuracy", "normal", "high");
            settings.accuracy = normal ? Accuracy::Normal : Accuracy::High;
        } else if (token == ".capacitance") {
            settings.capacitance = twoWayChoice(text, token, ".capacitance", "yes", "no");
        } else if (token == ".cpanels") {
            readCapacitancePanels(text, settings);
        } else if (token == ".partial") {
            settings.partial = twoWayChoice(text, token, ".partial", "yes", "no");
        }
        if (token == "end") return text.tokenStart;
    }
}

}  // namespace xsrl::deck
