#include "export/exports.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "numerics/constants.h"
#include "numerics/positive_definite.h"

namespace xsrl {

const char* exportFormatName(ExportFormat format)
{
    switch (format) {
    case ExportFormat::Csv: return "csv";
    case ExportFormat::Rlgc: return "rlgc";
    case ExportFormat::Touchstone: return "touchstone";
    case ExportFormat::Spice: return "spice";
    }
    return "";
}

std::optional<ExportFormat> parseExportFormat(const std::string& name)
{
    for (const ExportFormat format :
         {ExportFormat::Csv, ExportFormat::Rlgc, ExportFormat::Touchstone, ExportFormat::Spice})
        if (name == exportFormatName(format)) return format;
    return std::nullopt;
}

std::string exportFileName(const std::string& deckPath, ExportFormat format, int portCount)
{
    std::string stem = std::filesystem::path(deckPath).stem().string();
    switch (format) {
    case ExportFormat::Csv: return stem + ".csv";
    case ExportFormat::Rlgc: return stem + ".rlgc";
    case ExportFormat::Touchstone: return stem + ".s" + std::to_string(2 * portCount) + "p";
    case ExportFormat::Spice: return stem + ".sp";
    }
    return stem;
}

std::string portDescription(const Port& port)
{
    return "conductor " + std::to_string(port.conductor) + (port.signal ? " (signal)" : " (ground)");
}

std::string printableDeckName(const std::string& deckPath)
{
    std::string name = deckPath;
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    return name;
}

bool exportNeedsCapacitance(ExportFormat format) { return format != ExportFormat::Csv; }

Error missingCapacitance(ExportFormat format)
{
    return Error(ErrorCategory::Usage,
                 std::string(exportFormatName(format)) + " needs the capacitance: add .capacitance yes");
}

void checkCapacitanceFor(const std::vector<ExportFormat>& formats, bool capacitance)
{
    for (const ExportFormat format : formats)
        if (exportNeedsCapacitance(format) && !capacitance) throw missingCapacitance(format);
}

namespace {

// The line models need C positive definite. It is not when every conductor is a port (a single
// conductor, .partial yes): that Maxwell matrix has no reference, its columns sum to zero and
// its smallest eigenvalue is rounding. So the eigenvalues must stand above 1e-9 of the largest
// diagonal entry and above 1e-6 eps0: no two conductors in the plane hold less per metre
// (2 pi eps0 over the log of their size ratio, 0.004 eps0 across the range of doubles).
bool capacitanceIsDefinite(const RealMatrix& c)
{
    double largest = 0.0;
    for (int i = 0; i < c.rows(); ++i) largest = std::max(largest, c[i][i]);
    return isPositiveDefinite(c, std::max(1e-9 * largest, 1e-6 * Epsilon0));
}

void checkCapacitanceDefinite(const std::vector<ExportFormat>& formats, const SweepResult& result)
{
    for (const ExportFormat format : formats) {
        if (!exportNeedsCapacitance(format)) continue;
        for (const FrequencyPoint& point : result.points) {
            if (capacitanceIsDefinite(point.c)) continue;
            char text[320];
            std::snprintf(text, sizeof text,
                          "%s needs C positive definite, and it is not at f=%.4e Hz: with every conductor a port (a "
                          "single conductor, .partial yes) C is singular, as no net charge is held against infinity; "
                          "use .partial no and a ground conductor",
                          exportFormatName(format), point.frequency);
            throw Error(ErrorCategory::Numeric, text);
        }
    }
}

}  // namespace

void writeExports(const std::vector<ExportFormat>& formats, const SweepResult& result, const ExportOptions& options)
{
    checkCapacitanceFor(formats, result.hasCapacitance());
    checkCapacitanceDefinite(formats, result);
    const int ports = static_cast<int>(result.ports.size());
    for (const ExportFormat format : formats) {
        const std::string path = exportFileName(options.deckPath, format, ports);
        switch (format) {
        case ExportFormat::Csv: writeCsv(path, result); break;
        case ExportFormat::Rlgc: writeRlgc(path, options.deckPath, result); break;
        case ExportFormat::Touchstone:
            writeTouchstone(path, options.deckPath, result, options.lengthMetres, options.z0);
            break;
        case ExportFormat::Spice: writeSpice(path, options.deckPath, result, options.lengthMetres, options.z0); break;
        }
    }
}

}  // namespace xsrl
