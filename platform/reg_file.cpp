#include "platform/reg_file.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace platform {
namespace {

constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && ::strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

std::string Trim(const std::string& line) {
    const size_t first = line.find_first_not_of(" \t");
    const size_t last = line.find_last_not_of(" \t");
    return first == std::string::npos ? "" : line.substr(first, last - first + 1);
}

// The text between the opening quote at text[0] and its closing quote, escapes removed;
// *end is the closing quote's index (text.size() when there is none).
std::string Unquote(const std::string& text, size_t* end) {
    std::string value;
    size_t i = 1;
    for (; i < text.size() && text[i] != '"'; ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            ++i;
        }
        value += text[i];
    }
    *end = i;
    return value;
}

std::string Quote(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "\"";
}

bool ParseHexBytes(const std::string& text, std::vector<uint8_t>* data) {
    std::stringstream bytes(text);
    std::string byte;
    while (std::getline(bytes, byte, ',')) {
        byte = Trim(byte);
        char* stop = nullptr;
        const unsigned long value = std::strtoul(byte.c_str(), &stop, 16);
        if (byte.empty() || byte.size() > 2 || *stop != '\0' || value > 0xFF) {
            return false;
        }
        data->push_back(static_cast<uint8_t>(value));
    }
    return true;
}

// Parses what follows `"name"=`: dword:0000002a, "text", hex:01,02 or hex(7):01,02.
bool ParseData(const std::string& rest, RegValue* value) {
    value->data.clear();
    if (rest.rfind("dword:", 0) == 0 && rest.size() == 14) {
        char* stop = nullptr;
        const unsigned long number = std::strtoul(rest.c_str() + 6, &stop, 16);
        if (*stop != '\0' || rest[6] == '-' || rest[6] == '+') {
            return false;
        }
        value->type = kRegDword;
        for (int i = 0; i < 4; ++i) {
            value->data.push_back(static_cast<uint8_t>(number >> (8 * i)));
        }
        return true;
    }
    if (!rest.empty() && rest[0] == '"') {
        size_t close = 0;
        const std::string text = Unquote(rest, &close);
        if (close != rest.size() - 1) {
            return false;
        }
        value->type = kRegSz;
        value->data.assign(text.begin(), text.end());
        value->data.push_back(0);
        return true;
    }
    if (rest.rfind("hex:", 0) == 0) {
        value->type = kRegBinary;
        return ParseHexBytes(rest.substr(4), &value->data);
    }
    if (rest.rfind("hex(", 0) == 0) {
        const size_t close = rest.find("):");
        char* stop = nullptr;
        const unsigned long type = std::strtoul(rest.c_str() + 4, &stop, 16);
        if (close == std::string::npos || stop != rest.c_str() + close || close == 4) {
            return false;
        }
        value->type = static_cast<uint32_t>(type);
        return ParseHexBytes(rest.substr(close + 2), &value->data);
    }
    return false;
}

// Splits `"name"=data` or `@=data` (the key's default value, named ""); false when the line
// has neither form.
bool SplitValueLine(const std::string& line, std::string* name, std::string* rest) {
    if (line.rfind("@=", 0) == 0) {
        name->clear();
        *rest = line.substr(2);
        return true;
    }
    if (line.empty() || line[0] != '"') {
        return false;
    }
    size_t end = 0;
    *name = Unquote(line, &end);
    if (end + 1 >= line.size() || line[end + 1] != '=') {
        return false;
    }
    *rest = Trim(line.substr(end + 2));
    return true;
}

std::string FormatValue(const std::string& name, const RegValue& value) {
    char text[32];
    if (value.type == kRegDword && value.data.size() == 4) {
        const auto& d = value.data;
        const uint32_t number = d[0] | d[1] << 8 | d[2] << 16 | uint32_t(d[3]) << 24;
        std::snprintf(text, sizeof text, "dword:%08x", number);
        return Quote(name) + "=" + text;
    }
    // A text with a NUL before its end is kept whole in the hex form.
    const auto end = std::find(value.data.begin(), value.data.end(), 0);
    if (value.type == kRegSz && (end == value.data.end() || end + 1 == value.data.end())) {
        return Quote(name) + "=" + Quote(std::string(value.data.begin(), end));
    }
    std::string hex = Quote(name) + "=hex";
    if (value.type != kRegBinary) {
        std::snprintf(text, sizeof text, "(%x)", value.type);
        hex += text;
    }
    hex += ":";
    for (size_t i = 0; i < value.data.size(); ++i) {
        std::snprintf(text, sizeof text, i == 0 ? "%02x" : ",%02x", value.data[i]);
        hex += text;
    }
    return hex;
}

