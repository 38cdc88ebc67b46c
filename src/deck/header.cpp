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
            headerToken(text, token);
            if (token == "exact")
                settings.solver = Solver::Exact;
            else if (token == "lu")
                settings.solver = Solver::Lu;
            else
                throw deckError(deckLine(text) + ": .solver takes exact or lu; found '" + token + "'");
        } else if (token == ".accuracy") {
            headerToken(text, token);
            if (token == "normal")
                settings.accuracy = Accuracy::Normal;
            else if (token == "high")
                settings.accuracy = Accuracy::High;
            else
                throw deckError(deckLine(text) + ": .accuracy takes normal or high; found '" + token + "'");
        } else if (token == ".capacitance") {
            headerToken(text, token);
            if (token == "yes" || token == "y")
                settings.capacitance = true;
            else if (token == "no" || token == "n")
                settings.capacitance = false;
            else
                throw deckError(deckLine(text) + ": .capacitance takes yes or no; found '" + token + "'");
        } else if (token == ".cpanels") {
            readCapacitancePanels(text, settings);
        } else if (token == ".partial") {
            headerToken(text, token);
            if (token == "yes" || token == "y")
                settings.partial = true;
            else if (token == "no" || token == "n")
                settings.partial = false;
            else
                throw deckError(deckLine(text) + ": .partial takes yes or no; found '" + printable(token) + "'");
        }
        if (token == "end") return text.tokenStart;
    }
}

}  // namespace xsrl::deck
