// The extension module vorn._core: the parameter table, a run on arrays,
// program values and program files. The estimator around it is Python
// (vorn/_classifier.py); this file only converts and handles the GIL.
#include <pybind11/functional.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/generation_csv.h"
#include "engine/parameters.h"
#include "engine/program_io.h"
#include "engine/version.h"
#include "problem/errors.h"
#include "problem/number_text.h"
#include "program/infix.h"
#include "python/array_run.h"

namespace py = pybind11;

namespace vorn {

namespace {

using Doubles = py::array_t<double, py::array::c_style | py::array::forcecast>;
using Flags = py::array_t<std::uint8_t, py::array::c_style | py::array::forcecast>;

std::string_view kind_name(ParamKind kind) {
    switch (kind) {
        case ParamKind::whole_number:
            return "whole_number";
        case ParamKind::real:
            return "real";
        case ParamKind::choice:
            return "choice";
        case ParamKind::flag:
            return "flag";
        case ParamKind::name:
            return "name";
        case ParamKind::function_list:
            return "function_list";
        case ParamKind::remainder:
            return "remainder";
    }
    return "";
}

// The rows with a settings key, in the table's order.
py::list parameter_rows() {
    py::list rows;
    for (const Parameter& row : parameter_table()) {
        if (row.settings_key.empty()) {
            continue;
        }
        py::dict entry;
        entry["key"] = std::string(row.settings_key);
        entry["caption"] = std::string(row.caption);
        entry["kind"] = std::string(kind_name(row.kind));
        entry["default"] = std::string(row.default_text);
        entry["choices"] = std::vector<std::string>(row.choices.begin(), row.choices.end());
        entry["description"] = std::string(row.description);
        rows.append(entry);
    }
    return rows;
}

std::span<const double> doubles(const Doubles& array) {
    return {array.data(), static_cast<std::size_t>(array.size())};
}

py::dict row_dict(const GenerationRow& row) {
    py::dict entry;
    entry["generation"] = row.generation + 1;
    entry["training_fitness"] = row.best_raw_fitness;
    entry["validation_fitness"] = static_cast<double>(row.validation_fitness);
    entry["mean_length"] = row.mean_length;
    entry["best_length"] = row.best_length;
    return entry;
}

// The run with the GIL released; the hooks take it back to call Python.
// A Python exception (Ctrl+C's KeyboardInterrupt from the signal check, or
// one the callback raised) stops the run and is raised once it has ended.
py::dict run(std::vector<std::pair<std::string, std::string>> texts, const Doubles& xs,
             const Doubles& ys, const Flags& is_positive, std::optional<std::uint32_t> seed,
             unsigned threads, std::string positive_label, const py::object& on_generation) {
    if (xs.size() != ys.size() || xs.size() != is_positive.size()) {
        throw py::value_error("xs, ys and is_positive differ in length");
    }
    ArrayRunInput input;
    input.texts = std::move(texts);
    input.training = {doubles(xs),
                      doubles(ys),
                      {is_positive.data(), static_cast<std::size_t>(is_positive.size())}};
    input.seed = seed;
    input.threads = threads;
    input.positive_label = std::move(positive_label);

    std::optional<py::error_already_set> pending;
    ArrayRunHooks hooks;
    hooks.keep_going = [&pending] {
        const py::gil_scoped_acquire gil;
        if (pending) {
            return false;
        }
        if (PyErr_CheckSignals() != 0) {
            pending.emplace();
            return false;
        }
        return true;
    };
    if (!on_generation.is_none()) {
        hooks.generation_done = [&pending, &on_generation](const GenerationRow& row) {
            const py::gil_scoped_acquire gil;
            if (pending) {
                return false;
            }
            try {
                // False, and only False, stops the run.
                return on_generation(row_dict(row)).ptr() != Py_False;
            } catch (py::error_already_set& error) {
                pending.emplace(std::move(error));
                return false;
            }
        };
    }
    ArrayRunResult result;
    {
        const py::gil_scoped_release released;
        result = run_on_arrays(input, hooks);
    }
    if (pending) {
        throw std::move(*pending);
    }
    py::dict out;
    out["program"] = result.program_text;
    out["formula"] = result.formula;
    py::list history;
    for (const GenerationRow& row : result.history) {
        history.append(row_dict(row));
    }
    out["history"] = history;
    out["seed"] = result.seed;
    out["stopped"] = result.stopped;
    out["notices"] = result.notices;
    return out;
}

py::array_t<double> values(const std::string& program_text, const Doubles& xs, const Doubles& ys) {
    if (xs.size() != ys.size()) {
        throw py::value_error("xs and ys differ in length");
    }
    py::array_t<double> out(xs.size());
    const std::span<double> out_span(out.mutable_data(), static_cast<std::size_t>(out.size()));
    const py::gil_scoped_release released;
    program_values(program_text, doubles(xs), doubles(ys), out_span);
    return out;
}

Program program_of_text(const std::string& text) {
    try {
        return read_program_text(text);
    } catch (const ProgramFileError& error) {
        throw py::value_error(std::string("not a program: ") + error.what());
    }
}

// As the run printed it: constants by their labels.
std::string formula(const std::string& program_text) {
    ProgramCode code = program_code(program_of_text(program_text));
    for (functable& row : code.node_table) {
        if (row.op == OpCode::constant) {
            row.name = constant_label(code.constant_table[static_cast<std::size_t>(row.index)]);
        }
    }
    return infix_text(code.node_table, code.gene);
}

// The runner's --csv text of generation rows as run() hands them over.
std::string generation_table(const py::list& rows) {
    std::vector<GenerationRow> table;
    for (const py::handle row : rows) {
        table.push_back({row["generation"].cast<std::int32_t>() - 1,
                         static_cast<float>(row["validation_fitness"].cast<double>()),
                         row["training_fitness"].cast<double>(),
                         row["mean_length"].cast<std::int32_t>(),
                         row["best_length"].cast<std::int32_t>()});
    }
    return generation_table_csv(table);
}

std::string read_program(const std::string& path) {
    return program_file_text(load_program_file(path));
}

void write_program(const std::string& path, const std::string& program_text) {
    save_program_file(path, program_of_text(program_text), {});
}

}  // namespace

}  // namespace vorn

PYBIND11_MODULE(_core, m) {
    m.doc() = "The core of VORN: runs on arrays, program values and program files.";
    // Refusals carry the runner's message; they are the caller's mistakes.
    py::register_exception<vorn::ArrayRunRefused>(m, "Refused", PyExc_ValueError);
    py::register_exception<vorn::MessageError>(m, "FileError", PyExc_OSError);
    m.attr("version") = std::string(vorn::version_text());
    m.def("parameters", &vorn::parameter_rows);
    m.def("run", &vorn::run, py::arg("texts"), py::arg("xs"), py::arg("ys"), py::arg("is_positive"),
          py::arg("seed"), py::arg("threads"), py::arg("positive_label"), py::arg("on_generation"));
    m.def("values", &vorn::values, py::arg("program"), py::arg("xs"), py::arg("ys"));
    m.def("formula", &vorn::formula, py::arg("program"));
    m.def("generation_table", &vorn::generation_table, py::arg("rows"));
    m.def("read_program", &vorn::read_program, py::arg("path"));
    m.def("write_program", &vorn::write_program, py::arg("path"), py::arg("program"));
}