void AppendUtf8(uint32_t code, std::string* text) {
    if (code < 0x80) {
        *text += static_cast<char>(code);
    } else if (code < 0x800) {
        *text += static_cast<char>(0xC0 | code >> 6);
        *text += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *text += static_cast<char>(0xE0 | code >> 12);
        *text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        *text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        *text += static_cast<char>(0xF0 | code >> 18);
        *text += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        *text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        *text += static_cast<char>(0x80 | (code & 0x3F));
    }
}

bool Utf16LeToUtf8(const std::string& bytes, std::string* text) {
    if (bytes.size() % 2 != 0) {
        return false;
    }
    auto unit = [&bytes](size_t i) {
        return static_cast<uint32_t>(static_cast<uint8_t>(bytes[i]) |
                                     static_cast<uint8_t>(bytes[i + 1]) << 8);
    };
    for (size_t i = 0; i < bytes.size(); i += 2) {
        uint32_t code = unit(i);
        if (code >= 0xDC00 && code < 0xE000) {
            return false;
        }
        if (code >= 0xD800 && code < 0xDC00) {
            if (i + 2 >= bytes.size() || unit(i + 2) < 0xDC00 || unit(i + 2) >= 0xE000) {
                return false;
            }
            code = 0x10000 + ((code - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        }
        AppendUtf8(code, text);
    }
    return true;
}

void AppendUtf16Le(uint32_t code, std::string* bytes) {
    auto put = [bytes](uint32_t unit) {
        *bytes += static_cast<char>(unit & 0xFF);
        *bytes += static_cast<char>(unit >> 8);
    };
    if (code >= 0x10000) {
        put(0xD800 + ((code - 0x10000) >> 10));
        put(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
        put(code);
    }
}

// The text read from UTF-16 is valid UTF-8, and so is what Set adds; a byte that does not
// start a sequence is carried as the code point of the same number.
std::string Utf8ToUtf16Le(const std::string& text) {
    std::string bytes = "\xFF\xFE";
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<uint8_t>(text[i]);
        const int length = lead < 0x80    ? 1
                           : lead >= 0xF0 ? 4
                           : lead >= 0xE0 ? 3
                           : lead >= 0xC0 ? 2
                                          : 1;
        uint32_t code = length == 1 ? lead : lead & (0x3F >> (length - 1));
        if (i + length > text.size()) {
            code = lead;
            AppendUtf16Le(code, &bytes);
            ++i;
            continue;
        }
        for (int k = 1; k < length; ++k) {
            code = code << 6 | (static_cast<uint8_t>(text[i + k]) & 0x3F);
        }
        AppendUtf16Le(code, &bytes);
        i += length;
    }
    return bytes;
}

std::string LineEndOf(const std::string& raw) {
    if (raw.size() >= 2 && raw.compare(raw.size() - 2, 2, "\r\n") == 0) {
        return "\r\n";
    }
    if (!raw.empty() && (raw.back() == '\n' || raw.back() == '\r')) {
        return raw.substr(raw.size() - 1);
    }
    return "";
}

}  // namespace

bool RegFile::Parse(const std::string& bytes) {
    *this = RegFile{};
    std::string text;
    if (bytes.rfind("\xFF\xFE", 0) == 0) {
        m_encoding = Encoding::Utf16Le;
        if (!Utf16LeToUtf8(bytes.substr(2), &text)) {
            *this = RegFile{};
            return false;
        }
    } else if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) {
        m_encoding = Encoding::Utf8Bom;
        text = bytes.substr(3);
    } else {
        text = bytes;
    }
    bool lineEndSeen = false;
    Entry entry;
    std::string joined;
    for (size_t pos = 0; pos < text.size();) {
        const size_t end = std::min(text.find_first_of("\r\n", pos), text.size());
        size_t next = end;
        if (end < text.size()) {
            next += text.compare(end, 2, "\r\n") == 0 ? 2 : 1;
        }
        if (!lineEndSeen && next > end) {
            m_lineEnd = text.substr(end, next - end);
            lineEndSeen = true;
        }
        entry.raw.append(text, pos, next - pos);
        std::string line = Trim(text.substr(pos, end - pos));
        pos = next;
        const std::string sofar = joined + line;
        const bool value = !sofar.empty() && (sofar[0] == '"' || sofar[0] == '@');
        if (value && !line.empty() && line.back() == '\\' && pos < text.size()) {
            line.pop_back();
            joined += line;
            continue;
        }
        Classify(&entry, joined + line, m_entries.empty());
        m_entries.push_back(std::move(entry));
        entry = Entry{};
        joined.clear();
    }
    return true;
}

