#include "problem/file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace vorn {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t max_temporary_stem = 200;  // the name's bytes in the temporary's name

[[nodiscard]] std::string error_text(int error) {
    return std::error_code(error, std::generic_category()).message();
}

[[nodiscard]] FileWriteError write_error(const fs::path& file, int error) {
    return FileWriteError(messages::file_not_written(file.string(), error_text(error)));
}

// stat follows symlinks: a link to an input is that input.
[[nodiscard]] bool same_file(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The process's umask, read without changing it (umask() itself sets it,
// which other threads could see).
[[nodiscard]] mode_t current_umask() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("Umask:")) {
            try {
                return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
            } catch (const std::exception&) {
                break;
            }
        }
    }
    return 022;
}

// The mode a new file would get, or the replaced file's own.
[[nodiscard]] mode_t new_file_mode(const fs::path& target) {
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
        return info.st_mode & 07777;
    }
    return 0666 & ~current_umask();
}

[[nodiscard]] fs::path folder_of(const fs::path& target) {
    const fs::path folder = target.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

// Makes a file of a new name beside `target` (O_EXCL): `before`, the
// target's name, `after`, then six random characters. Returns its descriptor
// and fills `path`.
int make_temporary(const fs::path& target, fs::path& path, std::string_view before,
                   std::string_view after) {
    std::string stem = target.filename().string();
    if (stem.size() > max_temporary_stem) {
        stem.resize(max_temporary_stem);
    }
    const std::string name =
        (folder_of(target) / (std::string(before) + stem + std::string(after) + "XXXXXX")).string();
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    const int fd = ::mkostemp(buffer.data(), O_CLOEXEC);
    if (fd < 0) {
        throw write_error(target, errno);
    }
    path = fs::path(buffer.data());
    // mkstemp makes it 0600; the file should look as if written plainly.
    (void)::fchmod(fd, new_file_mode(target));
    return fd;
}

void sync_folder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

void refuse_input_target(const fs::path& target, std::span<const fs::path> inputs) {
    struct stat target_info {};
    if (::stat(target.c_str(), &target_info) != 0) {
        return;
    }
    for (const fs::path& input : inputs) {
        struct stat input_info {};
        if (::stat(input.c_str(), &input_info) == 0 && same_file(target_info, input_info)) {
            throw FileWriteError(messages::file_is_input(target.string(), input.string()));
        }
    }
}

FileWriter::FileWriter(fs::path target, std::span<const fs::path> inputs, Unfinished unfinished)
    : target_(std::move(target)), keep_unfinished_(unfinished == Unfinished::kept) {
    refuse_input_target(target_, inputs);
    struct stat info {};
    if (::stat(target_.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        direct_ = true;
        written_ = target_;
        fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (fd_ < 0) {
            fail(errno);
        }
        return;
    }
    if (!keep_unfinished_) {
        fd_ = make_temporary(target_, written_, ".", ".");
        return;
    }
    // A name of this writer's own, made with O_EXCL: a concurrent run with the
    // same target, an old file or a link of a similar name is never written
    // into, and commit() renames only this one.
    fd_ = make_temporary(target_, written_, "", ".partial-" + std::to_string(::getpid()) + "-");
}

FileWriter::~FileWriter() {
    if (fd_ < 0) {
        return;
    }
    if (keep_unfinished_ && !direct_) {
        (void)::fsync(fd_);
    }
    ::close(fd_);
    if (!committed_ && !direct_ && !keep_unfinished_) {
        ::unlink(written_.c_str());
    }
}

// A hidden temporary is named after its target; a kept one by its own name,
// which a stopped run's message gives too.
void FileWriter::fail(int error) const {
    throw write_error(direct_ || keep_unfinished_ ? written_ : target_, error);
}

void FileWriter::write(std::string_view bytes) {
    if (fd_ < 0) {
        fail(EBADF);
    }
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail(errno);
        }
        if (written == 0) {
            fail(EIO);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

void FileWriter::commit() {
    if (fd_ < 0) {
        fail(EBADF);
    }
    // A device or a FIFO has nothing to sync, and the reader owns it.
    if (!direct_ && ::fsync(fd_) != 0) {
        fail(errno);
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR) {
        const int error = errno;
        if (!direct_ && !keep_unfinished_) {
            ::unlink(written_.c_str());
        }
        fail(error);
    }
    if (direct_) {
        committed_ = true;
        return;
    }
    if (::rename(written_.c_str(), target_.c_str()) != 0) {
        const int error = errno;
        if (!keep_unfinished_) {
            ::unlink(written_.c_str());
        }
        throw write_error(target_, error);
    }
    committed_ = true;
    sync_folder(folder_of(target_));
}

void write_file(const fs::path& target, std::string_view content,
                std::span<const fs::path> inputs) {
    FileWriter writer(target, inputs);
    writer.write(content);
    writer.commit();
}

}  // namespace vorn
