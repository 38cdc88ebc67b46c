// The sweep as a table for spreadsheets and scripts (RFC 4180): a header row, then one row per
// frequency with every entry of R and L (then C and G, when computed) per metre.
#pragma once

#include <string>

#include "model/sweep_result.h"

namespace xsrl {

// Columns: f_Hz, R_i_j_ohm_per_m for every i, j (1-based ports, row by row), the same for
// L_i_j_H_per_m, then C_i_j_F_per_m and G_i_j_S_per_m. Values in %.17g, which reads back to
// the same double.
void writeCsv(const std::string& path, const SweepResult& result);

}  // namespace xsrl
