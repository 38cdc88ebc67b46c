// What the export writers share.
#pragma once

#include <string>

#include "xsrl/error.h"
#include "xsrl/export.h"

namespace xsrl {

// "conductor 3 (signal)": how the file comments name a port.
std::string portDescription(const Port& port);

Error missingCapacitance(ExportFormat format);

}  // namespace xsrl
