#pragma once
// The problem side of one run, frozen at Start: node table, constants,
// variable slots, data columns and the two run flags.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "problem/data_table.h"
#include "program/functable.h"
#include "program/views.h"

namespace vorn {

// The typed values of the "Problem Setting" page, parsed from its texts once.
struct ProblemParameters {
    std::array<bool, num_primitives> checked{true, true, true, true};  // CheckListBox1
    float constant_min = -1;                                           // Edit10
    float constant_max = 1;                                            // Edit11
    std::int32_t num_constants = 1000;                                 // Edit12
    std::string input1_name = "x";                                     // Edit16
    std::string input2_name = "y";                                     // Edit17
    bool use_training_data = true;                                     // CheckBox3
};

// The two grids, as the window or the headless runner hand them over; a
// grid that is not given has no rows.
struct GridCells {
    const DataTable* training = nullptr;    // StringGrid1
    const DataTable* validation = nullptr;  // StringGrid2
};

// Captions that refusals name.
inline constexpr const char* training_grid_caption = "Training Data";
inline constexpr const char* validation_grid_caption = "Validation Data";

class Tproblem_setting {
public:
    // Builds the setting; throws SettingError naming the grid or cell when the
    // data is not usable, and then no setting exists.
    Tproblem_setting(const ProblemParameters& parameters, GridCells cells,
                     std::span<const functable> function_table);

    // True when no function was checked and "+" was used instead; the front
    // end then tells the user and checks "+".
    [[nodiscard]] bool fell_back_to_plus() const { return fell_back_to_plus_; }

    // What scoring reads, read-only.
    [[nodiscard]] NodeTableView node_table_view() const { return {node_table, constant_table}; }
    [[nodiscard]] DataColumns training_columns() const {
        return {train_x1, train_y1, train_x2, train_y2};
    }
    [[nodiscard]] DataColumns validation_columns() const {
        return {valid_x1, valid_y1, valid_x2, valid_y2};
    }

    std::int32_t num_training_rows = 0;
    std::int32_t num_validation_rows = 0;
    std::int32_t num_functions = 0;
    std::int32_t num_variables = 2;
    std::int32_t num_constants = 0;
    float constant_max = 0;
    float constant_min = 0;
    std::uint8_t pause_request = 0;
    std::uint8_t abort_request = 0;
    std::vector<functable> node_table;
    std::vector<double> variable_values;  // evaluators keep their own point instead
    std::vector<double> constant_table;
    std::vector<double> valid_x1;
    std::vector<double> train_x1;
    std::vector<double> valid_y1;
    std::vector<double> train_y1;
    std::vector<double> valid_x2;
    std::vector<double> train_x2;
    std::vector<double> valid_y2;
    std::vector<double> train_y2;

    // Constant tuning: `slots` more constant codes after the table's own,
    // which random creation never draws and tuning fills with its values.
    void reserve_tuned_constants(std::int32_t slots);
    [[nodiscard]] std::int32_t first_tuned_code() const {
        return num_functions + num_variables + num_constants;
    }
    // Sets a tuned code's value and the label formulas print for it.
    void set_constant(std::int32_t code, double value);
    // Tuned codes given out so far, from first_tuned_code() on.
    std::int32_t tuned_codes_taken = 0;

    void make_node_table(const ProblemParameters& parameters,
                         std::span<const functable> function_table);
    void read_data_tables(const ProblemParameters& parameters, GridCells cells);

private:
    bool fell_back_to_plus_ = false;
};

// constant_table[i] = (i * (max - min)) / n + min in extended precision.
[[nodiscard]] std::vector<double> make_constant_table(float constant_min, float constant_max,
                                                      std::int32_t num_constants);

}  // namespace vorn
