#include "program/json_text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <system_error>
#include <unordered_set>
#include <vector>

namespace vorn {

namespace {

using Json = nlohmann::json;

// Shortest text that reads back as the same double, with a "." or an
// exponent so that a reader keeps it a double ("5" would come back an
// integer, "-0" would lose its sign).
void append_double(std::string& out, double value) {
    if (!std::isfinite(value)) {
        throw JsonTextError("a value is not a finite number");
    }
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    const std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
    out += text;
    if (text.find_first_of(".e") == std::string_view::npos) {
        out += ".0";
    }
}

void append_integer(std::string& out, auto value) {
    char buffer[24];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, end);
}

bool is_scalar(const Json& value) {
    return !value.is_object() && !value.is_array();
}

void append_value(std::string& out, const Json& value, int indent);

void append_newline(std::string& out, int indent) {
    out += '\n';
    out.append(static_cast<std::size_t>(indent) * 2, ' ');
}

void append_string(std::string& out, const std::string& text) {
    // Bytes that are not UTF-8 become U+FFFD instead of failing the write.
    out += Json(text).dump(-1, ' ', false, Json::error_handler_t::replace);
}

void append_object(std::string& out, const Json& value, int indent) {
    if (value.empty()) {
        out += "{}";
        return;
    }
    out += '{';
    bool first = true;
    for (const auto& [key, member] : value.items()) {
        out += first ? "" : ",";
        first = false;
        append_newline(out, indent + 1);
        append_string(out, key);
        out += ": ";
        append_value(out, member, indent + 1);
    }
    append_newline(out, indent);
    out += '}';
}

// Arrays of plain values (a gene, a pair of names) stay on one line.
void append_array(std::string& out, const Json& value, int indent) {
    if (value.empty()) {
        out += "[]";
        return;
    }
    const bool flat = std::all_of(value.begin(), value.end(), is_scalar);
    out += '[';
    bool first = true;
    for (const auto& element : value) {
        out += first ? "" : (flat ? ", " : ",");
        first = false;
        if (!flat) {
            append_newline(out, indent + 1);
        }
        append_value(out, element, indent + 1);
    }
    if (!flat) {
        append_newline(out, indent);
    }
    out += ']';
}

void append_value(std::string& out, const Json& value, int indent) {
    switch (value.type()) {
        case Json::value_t::null:
            out += "null";
            return;
        case Json::value_t::boolean:
            out += value.get<bool>() ? "true" : "false";
            return;
        case Json::value_t::number_integer:
            append_integer(out, value.get<std::int64_t>());
            return;
        case Json::value_t::number_unsigned:
            append_integer(out, value.get<std::uint64_t>());
            return;
        case Json::value_t::number_float:
            append_double(out, value.get<double>());
            return;
        case Json::value_t::string:
            append_string(out, value.get_ref<const std::string&>());
            return;
        case Json::value_t::object:
            append_object(out, value, indent);
            return;
        case Json::value_t::array:
            append_array(out, value, indent);
            return;
        case Json::value_t::binary:
        case Json::value_t::discarded:
            break;
    }
    throw JsonTextError("a value has no JSON text");
}

// The DOM builder with our own number rules: floating-point texts are read
// again with from_chars, integers above the int64 range are refused.
class ExactNumbers : public nlohmann::detail::json_sax_dom_parser<Json> {
public:
    explicit ExactNumbers(Json& root) : json_sax_dom_parser(root, true) {}

    // Copying, comparing and writing a value recurse through its nesting,
    // so a file may not nest deeper than any file we write needs.
    bool start_object(std::size_t size) {
        enter();
        keys_.emplace_back();
        return json_sax_dom_parser::start_object(size);
    }
    bool key(std::string& name) {
        if (!keys_.back().insert(name).second) {
            throw JsonTextError("the key " + quoted_token(name) + " is given twice");
        }
        return json_sax_dom_parser::key(name);
    }
    bool start_array(std::size_t size) {
        enter();
        return json_sax_dom_parser::start_array(size);
    }
    bool end_object() {
        --depth_;
        keys_.pop_back();
        return json_sax_dom_parser::end_object();
    }
    bool end_array() {
        --depth_;
        return json_sax_dom_parser::end_array();
    }

    bool number_unsigned(std::uint64_t value) {
        if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            throw JsonTextError("a whole number is too large");
        }
        return json_sax_dom_parser::number_integer(static_cast<std::int64_t>(value));
    }

    bool number_float(double /*parsed*/, const std::string& token) {
        // The lexer hands over its token with "." already swapped for the
        // process locale's decimal point; a JSON number has no other
        // character outside digits, signs and exponents.
        std::string text = token;
        for (char& c : text) {
            if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == 'e' ||
                  c == 'E')) {
                c = '.';
            }
        }
        double value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) {
            throw JsonTextError("the number " + quoted_token(text) + " is out of range");
        }
        return json_sax_dom_parser::number_float(value, text);
    }

private:
    static constexpr int deepest = 256;
    void enter() {
        if (++depth_ > deepest) {
            throw JsonTextError("values are nested more than " + std::to_string(deepest) + " deep");
        }
    }
    int depth_ = 0;
    std::vector<std::unordered_set<std::string>> keys_;  // of each open object
};

// nlohmann's texts begin with "[json.exception.parse_error.101] "; the rest
// says what and where, and ends with the token it last read, which may be
// as long as the file.
std::string plain_reason(const std::string& what) {
    std::string_view reason = what;
    if (reason.starts_with("[json.exception.")) {
        if (const auto close = reason.find("] "); close != std::string::npos) {
            reason.remove_prefix(close + 2);
        }
    }
    constexpr std::string_view last_read = "; last read: '";
    if (const auto at = reason.find(last_read); at != std::string_view::npos) {
        std::string_view token = reason.substr(at + last_read.size());
        if (token.ends_with('\'')) {
            token.remove_suffix(1);
        }
        const std::string quoted = quoted_token(token);  // in double quotes
        return std::string(reason.substr(0, at)) + "; last read: '" +
               quoted.substr(1, quoted.size() - 2) + "'";
    }
    return std::string(reason);
}

}  // namespace

std::string quoted_token(std::string_view text) {
    constexpr std::size_t shown = 40;
    return "\"" + std::string(text.substr(0, shown)) + (text.size() > shown ? "...\"" : "\"");
}

std::string json_text(const nlohmann::json& value) {
    std::string out;
    append_value(out, value, 0);
    out += '\n';
    return out;
}

nlohmann::json parse_json_text(std::string_view text) {
    Json root;
    ExactNumbers builder(root);
    try {
        Json::sax_parse(text.begin(), text.end(), &builder);
    } catch (const Json::exception& error) {
        throw JsonTextError(plain_reason(error.what()));
    }
    return root;
}

}  // namespace vorn
