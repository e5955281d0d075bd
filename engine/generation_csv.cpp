#include "engine/generation_csv.h"

#include "problem/number_text.h"

namespace vorn {

std::string csv_header() {
    return "generation,training_fitness,validation_fitness,mean_length,best_length";
}

std::string csv_row(const GenerationRow& row) {
    return std::to_string(row.generation + 1) + "," + general_text(row.best_raw_fitness) + "," +
           general_text(row.validation_fitness) + "," + std::to_string(row.mean_length) + "," +
           std::to_string(row.best_length);
}

std::string generation_table_csv(std::span<const GenerationRow> rows) {
    std::string text = csv_header() + "\n";
    for (const GenerationRow& row : rows) {
        text += csv_row(row) + "\n";
    }
    return text;
}

}  // namespace vorn
