#include "platform/RegistryText.h"

#include <charconv>
#include <cstdio>
#include <vector>

namespace {

constexpr std::string_view kHeader = "REGEDIT4";

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    return s;
}

std::string_view Trim(std::string_view s) {
    return TrimLeft(TrimRight(s));
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}

bool IsBlankOrComment(std::string_view line) {
    const std::string_view t = Trim(line);
    return t.empty() || t.front() == ';';
}

// Reads a quoted text at the start of `in`, which must begin with '"'. "\\" and "\"" are the
// escapes; any other backslash stands for itself, so that a hand-written "C:\x" survives.
std::optional<std::string> TakeQuoted(std::string_view& in) {
    if (in.empty() || in.front() != '"') {
        return std::nullopt;
    }
    std::string out;
    for (std::size_t i = 1; i < in.size(); ++i) {
        const char c = in[i];
        if (c == '"') {
            in.remove_prefix(i + 1);
            return out;
        }
        if (c == '\\' && i + 1 < in.size() && (in[i + 1] == '\\' || in[i + 1] == '"')) {
            out.push_back(in[++i]);
        } else {
            out.push_back(c);
        }
    }
    return std::nullopt;
}

template <typename T>
bool ParseHex(std::string_view text, T& value) {
    if (text.empty()) {
        return false;
    }
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    return ec == std::errc() && end == text.data() + text.size();
}

std::optional<std::string> ParseHexBytes(std::string_view list) {
    std::string bytes;
    list = Trim(list);
    if (list.empty()) {
        return bytes;
    }
    while (true) {
        const std::size_t comma = list.find(',');
        const std::string_view item = Trim(list.substr(0, comma));
        unsigned value = 0;
        if (item.size() > 2 || !ParseHex(item, value)) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<char>(value));
        if (comma == std::string_view::npos) {
            return bytes;
        }
        list = list.substr(comma + 1);
    }
}

class Parser {
public:
    explicit Parser(std::string_view text) : m_lines(SplitLines(text)) {}

    RegistryParseResult Run() {
        RegistryParseResult result;
        if (ReadHeader()) {
            ReadBody();
        }
        if (m_error) {
            result.error = m_error;
        } else {
            result.tree = std::move(m_tree);
        }
        return result;
    }

    bool Empty() const {
        for (std::string_view line : m_lines) {
            if (!Trim(line).empty()) {
                return false;
            }
        }
        return true;
    }

private:
    void ReadBody() {
        while (m_next < m_lines.size() && !m_error) {
            const std::size_t number = m_next;
            const std::string_view line = Trim(m_lines[m_next++]);
            if (IsBlankOrComment(line)) {
                continue;
            }
            if (line.front() == '[') {
                ReadKey(line, number);
            } else if (line.front() == '"' || line.front() == '@') {
                ReadValue(line, number);
            } else {
                Fail(number, "neither a key nor a value");
            }
        }
    }

    bool ReadHeader() {
        while (m_next < m_lines.size() && IsBlankOrComment(m_lines[m_next])) {
            ++m_next;
        }
        if (m_next == m_lines.size()) {
            return true;
        }
        std::string_view first = Trim(m_lines[m_next]);
        if (first.starts_with("\xEF\xBB\xBF")) {
            first.remove_prefix(3);
        }
        if (first != kHeader) {
            Fail(m_next, "the file does not begin with REGEDIT4");
            return false;
        }
        ++m_next;
        return true;
    }

    void ReadKey(std::string_view line, std::size_t number) {
        if (line.back() != ']' || line.size() < 3 || line[1] == '-') {
            Fail(number, "malformed key line");
            return;
        }
        const std::optional<std::string> key = NormalizeKeyPath(line.substr(1, line.size() - 2));
        if (!key) {
            Fail(number, "empty key name");
            return;
        }
        // "[\-Name]" names no key either: written back it would read as a deletion line.
        if (key->front() == '-') {
            Fail(number, "malformed key line");
            return;
        }
        m_key = *key;
        m_tree.try_emplace(m_key);
    }

    void ReadValue(std::string_view line, std::size_t number) {
        if (m_key.empty()) {
            Fail(number, "a value before the first key");
            return;
        }
        std::string name;
        if (line.front() == '@') {
            line.remove_prefix(1);
        } else {
            std::optional<std::string> quoted = TakeQuoted(line);
            if (!quoted) {
                Fail(number, "unterminated value name");
                return;
            }
            name = std::move(*quoted);
        }
        line = TrimLeft(line);
        if (line.empty() || line.front() != '=') {
            Fail(number, "'=' expected after the value name");
            return;
        }
        line = TrimLeft(line.substr(1));
        std::optional<RegistryValue> value = ReadData(line, number);
        if (value) {
            SetValue(m_tree, m_key, name, std::move(*value));
        }
    }

