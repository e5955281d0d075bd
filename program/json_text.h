#pragma once
// JSON texts the way every file we write needs them: numbers written with
// std::to_chars and read with std::from_chars, so no process locale can turn
// "0.5" into "0,5", and every double reads back as the same double.
#include <stdexcept>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace vorn {

// Thrown for a text that is not JSON, a number out of range, or a value that
// cannot be written (a NaN or infinity, which JSON has no spelling for).
class JsonTextError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The value as indented UTF-8 JSON ending in a newline; doubles in their
// shortest round-trip form, always with a "." or an exponent so they read
// back as doubles. Throws JsonTextError for a non-finite double.
[[nodiscard]] std::string json_text(const nlohmann::json& value);

// A text from a file as a reason quotes it: in double quotes, cut after 40
// bytes and then ended with "...", so a huge token makes a short message.
[[nodiscard]] std::string quoted_token(std::string_view text);

// Parses a whole JSON text; integers are kept as int64 (a larger one is
// refused), other numbers are read with from_chars. Throws JsonTextError with
// the parser's description of what is wrong, also for an object that holds
// a key twice (which value counts would be anyone's guess).
[[nodiscard]] nlohmann::json parse_json_text(std::string_view text);

}  // namespace vorn
