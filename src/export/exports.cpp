#include "export/exports.h"

#include <filesystem>

namespace xsrl {

const char* exportFormatName(ExportFormat format)
{
    switch (format) {
    case ExportFormat::Csv: return "csv";
    case ExportFormat::Rlgc: return "rlgc";
    case ExportFormat::Touchstone: return "touchstone";
    }
    return "";
}

std::optional<ExportFormat> parseExportFormat(const std::string& name)
{
    for (const ExportFormat format : {ExportFormat::Csv, ExportFormat::Rlgc, ExportFormat::Touchstone})
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
    }
    return stem;
}

std::string portDescription(const Port& port)
{
    return "conductor " + std::to_string(port.conductor) + (port.signal ? " (signal)" : " (ground)");
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

void writeExports(const std::vector<ExportFormat>& formats, const SweepResult& result, const ExportOptions& options)
{
    checkCapacitanceFor(formats, result.hasCapacitance());
    const int ports = static_cast<int>(result.ports.size());
    for (const ExportFormat format : formats) {
        const std::string path = exportFileName(options.deckPath, format, ports);
        switch (format) {
        case ExportFormat::Csv: writeCsv(path, result); break;
        case ExportFormat::Rlgc: writeRlgc(path, options.deckPath, result); break;
        case ExportFormat::Touchstone:
            writeTouchstone(path, options.deckPath, result, options.lengthMetres, options.z0);
            break;
        }
    }
}

}  // namespace xsrl
