#include "problem/errors.h"

namespace vorn {

DataFileError::DataFileError(std::string file, std::int64_t line, const std::string& problem)
    : MessageError(messages::data_file_refused(file, line, problem)),
      file_(std::move(file)),
      line_(line) {}

}  // namespace vorn
