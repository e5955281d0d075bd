#include "problem/problem_setting.h"

#include "problem/errors.h"
#include "problem/number_text.h"
#include "program/interpreter.h"

namespace vorn {

namespace {

[[nodiscard]] std::size_t rows_of(const DataTable* table) {
    return table != nullptr ? table->row_count() : 0;
}

void read_grid(const DataTable* table, const char* grid, std::vector<double>& x1,
               std::vector<double>& y1, std::vector<double>& x2, std::vector<double>& y2) {
    const std::size_t rows = rows_of(table);
    std::array<std::vector<double>*, 4> columns = {&x1, &y1, &x2, &y2};
    for (auto* column : columns) {
        column->resize(rows);
    }
    for (std::size_t r = 0; r < rows; ++r) {
        for (int c = 0; c < DataTable::column_count; ++c) {
            const auto value = table->value(r, c);
            if (!value) {
                throw cell_error(grid, static_cast<std::int64_t>(r) + 1, c + 1,
                                 table->cell_text(r, c));
            }
            (*columns[c])[r] = *value;
        }
    }
}

void require_rows(const DataTable* table, const char* grid) {
    if (rows_of(table) == 0) {
        throw SettingError(messages::grid_empty(grid));
    }
    if (rows_of(table) > static_cast<std::size_t>(INT32_MAX)) {
        throw SettingError(messages::grid_too_large(grid));
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

Tproblem_setting::Tproblem_setting(const ProblemParameters& parameters, GridCells cells,
                                   std::span<const functable> function_table) {
    for (bool checked : parameters.checked) {
        num_functions += checked ? 1 : 0;
    }
    if (num_functions == 0) {
        num_functions = 1;
        fell_back_to_plus_ = true;
    }
    num_constants = parameters.num_constants;
    num_variables = 2;
    constant_min = parameters.constant_min;
    constant_max = parameters.constant_max;

    // The data is checked before the large tables are built, so a refused
    // grid costs nothing.
    require_rows(cells.training, training_grid_caption);
    if (!parameters.use_training_data) {
        require_rows(cells.validation, validation_grid_caption);
    }

    variable_values.assign(static_cast<std::size_t>(num_variables) + 1, 0.0);
    constant_table = make_constant_table(constant_min, constant_max, num_constants);
    make_node_table(parameters, function_table);
    read_data_tables(parameters, cells);
    pause_request = 0;
    abort_request = 0;
}

void Tproblem_setting::reserve_tuned_constants(std::int32_t slots) {
    for (std::int32_t k = 0; k < slots; ++k) {
        const auto index = static_cast<std::int32_t>(constant_table.size());
        constant_table.push_back(0.0);
        node_table.push_back(
            functable{-1, constant_label(0.0), constant_eval, index, OpCode::constant});
    }
}

void Tproblem_setting::set_constant(std::int32_t code, double value) {
    functable& row = node_table[static_cast<std::size_t>(code)];
    constant_table[static_cast<std::size_t>(row.index)] = value;
    row.name = constant_label(value);
}

void Tproblem_setting::make_node_table(const ProblemParameters& parameters,
                                       std::span<const functable> function_table) {
    node_table.assign(static_cast<std::size_t>(num_functions) + num_variables + num_constants,
                      functable{});
    std::size_t row = 0;
    if (fell_back_to_plus_) {
        node_table[row++] = function_table[0];
    } else {
        for (int i = 0; i < num_primitives; ++i) {
            if (parameters.checked[i]) {
                node_table[row].arity_less_one = function_table[i].arity_less_one;
                node_table[row].name = function_table[i].name;
                node_table[row].eval = function_table[i].eval;
                node_table[row].index = function_table[i].index;
                node_table[row].op = function_table[i].op;
                ++row;
            }
        }
    }
    const std::string* names[2] = {&parameters.input1_name, &parameters.input2_name};
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

void Tproblem_setting::read_data_tables(const ProblemParameters& parameters, GridCells cells) {
    num_training_rows = static_cast<std::int32_t>(rows_of(cells.training));
    read_grid(cells.training, training_grid_caption, train_x1, train_y1, train_x2, train_y2);
    if (parameters.use_training_data) {
        num_validation_rows = num_training_rows;
        valid_x1 = train_x1;
        valid_y1 = train_y1;
        valid_x2 = train_x2;
        valid_y2 = train_y2;
    } else {
        num_validation_rows = static_cast<std::int32_t>(rows_of(cells.validation));
        read_grid(cells.validation, validation_grid_caption, valid_x1, valid_y1, valid_x2,
                  valid_y2);
    }
}

}  // namespace vorn
