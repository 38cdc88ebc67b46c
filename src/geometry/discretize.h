// Cutting conductors into ribbons: graded face ribbons of lines, filament grids, plate
// faces cut at the points of the "plate" file, chords of circles.
#pragma once

#include "model/structure.h"

// Fills ribbons from `current` on (appending a fresh empty record after each), adds one to
// `ribbonCount` per ribbon and returns the empty record after the last one filled.
// `plateOrdinal` is the conductor's 1-based position among the plates (plates only).
Ribbon* discretizeConductor(RecordPool& pool, const RunSettings& settings, Conductor& conductor,
                            Ribbon* current, long& ribbonCount, int plateOrdinal);

// Symmetric grading weights 1, r, r^2, ... , r, 1 in `weights` (n entries); returns their sum.
double gradedWeights(double* weights, int n, double r);