void RegFile::Classify(Entry* entry, const std::string& text, bool first) {
    entry->section = static_cast<int>(m_sections.size()) - 1;
    if (text.empty() || text[0] == ';') {
        return;
    }
    if (first && (text == kHeader || text == "REGEDIT4")) {
        m_registryText = true;
        return;
    }
    if (text.front() == '[' && text.back() == ']') {
        m_sections.push_back(text.substr(1, text.size() - 2));
        entry->section = static_cast<int>(m_sections.size()) - 1;
        entry->isKey = true;
        m_registryText = true;
        return;
    }
    std::string rest;
    const bool named = entry->section >= 0 && SplitValueLine(text, &entry->name, &rest);
    if (!named) {
        entry->name.clear();
    }
    if (named && rest == "-") {
        entry->name.clear();
        return;  // a deletion: readable, and no value
    }
    entry->hasValue = named && ParseData(rest, &entry->value);
    if (!entry->hasValue) {
        ++m_unreadable;  // the name stays, so that a new value takes this line's place
    }
}

std::string RegFile::Serialize() const {
    std::string text;
    for (const Entry& entry : m_entries) {
        text += entry.raw;
    }
    switch (m_encoding) {
        case Encoding::Utf16Le:
            return Utf8ToUtf16Le(text);
        case Encoding::Utf8Bom:
            return "\xEF\xBB\xBF" + text;
        case Encoding::Bytes:
            break;
    }
    return text;
}

std::vector<std::string> RegFile::UnreadableValues() const {
    std::vector<std::string> names;
    for (const Entry& entry : m_entries) {
        if (!entry.hasValue && !entry.name.empty()) {
            names.push_back(entry.name);
        }
    }
    return names;
}

bool RegFile::HasKey(const std::string& key) const {
    return std::any_of(m_sections.begin(), m_sections.end(),
                       [&key](const std::string& section) { return SameName(section, key); });
}

const RegValue* RegFile::Find(const std::string& key, const std::string& name) const {
    for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it) {
        if (it->hasValue && SameName(it->name, name) && SameName(m_sections[it->section], key)) {
            return &it->value;
        }
    }
    return nullptr;
}

void RegFile::AddKey(const std::string& key) {
    if (HasKey(key)) {
        return;
    }
    if (m_entries.empty()) {
        Entry header;
        header.raw = kHeader + m_lineEnd;
        m_entries.push_back(header);
        m_registryText = true;
    }
    if (LineEndOf(m_entries.back().raw).empty()) {
        m_entries.back().raw += m_lineEnd;
    }
    m_sections.push_back(key);
    Entry heading;
    heading.raw = m_lineEnd + "[" + key + "]" + m_lineEnd;
    heading.section = static_cast<int>(m_sections.size()) - 1;
    heading.isKey = true;
    m_entries.push_back(heading);
}

// After the last line of the key's last block that is not blank; the end when there is no key.
size_t RegFile::InsertionPoint(const std::string& key) const {
    int block = -1;
    for (size_t s = 0; s < m_sections.size(); ++s) {
        if (SameName(m_sections[s], key)) {
            block = static_cast<int>(s);
        }
    }
    size_t point = m_entries.size();
    for (size_t i = 0; i < m_entries.size() && block >= 0; ++i) {
        const Entry& entry = m_entries[i];
        if (entry.section == block && (entry.isKey || !Trim(entry.raw).empty())) {
            point = i + 1;
        }
    }
    return point;
}

// A value's line is rewritten in place, a line whose data could not be read included, so that
// no second line of the same name is added.
void RegFile::Set(const std::string& key, const std::string& name, const RegValue& value) {
    for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it) {
        if (!it->name.empty() && SameName(it->name, name) &&
            SameName(m_sections[it->section], key)) {
            if (!it->hasValue) {
                --m_unreadable;
            }
            it->raw = FormatValue(it->name, value) + LineEndOf(it->raw);
            it->value = value;
            it->hasValue = true;
            return;
        }
    }
    AddKey(key);
    const size_t point = InsertionPoint(key);
    Entry& before = m_entries[point - 1];
    if (LineEndOf(before.raw).empty()) {
        before.raw += m_lineEnd;
    }
    Entry entry;
    entry.raw = FormatValue(name, value) + m_lineEnd;
    entry.section = before.section;
    entry.name = name;
    entry.hasValue = true;
    entry.value = value;
    m_entries.insert(m_entries.begin() + static_cast<ptrdiff_t>(point), std::move(entry));
}

}  // namespace platform
