// Arbitrary bytes as a program file. The reader must accept or refuse with a
// ProgramFileError, never crash, hang or throw anything else; an accepted
// program is written and read back as the same program, text for text, and
// exports as C, Python and a formula.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/text_checks.h"
#include "program/program_export.h"
#include "program/program_file.h"

namespace vorn::fuzz {
namespace {

bool same_nodes(const Program& a, const Program& b) {
    if (a.nodes.size() != b.nodes.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.nodes.size(); ++i) {
        if (a.nodes[i].op != b.nodes[i].op || std::bit_cast<std::uint64_t>(a.nodes[i].value) !=
                                                  std::bit_cast<std::uint64_t>(b.nodes[i].value)) {
            return false;
        }
    }
    return true;
}

}  // namespace
}  // namespace vorn::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vorn;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Program program;
    try {
        program = read_program_text(text);
    } catch (const ProgramFileError&) {
        return 0;
    }
    const std::string written = program_file_text(program);
    const Program back = read_program_text(written);
    fuzz::check(fuzz::same_nodes(program, back), "nodes change when written and read",
                written.substr(0, 400));
    fuzz::check(
        back.input1_name == program.input1_name && back.input2_name == program.input2_name &&
            back.output_name == program.output_name && back.provenance == program.provenance,
        "names or provenance change when written and read", written.substr(0, 400));
    fuzz::check(program_file_text(back) == written, "a second write differs from the first",
                written.substr(0, 400));
    for (const auto language :
         {ExportLanguage::c, ExportLanguage::python, ExportLanguage::formula}) {
        const std::string source = export_program(program, language);
        fuzz::check(source.ends_with('\n'), "an export does not end in a newline",
                    source.substr(0, 400));
    }
    return 0;
}
