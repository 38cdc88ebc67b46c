#include "xsrl/xsrl.h"

#include <algorithm>
#include <thread>

#include "app/sweep.h"
#include "deck/deck.h"
#include "electrostatics/capacitance.h"
#include "electrostatics/dielectrics.h"

namespace xsrl {

namespace {

std::unique_ptr<Deck> checkedDeck(std::unique_ptr<Deck> deck)
{
    deck->settings.threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    checkSweep(deck->settings);
    checkDielectricBlocks(deck->pool.dielectrics);
    return deck;
}

}  // namespace

Deck::Deck() : head(newConductor(pool, nullptr)), headRibbon(newRibbon(pool, nullptr)) {}

std::unique_ptr<Deck> loadDeck(const std::string& path) { return parseDeck(readDeckFile(path)); }

std::unique_ptr<Deck> parseDeck(const std::string& text)
{
    auto deck = std::make_unique<Deck>();
    readDeckText(deck->pool, deck->head, deck->settings, text);
    return checkedDeck(std::move(deck));
}

Prepared cutRibbons(Deck& deck)
{
    return Prepared{prepareRibbons(deck.pool, deck.settings, deck.head, deck.headRibbon), {}};
}

void computeMatrices(const Deck& deck, Prepared& prepared, const std::string& mode, std::FILE* progress)
{
    if (deck.settings.capacitance)
        prepared.capacitance =
            solveCapacitance(deck.settings, deck.head, deck.pool.dielectrics, availableMemoryBytes());
    obtainPartialInductance(prepared.structure, deck.settings, mode, progress);
}

Prepared prepare(Deck& deck, const std::string& mode, std::FILE* progress)
{
    Prepared prepared = cutRibbons(deck);
    computeMatrices(deck, prepared, mode, progress);
    return prepared;
}

SweepResult solve(const Deck& deck, const Prepared& prepared, const std::function<void(const FrequencyPoint&)>& pointDone)
{
    return runSweep(deck.settings, prepared.structure, prepared.capacitance,
                    pointDone ? pointDone : [](const FrequencyPoint&) {});
}

std::vector<RibbonInfo> ribbonList(const Prepared& prepared)
{
    const PreparedStructure& s = prepared.structure;
    std::vector<RibbonInfo> list;
    for (long k = 1; k <= s.conductorCount; ++k)
        for (long i = s.ribbonIndex[k]; i < s.ribbonIndex[k + 1]; ++i) {
            const Ribbon& r = *s.ribbons[i];
            list.push_back({r.x1, r.y1, r.x2, r.y2, r.kind, static_cast<int>(k)});
        }
    return list;
}

}  // namespace xsrl
