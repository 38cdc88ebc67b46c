// Reads the input deck into its records: the run settings, the conductors and the dielectric
// blocks in deck order.
#pragma once

#include <string>

#include "model/structure.h"

namespace xsrl {

// The records of a deck text: its header, then its blocks. A header without ".freq" leaves
// the warning ".freq is missing!", a word passed over between blocks a warning of its own; the
// reader prints nothing. A fault of the deck throws an Error of category Deck, or
// UnreadableDeck for a deck the reader cannot follow at all.
DeckRecords readDeckRecords(const std::string& text);

// The same into `records`, which start afresh; when the reader throws, `records` keep what was
// read up to the fault, the warnings of the header among them, so that they can still be told.
void readDeckRecords(const std::string& text, DeckRecords& records);

// The whole deck file, read once (so that a pipe works too); a deck that cannot be opened or
// read, or is a directory, is an Error of category File.
std::string readDeckFile(const std::string& path);

// Refuses a sweep that would be meaningless: no ".freq", fmax <= 0, fmin <= 0 or fmin > fmax
// with npoints >= 1, or npoints < 0 (an Error of category Deck).
void checkSweep(const RunSettings& settings);

}  // namespace xsrl
