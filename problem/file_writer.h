#pragma once
// The one way the system writes a file (CSV tables, records, and the program
// and settings files to come): never over an input of the command, never half
// a file in the target's place, never a failed write reported as success.
//
// The bytes go to a temporary made with mkstemp in the target's own folder
// (so the rename never crosses file systems); every write is checked, and
// commit() fsyncs and renames it over the target. The rename replaces a
// symlink in the target's place instead of writing through it. A target that
// exists and is not a regular file (/dev/stdout, a FIFO) is written directly.
#include <filesystem>
#include <span>
#include <string_view>

#include "problem/errors.h"

namespace vorn {

// A file that cannot be written, or that must not be: the message names it.
class FileWriteError : public MessageError {
public:
    using MessageError::MessageError;
};

// What becomes of the bytes when the writer ends without commit().
enum class Unfinished {
    removed,  // the temporary goes; the target is untouched
    // They stay in "<target>.partial-<pid>-<random>", a name of this writer's
    // own, there from the start; the target is untouched.
    kept,
};

class FileWriter {
public:
    // Throws FileWriteError when the target is the same file (device and
    // inode) as one of `inputs`, before anything is written, or when the file
    // cannot be created.
    FileWriter(std::filesystem::path target, std::span<const std::filesystem::path> inputs,
               Unfinished unfinished = Unfinished::removed);
    ~FileWriter();
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;

    // Writes all of `bytes` at once, unbuffered; throws FileWriteError.
    void write(std::string_view bytes);
    // fsync, then the rename over the target; throws FileWriteError.
    void commit();

    [[nodiscard]] const std::filesystem::path& target() const { return target_; }
    // Where the bytes are until commit(): the temporary (the kept file's name
    // for Unfinished::kept), or the target itself when it is written directly.
    [[nodiscard]] const std::filesystem::path& written_path() const { return written_; }
    [[nodiscard]] bool writes_directly() const { return direct_; }

private:
    [[noreturn]] void fail(int error) const;

    std::filesystem::path target_;
    std::filesystem::path written_;
    int fd_ = -1;
    bool direct_ = false;
    bool keep_unfinished_ = false;
    bool committed_ = false;
};

// The whole of `content` to `target` through a FileWriter.
void write_file(const std::filesystem::path& target, std::string_view content,
                std::span<const std::filesystem::path> inputs);

// Throws FileWriteError when `target` is the same file as one of `inputs`
// (files that do not exist are no one's twin).
void refuse_input_target(const std::filesystem::path& target,
                         std::span<const std::filesystem::path> inputs);

}  // namespace vorn
