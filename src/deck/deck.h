// Reads the input deck into the run settings and the conductor chain.
#pragma once

#include <istream>
#include <string>

#include "model/structure.h"

namespace xsrl {

// The deck as blank-separated tokens and numbers taken with the stream's own extraction.
// Line ends are counted so that errors can name the deck line.
struct DeckText {
    std::istream& in;
    long line = 1;  // line of the last token or number read
    std::streampos numberStart = -1;  // where the last number began, so that a message can quote it

    explicit DeckText(std::istream& stream) : in(stream) {}
};

// Fills `settings` and the chain that starts at `head` (the first block fills the head
// itself; later blocks append records from `pool`) from the deck text.
void readDeckText(RecordPool& pool, Conductor* head, RunSettings& settings, const std::string& deck);

// The whole deck file, read once (so that a pipe works too); a deck that cannot be opened or
// is a directory is an error.
std::string readDeckFile(const std::string& path);

// readDeckText on the content of the file at `path`.
void readDeck(RecordPool& pool, Conductor* head, RunSettings& settings, const std::string& path);

// Applies the block defaults to `conductor`, then reads keywords up to and including the
// closing "}". `blockNumber` is the block's position in deck order, from 1, for messages.
void readConductorBlock(const RunSettings& settings, Conductor& conductor, DeckText& text,
                        int blockNumber);

void lowercaseInPlace(std::string& token);

// Refuses a sweep that would be meaningless: no ".freq", fmax <= 0, fmin <= 0 with
// npoints >= 1, or npoints < 0.
void checkSweep(const RunSettings& settings);

}  // namespace xsrl
