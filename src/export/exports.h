// The files written from a sweep result for other tools: a spreadsheet table (csv), the
// RLGC model of a W element (rlgc) and the S-parameters of a line (touchstone).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/sweep_result.h"
#include "support/run_error.h"

namespace xsrl {

enum class ExportFormat { Csv, Rlgc, Touchstone };

// "csv", "rlgc", "touchstone".
const char* exportFormatName(ExportFormat format);
std::optional<ExportFormat> parseExportFormat(const std::string& name);

// The file a format is written to in the current folder: the deck's name without its
// extension, then `.csv`, `.rlgc` or `.s<2 ports>p` (near and far end of every port).
std::string exportFileName(const std::string& deckPath, ExportFormat format, int portCount);

// "conductor 3 (signal)": how the file comments name a port.
std::string portDescription(const Port& port);

// The line models need the capacitance, which only the capacitance solve gives.
bool exportNeedsCapacitance(ExportFormat format);
RunError missingCapacitance(ExportFormat format);
// Refuses the first of `formats` that needs the capacitance when there is none.
void checkCapacitanceFor(const std::vector<ExportFormat>& formats, bool capacitance);

struct ExportOptions {
    std::string deckPath;
    double lengthMetres = 0.0; // of the line in touchstone
    double z0 = 50.0;          // reference impedance of touchstone, ohm
};

// Writes every format asked for; a format that needs the capacitance when the result has
// none is refused before anything is written.
void writeExports(const std::vector<ExportFormat>& formats, const SweepResult& result, const ExportOptions& options);

}  // namespace xsrl
