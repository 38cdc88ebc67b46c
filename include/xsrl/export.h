// Files written from a sweep result: the report blocks of Zs and Cs, a spreadsheet table (csv),
// the RLGC model of a W element (rlgc) and the S-parameters of a line (touchstone).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "xsrl/error.h"
#include "xsrl/output_file.h"
#include "xsrl/result.h"

namespace xsrl {

// Appends the point's block to the report Zs: "Impedance n x n matrix (R,L) at f=... Hz",
// then R and L per deck length unit (`scale` metres), row by row; true when every value
// written is finite.
bool writeImpedanceBlock(OutputFile& report, const FrequencyPoint& point, double scale);

// Appends the point's block to the report Cs in the layout of Zs: C and G per deck length unit.
bool writeCapacitanceBlock(OutputFile& report, const FrequencyPoint& point, double scale);

enum class ExportFormat { Csv, Rlgc, Touchstone, Spice };

// "csv", "rlgc", "touchstone", "spice".
const char* exportFormatName(ExportFormat format);
std::optional<ExportFormat> parseExportFormat(const std::string& name);

// The file a format is written to in the current folder: the deck's name without its
// extension, then `.csv`, `.rlgc`, `.s<2 ports>p` (near and far end of every port) or `.sp`.
std::string exportFileName(const std::string& deckPath, ExportFormat format, int portCount);

// The line models need the capacitance, which only the capacitance solve gives.
bool exportNeedsCapacitance(ExportFormat format);

// Refuses the first of `formats` that needs the capacitance when there is none.
void checkCapacitanceFor(const std::vector<ExportFormat>& formats, bool capacitance);

struct ExportOptions {
    std::string deckPath;
    double lengthMetres = 0.0;  // of the line in touchstone and spice
    double z0 = 50.0;  // reference impedance of touchstone (and of the error spice states), ohm
};

// Writes every format asked for; a format that needs the capacitance when the result has
// none is refused before anything is written.
void writeExports(const std::vector<ExportFormat>& formats, const SweepResult& result, const ExportOptions& options);

// Columns: f_Hz, R_i_j_ohm_per_m for every i, j (1-based ports, row by row), the same for
// L_i_j_H_per_m, then C_i_j_F_per_m and G_i_j_S_per_m. Values in %.17g, which reads back to
// the same double. RFC 4180.
void writeCsv(const std::string& path, const SweepResult& result);

// `# Hz S RI R z0`, the ports described in `!` comment lines, then one block per frequency:
// the frequency and the S-parameters (real, imaginary) in %.17g, at most four pairs per line.
// Two ports go in Touchstone's order S11 S21 S12 S22; more go row by row, a row per line
// (continued after four pairs).
void writeTouchstone(const std::string& path, const std::string& deckPath, const SweepResult& result,
                     double lengthMetres, double z0);

// The W element's RLGC file: `*` comment lines (the deck, the fit and its worst errors), the
// conductor count, then the lower triangles of Lo, Co, Ro, Go, Rs and Gd, row by row.
void writeRlgc(const std::string& path, const std::string& deckPath, const SweepResult& result);

// A SPICE subcircuit `.subckt <deck name> near_1 .. near_n far_1 .. far_n ref` of the line,
// `lengthMetres` long: `*` comment lines (the ports, the band, the sections and the model's
// measured error against the exact line at reference impedance z0), a subcircuit of one lumped
// section of passive elements, and the line as a cascade of sections. The sections are at most
// a twentieth of the shortest wavelength of the sweep; their series and shunt branches are
// fitted to R(f), L(f), C(f) and G(f) of the sweep.
void writeSpice(const std::string& path, const std::string& deckPath, const SweepResult& result, double lengthMetres,
                double z0);

}  // namespace xsrl
