// The blocks of a deck: the block words, and the keywords and values inside a block. Part of
// the deck reader; not part of the library interface.
#pragma once

#include <string>

#include "deck/tokens.h"
#include "model/structure.h"

namespace xsrl::deck {

// A word that opens a block, bare ("line", then a "{" token) or glued ("line{").
struct BlockWord {
    const char* bare;  // followed by a "{" token
    const char* glued;  // carries its own brace
    bool conductor;  // a conductor of `shape`, else a dielectric block
    ConductorShape shape;  // unused for a dielectric block
};

// The block word that `token` (lowercase) is, or null.
const BlockWord* findBlockWord(const std::string& token);

// Reads keywords into `conductor` up to and including the block's closing "}"; keys the
// block does not give keep their values. `blockNumber` is the block's position in deck order,
// from 1, for messages. Lengths are scaled by the deck's unit, sigma by its inverse.
void readConductorBlock(const RunSettings& settings, Conductor& conductor, DeckText& text, int blockNumber);

// The same for a dielectric block; its blockNumber is already set.
void readDielectricBlock(const RunSettings& settings, DielectricBlock& dielectric, DeckText& text);

}  // namespace xsrl::deck
