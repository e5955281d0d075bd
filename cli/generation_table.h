#pragma once
// The runner's per-generation table for people, in fixed columns (the CSV
// copy for tools is engine/generation_csv.h).
// Numbers never depend on the process locale.
#include <string>

#include "engine/best_on_validation.h"
#include "engine/run_gp.h"

namespace vorn {

[[nodiscard]] std::string table_header();
// Generation counted from 1, training fitness with six decimals, the
// validation count in the general format.
[[nodiscard]] std::string table_row(const GenerationReport& report);

// "best validation: generation G, count C, training F", the figures as a
// table row shows them.
[[nodiscard]] std::string best_validation_line(const ValidatedBest& best);

}  // namespace vorn