    std::optional<RegistryValue> ReadData(std::string_view data, std::size_t number) {
        if (!data.empty() && data.front() == '"') {
            std::optional<std::string> text = TakeQuoted(data);
            if (!text || !Trim(data).empty()) {
                Fail(number, "malformed string");
                return std::nullopt;
            }
            return RegistryValue::String(*text);
        }
        if (data.starts_with("dword:")) {
            std::uint32_t value = 0;
            const std::string_view digits = Trim(data.substr(6));
            if (digits.size() > 8 || !ParseHex(digits, value)) {
                Fail(number, "malformed dword");
                return std::nullopt;
            }
            return RegistryValue::Dword(value);
        }
        if (data.starts_with("hex")) {
            return ReadHexData(data.substr(3), number);
        }
        Fail(number, "unknown value type");
        return std::nullopt;
    }

    // After "hex": ":" for binary, or "(t):" with the type t in hex.
    std::optional<RegistryValue> ReadHexData(std::string_view rest, std::size_t number) {
        std::uint32_t type = kRegistryBinary;
        if (rest.starts_with("(")) {
            const std::size_t close = rest.find(')');
            if (close == std::string_view::npos || !ParseHex(rest.substr(1, close - 1), type)) {
                Fail(number, "malformed hex type");
                return std::nullopt;
            }
            rest.remove_prefix(close + 1);
        }
        if (!rest.starts_with(":")) {
            Fail(number, "':' expected after hex");
            return std::nullopt;
        }
        std::string list(rest.substr(1));
        while (!TrimRight(list).empty() && TrimRight(list).back() == '\\') {
            list = std::string(TrimRight(list));
            list.pop_back();
            if (m_next == m_lines.size()) {
                Fail(number, "hex data continues past the end of the file");
                return std::nullopt;
            }
            list += Trim(m_lines[m_next++]);
        }
        std::optional<std::string> bytes = ParseHexBytes(list);
        if (!bytes) {
            Fail(number, "malformed hex bytes");
            return std::nullopt;
        }
        if (type == kRegistryString && !bytes->empty() && bytes->back() == '\0') {
            bytes->pop_back();
        }
        return RegistryValue{type, std::move(*bytes)};
    }

    void Fail(std::size_t index, std::string reason) {
        m_error = RegistryParseError{static_cast<int>(index) + 1, std::move(reason)};
    }

    std::vector<std::string_view> m_lines;
    std::size_t m_next = 0;
    std::string m_key;
    RegistryTree m_tree;
    std::optional<RegistryParseError> m_error;
};

std::string Quote(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') {
            out.push_back('\\');
        }
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

bool NeedsHex(std::string_view text) {
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) {
            return true;
        }
    }
    return false;
}

std::string HexBytes(std::string_view bytes) {
    std::string out;
    char item[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(item, sizeof item, "%02x", static_cast<unsigned char>(bytes[i]));
        if (i > 0) {
            out.push_back(',');
        }
        out += item;
    }
    return out;
}

std::string FormatData(const RegistryValue& value) {
    if (const std::optional<std::uint32_t> dword = value.AsDword()) {
        char text[16];
        std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(*dword));
        return std::string("dword:") + text;
    }
    if (value.type == kRegistryString && !NeedsHex(value.bytes)) {
        return Quote(value.bytes);
    }
    std::string bytes = value.bytes;
    if (value.type == kRegistryString) {
        bytes.push_back('\0');
    }
    if (value.type == kRegistryBinary) {
        return "hex:" + HexBytes(bytes);
    }
    char type[16];
    std::snprintf(type, sizeof type, "hex(%x):", static_cast<unsigned>(value.type));
    return type + HexBytes(bytes);
}

} // namespace

RegistryParseResult ParseRegistryText(std::string_view text) {
    Parser parser(text);
    if (parser.Empty()) {
        return {};
    }
    return parser.Run();
}

std::string FormatRegistryText(const RegistryTree& tree) {
    std::string out(kHeader);
    out += "\n";
    for (const auto& [key, values] : tree) {
        out += "\n[" + key + "]\n";
        for (const auto& [name, value] : values) {
            out += (name.empty() ? std::string("@") : Quote(name)) + "=" + FormatData(value) + "\n";
        }
    }
    return out;
}
