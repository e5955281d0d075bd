#include "problem/problem_setting.h"

#include "problem/errors.h"
#include "problem/memory_limit.h"
#include "problem/number_text.h"
#include "program/interpreter.h"

namespace vorn {

namespace {

float read_range_end(const std::string& text) {
    const auto value = parse_float32(text);
    if (!value) {
        throw field_error("Range", "a number", text);
    }
    return *value;
}

void read_grid(std::span<const CellRow> cells, const char* grid, std::vector<double>& x1,
               std::vector<double>& y1, std::vector<double>& x2, std::vector<double>& y2) {
    std::array<std::vector<double>*, 4> columns = {&x1, &y1, &x2, &y2};
    for (auto* column : columns) {
        column->resize(cells.size());
    }
    for (std::size_t r = 0; r < cells.size(); ++r) {
        for (int c = 0; c < 4; ++c) {
            const auto value = parse_real(cells[r][c]);
            if (!value) {
                throw cell_error(grid, static_cast<std::int64_t>(r) + 1, c + 1, cells[r][c]);
            }
            (*columns[c])[r] = *value;
        }
    }
}

void require_rows(std::span<const CellRow> cells, const char* grid) {
    if (cells.empty()) {
        throw SettingError(std::string("\"") + grid +
                           "\" must hold at least one row (it is empty).");
    }
    if (cells.size() > static_cast<std::size_t>(INT32_MAX)) {
        throw SettingError(std::string("\"") + grid + "\" holds more rows than a run can use.");
    }
}

// Refuses, before anything is allocated, a constant count whose tables
// cannot fit in this machine's memory (a node row, its label and the value).
void check_constants_memory(std::int32_t num_constants, const std::string& text) {
    const double per_constant = sizeof(functable) + sizeof(double) + 16.0;
    if (static_cast<double>(num_constants) * per_constant > physical_memory_bytes()) {
        throw field_error("Number of constant",
                          "small enough for the constant table to fit in memory", text);
    }
}

}  // namespace

std::vector<double> make_constant_table(float constant_min, float constant_max,
                                        std::int32_t num_constants) {
    std::vector<double> table(static_cast<std::size_t>(num_constants));
    const long double low = constant_min;
    const long double span = static_cast<long double>(constant_max) - low;
    for (std::int32_t i = 0; i < num_constants; ++i) {
        table[i] = static_cast<double>((static_cast<long double>(i) * span) / num_constants + low);
    }
    return table;
}

Tproblem_setting::Tproblem_setting(const ProblemTexts& texts,
                                   std::span<const functable> function_table) {
    for (bool checked : texts.checked) {
        num_functions += checked ? 1 : 0;
    }
    if (num_functions == 0) {
        num_functions = 1;
        fell_back_to_plus_ = true;
    }

    const auto constants = parse_int(texts.num_constants);
    if (!constants || *constants < 1) {
        throw field_error("Number of constant", "a whole number of at least 1",
                          texts.num_constants);
    }
    num_constants = *constants;
    check_constants_memory(num_constants, texts.num_constants);
    num_variables = 2;

    constant_min = read_range_end(texts.constant_min);
    constant_max = read_range_end(texts.constant_max);

    // The data is checked before the large tables are built, so a refused
    // cell costs nothing.
    require_rows(texts.training_cells, training_grid_caption);
    if (!texts.use_training_data) {
        require_rows(texts.validation_cells, validation_grid_caption);
    }

    variable_values.assign(static_cast<std::size_t>(num_variables) + 1, 0.0);
    constant_table = make_constant_table(constant_min, constant_max, num_constants);
    make_node_table(texts, function_table);
    read_data_tables(texts);
    pause_request = 0;
    abort_request = 0;
}

void Tproblem_setting::make_node_table(const ProblemTexts& texts,
                                       std::span<const functable> function_table) {
    node_table.assign(static_cast<std::size_t>(num_functions) + num_variables + num_constants,
                      functable{});
    std::size_t row = 0;
    if (fell_back_to_plus_) {
        node_table[row++] = function_table[0];
    } else {
        for (int i = 0; i < num_primitives; ++i) {
            if (texts.checked[i]) {
                node_table[row].arity_less_one = function_table[i].arity_less_one;
                node_table[row].name = function_table[i].name;
                node_table[row].eval = function_table[i].eval;
                node_table[row].index = function_table[i].index;
                node_table[row].op = function_table[i].op;
                ++row;
            }
        }
    }
    const std::string* names[2] = {&texts.input1_name, &texts.input2_name};
    const OpCode inputs[2] = {OpCode::input1, OpCode::input2};
    for (int v = 0; v < 2; ++v) {
        node_table[row] = functable{-1, *names[v], variable_eval, v, inputs[v]};
        ++row;
    }
    for (std::int32_t j = 0; j < num_constants; ++j) {
        node_table[row] =
            functable{-1, constant_label(constant_table[j]), constant_eval, j, OpCode::constant};
        ++row;
    }
}

void Tproblem_setting::read_data_tables(const ProblemTexts& texts) {
    num_training_rows = static_cast<std::int32_t>(texts.training_cells.size());
    read_grid(texts.training_cells, training_grid_caption, train_x1, train_y1, train_x2, train_y2);
    if (texts.use_training_data) {
        num_validation_rows = num_training_rows;
        valid_x1 = train_x1;
        valid_y1 = train_y1;
        valid_x2 = train_x2;
        valid_y2 = train_y2;
    } else {
        num_validation_rows = static_cast<std::int32_t>(texts.validation_cells.size());
        read_grid(texts.validation_cells, validation_grid_caption, valid_x1, valid_y1, valid_x2,
                  valid_y2);
    }
}

}  // namespace vorn
