// The library's stages over the solver's records.
#include "xsrl/xsrl.h"

#include <algorithm>
#include <thread>

#include "deck/deck.h"
#include "electrostatics/dielectrics.h"
#include "geometry/checks.h"
#include "numerics/parallel.h"
#include "solver/induc_file.h"
#include "solver/memory.h"
#include "solver/partial_inductance.h"
#include "solver/prepare.h"
#include "solver/sweep.h"

namespace xsrl {

namespace {

Deck deckOf(const std::string& text, std::vector<DeckWarning>* warnings)
{
    auto records = std::make_shared<DeckRecords>();
    try {
        readDeckRecords(text, *records);
    } catch (const Error&) {
        if (warnings) *warnings = records->warnings;
        throw;
    }
    if (warnings) *warnings = records->warnings;
    return Deck{std::move(records)};
}

int threadCount(Threads threads)
{
    return threads.count > 0 ? threads.count : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

}  // namespace

double Deck::scale() const { return records->settings.scale; }
int Deck::sweepIntervals() const { return records->settings.npoints; }
bool Deck::computesCapacitance() const { return records->settings.capacitance; }
bool Deck::normalAccuracyWithPlates() const
{
    return records->settings.accuracy == Accuracy::Normal && records->settings.plateCount > 0;
}
bool Deck::linesTakeOneRibbonPerFace() const
{
    return normalAccuracyWithPlates() &&
           std::any_of(records->conductors.begin(), records->conductors.end(),
                       [](const Conductor& c) { return c.shape == ConductorShape::Line; });
}
const std::vector<DeckWarning>& Deck::warnings() const { return records->warnings; }

Deck readDeck(const std::string& path, std::vector<DeckWarning>* warnings)
{
    return deckOf(readDeckFile(path), warnings);
}

Deck readDeckText(const std::string& text, std::vector<DeckWarning>* warnings) { return deckOf(text, warnings); }

void checkDeck(const Deck& deck)
{
    checkSweep(deck.records->settings);
    checkDielectricBlocks(deck.records->dielectrics);
}

Deck loadDeck(const std::string& path)
{
    Deck deck = readDeck(path, nullptr);
    checkDeck(deck);
    return deck;
}

Deck parseDeck(const std::string& text)
{
    Deck deck = readDeckText(text, nullptr);
    checkDeck(deck);
    return deck;
}

long Prepared::ribbonCount() const { return structure->ribbons.count(); }
int Prepared::conductorCount() const { return static_cast<int>(structure->conductors.size()); }
long Prepared::panelCount() const { return static_cast<long>(structure->panels.size()); }

PanelSolveFigures Prepared::capacitanceSolve() const { return structure->capacitanceSolve; }
std::vector<Port> Prepared::ports() const { return reportedPorts(*structure); }
std::string Prepared::plateCutsText() const { return structure->plateCuts.fileText; }

Prepared cutRibbons(const Deck& deck)
{
    return Prepared{std::make_shared<PreparedStructure>(prepareStructure(*deck.records))};
}

void checkConductorsHaveRibbons(const Prepared& prepared)
{
    checkEveryConductorHasRibbons(prepared.structure->conductors, prepared.structure->ribbons);
}

void limitLinearAlgebraThreads(int count) { limitBlasThreads(count); }

void cutPanels(Prepared& prepared) { cutCapacitancePanels(*prepared.structure); }

void computeCapacitance(Prepared& prepared, const std::function<void(long)>& advance)
{
    long told = 0;
    solveCapacitance(*prepared.structure, availableMemoryBytes(), [&](double share) {
        const long done = static_cast<long>(share * CapacitanceWork);
        if (done <= told) return;
        if (advance) advance(done - told);
        told = done;
    });
    solveVacuumCapacitance(*prepared.structure);
}

void computeInductance(Prepared& prepared, Threads threads, const std::function<void(long)>& advance)
{
    PreparedStructure& s = *prepared.structure;
    s.partialInductance = computePartialInductance(s.ribbons.list, s.settings.accuracy, threadCount(threads), advance);
}

void loadInductance(Prepared& prepared, const std::string& path)
{
    PreparedStructure& s = *prepared.structure;
    RealMatrix inductance = readInduc(path, s.ribbons.count(), s.settings.scale);
    checkInducFitsStructure(s.ribbons, inductance, s.settings.accuracy);
    s.partialInductance = std::move(inductance);
}

void storeInductance(const Prepared& prepared, const std::string& path)
{
    writeInduc(path, prepared.structure->partialInductance, prepared.structure->settings.scale);
}

SweepResult solve(const Prepared& prepared, Threads threads,
                  const std::function<void(const FrequencyPoint&)>& pointDone)
{
    SweepResult result = runSweep(*prepared.structure, threadCount(threads), pointDone);
    result.ribbonCount = prepared.ribbonCount();
    result.panelCount = prepared.panelCount();
    return result;
}

SweepResult solveDeck(const Deck& deck, Threads threads)
{
    checkDeck(deck);
    Prepared prepared = cutRibbons(deck);
    checkConductorsHaveRibbons(prepared);
    if (deck.computesCapacitance()) {
        cutPanels(prepared);
        computeCapacitance(prepared);
    }
    computeInductance(prepared, threads);
    SweepResult result = solve(prepared, threads);
    for (const DeckWarning& warning : deck.warnings()) result.warnings.push_back(warning.text);
    return result;
}

std::vector<RibbonInfo> ribbonList(const Prepared& prepared)
{
    std::vector<RibbonInfo> list;
    for (const Ribbon& r : prepared.structure->ribbons.list)
        list.push_back({r.x1, r.y1, r.x2, r.y2, r.kind, r.conductor + 1});
    return list;
}

std::vector<ConductorInfo> conductorList(const Prepared& prepared)
{
    const PreparedStructure& s = *prepared.structure;
    std::vector<ConductorInfo> list;
    for (std::size_t k = 0; k < s.conductors.size(); ++k) {
        const Conductor& c = s.conductors[k];
        list.push_back(
            {static_cast<int>(k) + 1, shapeWord(c.shape), s.isSignal[k], c.x1, c.y1, c.x2, c.y2, c.xc, c.yc, c.rad});
    }
    return list;
}

std::vector<DielectricInfo> dielectricList(const Prepared& prepared)
{
    std::vector<DielectricInfo> list;
    for (const DielectricBlock& b : prepared.structure->dielectrics)
        list.push_back({b.x1, b.y1, b.x2, b.y2, b.er, b.tand});
    return list;
}

}  // namespace xsrl
