// Reads the input deck into the run settings and the conductor chain.
#pragma once

#include <istream>
#include <string>

#include "model/structure.h"

// Fills `settings` and the chain that starts at `head` (the first block fills the head
// itself; later blocks append records from `pool`).
void readDeck(RecordPool& pool, Conductor* head, RunSettings& settings, const std::string& path);

// Applies the block defaults to `conductor`, then reads keywords up to and including "}".
void readConductorBlock(const RunSettings& settings, Conductor& conductor, std::istream& deck);

void lowercaseInPlace(std::string& token);

// Refuses a sweep that would be meaningless: no ".freq", fmax <= 0, fmin <= 0 with
// npoints >= 1, or npoints < 0.
void checkSweep(const RunSettings& settings);
