#include "engine/program_io.h"
#include "problem/file_descriptor.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <memory>
#include <system_error>
#include <vector>

#include "engine/prepare_run.h"
#include "engine/version.h"
#include "problem/errors.h"
#include "problem/file_writer.h"
#include "program/json_text.h"

namespace vorn {

namespace {

constexpr std::size_t chunk_bytes = std::size_t{1} << 16;
// Far beyond any program a run can make; keeps /dev/zero from filling memory.
constexpr std::size_t max_program_file_bytes = std::size_t{256} << 20;

struct DigestContextFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using DigestContext = std::unique_ptr<EVP_MD_CTX, DigestContextFree>;

std::string hex_of(std::span<const unsigned char> digest) {
    constexpr std::string_view digits = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * digest.size());
    for (const unsigned char byte : digest) {
        hex += digits[byte >> 4];
        hex += digits[byte & 0x0F];
    }
    return hex;
}

// Opens a file for reading; a folder opens but cannot be read, so it is
// refused here with the reason read() would give.
[[nodiscard]] int open_for_reading(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat status {};
    if (fd >= 0 && ::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
        ::close(fd);
        errno = EISDIR;
        return -1;
    }
    return fd;
}

// Feeds every byte of the file to `take` in chunks; returns errno on failure
// and 0 at the end of the file. `take` returns false to stop early.
template <class Take>
[[nodiscard]] int read_chunks(const std::filesystem::path& path, Take take) {
    const FileDescriptor file(open_for_reading(path));
    if (file.get() < 0) {
        return errno;
    }
    std::vector<char> chunk(chunk_bytes);
    while (true) {
        const ssize_t got = ::read(file.get(), chunk.data(), chunk.size());
        if (got == 0) {
            return 0;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (!take(std::string_view(chunk.data(), static_cast<std::size_t>(got)))) {
            return 0;
        }
    }
}

[[nodiscard]] std::string reason(int error) {
    return std::error_code(error, std::generic_category()).message();
}

}  // namespace

std::string sha256_hex(std::string_view bytes) {
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int size = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &size, EVP_sha256(), nullptr) != 1) {
        throw std::runtime_error("SHA-256 is not available from libcrypto");
    }
    return hex_of(std::span(digest.data(), size));
}

std::string sha256_of_file(const std::filesystem::path& path) {
    const DigestContext context(EVP_MD_CTX_new());
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) {
        throw std::runtime_error("SHA-256 is not available from libcrypto");
    }
    const int error = read_chunks(path, [&](std::string_view bytes) {
        return EVP_DigestUpdate(context.get(), bytes.data(), bytes.size()) == 1;
    });
    if (error != 0) {
        throw DataFileError(path.string(), 0, "cannot be read (" + reason(error) + ").");
    }
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int size = 0;
    if (EVP_DigestFinal_ex(context.get(), digest.data(), &size) != 1) {
        throw std::runtime_error("SHA-256 is not available from libcrypto");
    }
    return hex_of(std::span(digest.data(), size));
}

nlohmann::json provenance_block(const RunPlan& plan, std::uint32_t seed) {
    RunPlan run = plan;
    run.seed = seed;
    nlohmann::json block = plan_json(run, hashed_files(run), {});
    block["program"] = version_text();
    return block;
}

Program program_of_run(NodeTableView nodes, std::span<const std::int32_t> gene,
                       const std::string& input1_name, const std::string& input2_name,
                       const std::string& output_name, double training_fitness,
                       std::optional<double> validation_count) {
    Program program = program_of_gene(nodes, gene);
    program.input1_name = input1_name;
    program.input2_name = input2_name;
    program.output_name = output_name;
    program.training_fitness = training_fitness;
    program.validation_count = validation_count;
    return program;
}

Program run_program(const PreparedRun& run, std::span<const std::int32_t> gene,
                    double training_fitness, std::optional<double> validation_count) {
    // Held-out rows are validation data of their own, as a file is.
    const bool validated = reads_validation_file(run.plan) || run.parameters.population.holdout > 0;
    const ProblemParameters& problem = run.parameters.problem;
    Program program = program_of_run(run.setting->node_table_view(), gene, problem.input1_name,
                                     problem.input2_name, run.parameters.output_name,
                                     training_fitness, validated ? validation_count : std::nullopt);
    return program;
}

ProgramCsvChoice program_csv_choice(const Program& program) {
    const auto text = [&](const char* key) -> std::optional<std::string> {
        const auto found = program.provenance.find(key);
        if (found == program.provenance.end() || !found->is_string()) {
            return std::nullopt;
        }
        return found->get<std::string>();
    };
    return {text("columns"), text("positive")};
}

Program with_provenance(Program program, const RunPlan& plan, std::uint32_t seed) {
    program.provenance = provenance_block(plan, seed);
    return program;
}

std::string read_json_file(const std::filesystem::path& path, std::size_t max_bytes) {
    const std::string too_large = "larger than " + (max_bytes >= (std::size_t{1} << 30)
                                                        ? std::to_string(max_bytes >> 30) + " GiB"
                                                        : std::to_string(max_bytes >> 20) + " MiB");
    const FileDescriptor file(open_for_reading(path));
    if (file.get() < 0) {
        throw JsonFileRefused(reason(errno));
    }
    std::string text;
    struct stat status {};
    if (::fstat(file.get(), &status) == 0 && S_ISREG(status.st_mode)) {
        if (static_cast<std::uintmax_t>(status.st_size) > max_bytes) {
            throw JsonFileRefused(too_large);
        }
        text.reserve(static_cast<std::size_t>(status.st_size));
    }
    std::vector<char> chunk(chunk_bytes);
    while (true) {
        const ssize_t got = ::read(file.get(), chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            throw JsonFileRefused(reason(errno));
        }
        if (got == 0) {
            return text;
        }
        const std::string_view bytes(chunk.data(), static_cast<std::size_t>(got));
        if (bytes.size() > max_bytes - text.size()) {
            throw JsonFileRefused(too_large);
        }
        if (bytes.find('\0') != std::string_view::npos) {
            throw JsonFileRefused("not JSON: it holds a NUL byte");
        }
        text.append(bytes);
    }
}

Program load_program_file(const std::filesystem::path& path) {
    const std::string file_name = path.string();
    try {
        return read_program_text(read_json_file(path, max_program_file_bytes));
    } catch (const JsonFileRefused& e) {
        throw MessageError(messages::program_file_refused(file_name, e.what()));
    } catch (const ProgramFileError& e) {
        throw MessageError(messages::program_file_refused(file_name, e.what()));
    }
}

void save_program_file(const std::filesystem::path& path, const Program& program,
                       std::span<const std::filesystem::path> inputs) {
    std::string text;
    try {
        text = program_file_text(program);
    } catch (const ProgramFileError& e) {
        throw MessageError(messages::file_not_written(path.string(), e.what()));
    } catch (const JsonTextError& e) {
        throw MessageError(messages::file_not_written(path.string(), e.what()));
    }
    write_file(path, text, inputs);
}

}  // namespace vorn
