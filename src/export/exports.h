// What the export writers share.
#pragma once

#include <string>

#include "xsrl/error.h"
#include "xsrl/export.h"

namespace xsrl {

// "conductor 3 (signal)": how the file comments name a port.
std::string portDescription(const Port& port);

// The deck's path as a header or comment line may hold it: each control character (a line
// feed, a carriage return, a tab ...) becomes '?', so that no name starts a line of its own.
std::string printableDeckName(const std::string& deckPath);

// 0 for -0, which prints as "-0"; any other value as it is.
inline double withoutNegativeZero(double value) { return value == 0.0 ? 0.0 : value; }

Error missingCapacitance(ExportFormat format);

}  // namespace xsrl
