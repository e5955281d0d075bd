#include "cli/fd_stream.h"

#include <unistd.h>

#include <cerrno>

namespace vorn {

FdOutputBuffer::FdOutputBuffer(int fd) : fd_(fd) {
    setp(buffer_.data(), buffer_.data() + buffer_.size());
}

FdOutputBuffer::~FdOutputBuffer() {
    write_out();
}

// After a failure the rest is dropped: what follows a lost part is no use.
bool FdOutputBuffer::write_out() {
    const char* next = pbase();
    const char* const end = pptr();
    while (error_ == 0 && next < end) {
        const ssize_t written = ::write(fd_, next, static_cast<std::size_t>(end - next));
        if (written < 0) {
            if (errno != EINTR) {
                error_ = errno;
            }
        } else if (written == 0) {
            error_ = EIO;
        } else {
            next += written;
        }
    }
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    return error_ == 0;
}

FdOutputBuffer::int_type FdOutputBuffer::overflow(int_type ch) {
    if (!write_out()) {
        return traits_type::eof();
    }
    if (!traits_type::eq_int_type(ch, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(ch);
        pbump(1);
    }
    return traits_type::not_eof(ch);
}

int FdOutputBuffer::sync() {
    return write_out() ? 0 : -1;
}

FdOutputStream::FdOutputStream(int fd) : std::ostream(nullptr), buffer_(fd) {
    rdbuf(&buffer_);
}

int stream_error(const std::ostream& stream) {
    if (const auto* buffer = dynamic_cast<const FdOutputBuffer*>(stream.rdbuf())) {
        if (buffer->error() != 0) {
            return buffer->error();
        }
    }
    return stream.good() ? 0 : EIO;
}

}  // namespace vorn
