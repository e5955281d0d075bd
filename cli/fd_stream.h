#pragma once
// An output stream on a file descriptor that keeps the reason (errno) of its
// first failed write, so the runner can tell a closed pipe from a full disk.
#include <array>
#include <ostream>
#include <streambuf>

namespace vorn {

class FdOutputBuffer : public std::streambuf {
public:
    explicit FdOutputBuffer(int fd);
    ~FdOutputBuffer() override;
    FdOutputBuffer(const FdOutputBuffer&) = delete;
    FdOutputBuffer& operator=(const FdOutputBuffer&) = delete;

    // errno of the first failed write; 0 while none failed.
    [[nodiscard]] int error() const { return error_; }

protected:
    int_type overflow(int_type ch) override;
    int sync() override;

private:
    bool write_out();

    int fd_;
    int error_ = 0;
    std::array<char, 1 << 14> buffer_{};
};

class FdOutputStream : public std::ostream {
public:
    explicit FdOutputStream(int fd);

private:
    FdOutputBuffer buffer_;
};

// Why writes to `stream` failed: its buffer's errno when it is an
// FdOutputBuffer, EIO for any other failed stream, 0 for a good stream.
[[nodiscard]] int stream_error(const std::ostream& stream);

}  // namespace vorn
