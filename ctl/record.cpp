#include "ctl/record.h"

#include <cmath>
#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

namespace ctl {
namespace {

std::string Number(double value) {
    if (!std::isfinite(value)) {
        return "null";  // JSON has no NaN or infinity
    }
    char text[40];
    std::snprintf(text, sizeof text, "%.7g", value);
    return text;
}

void AppendUtf8(uint32_t code, std::string* out) {
    if (code < 0x80) {
        *out += static_cast<char>(code);
    } else if (code < 0x800) {
        *out += static_cast<char>(0xC0 | code >> 6);
        *out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *out += static_cast<char>(0xE0 | code >> 12);
        *out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        *out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        *out += static_cast<char>(0xF0 | code >> 18);
        *out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        *out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        *out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The code point of the well-formed UTF-8 sequence at `at`, with its length; a byte that starts
// none stands for itself (Latin-1), length 1.
uint32_t NextCodePoint(const std::string& text, size_t at, size_t* length) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    const size_t size = lead >= 0xF0 && lead <= 0xF4   ? 4
                        : lead >= 0xE0 && lead <= 0xEF ? 3
                        : lead >= 0xC2 && lead <= 0xDF ? 2
                                                       : 1;
    uint32_t code = size == 4 ? lead & 0x07u : size == 3 ? lead & 0x0Fu : lead & 0x1Fu;
    bool wellFormed = size > 1 && at + size <= text.size();
    for (size_t i = 1; wellFormed && i < size; ++i) {
        wellFormed = (byte(at + i) & 0xC0) == 0x80;
        code = code << 6 | (byte(at + i) & 0x3Fu);
    }
    const uint32_t least = size == 4 ? 0x10000 : size == 3 ? 0x800 : 0x80;
    if (!wellFormed || code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        *length = 1;
        return lead;
    }
    *length = size;
    return code;
}

bool IsControl(uint32_t code) {
    return code < 0x20 || (code >= 0x7F && code <= 0x9F);
}

// Every code point of `text`, read as NextCodePoint reads it, given to `take`.
template <typename Take>
void ForEachCodePoint(const std::string& text, Take take) {
    for (size_t at = 0, length = 0; at < text.size(); at += length) {
        take(NextCodePoint(text, at, &length));
    }
}

}  // namespace

std::string Utf8(const std::string& text) {
    std::string utf8;
    ForEachCodePoint(text, [&](uint32_t code) { AppendUtf8(code, &utf8); });
    return utf8;
}

namespace {

// The C1 control characters, which the JSON library leaves as they are, as \u escapes: a
// terminal could take them as commands. In UTF-8 they are C2 80 to C2 9F, which no other
// character contains.
std::string EscapeC1(std::string json) {
    std::string out;
    out.reserve(json.size());
    for (size_t i = 0; i < json.size(); ++i) {
        const auto next = i + 1 < json.size() ? static_cast<unsigned char>(json[i + 1]) : 0;
        if (static_cast<unsigned char>(json[i]) == 0xC2 && next >= 0x80 && next <= 0x9F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", next);
            out += escape;
            ++i;
        } else {
            out += json[i];
        }
    }
    return out;
}

}  // namespace

std::string JsonString(const std::string& text) {
    return EscapeC1(nlohmann::json(Utf8(text)).dump());
}

std::string TextValue(const std::string& text) {
    std::string shown;
    ForEachCodePoint(text, [&](uint32_t code) {
        if (code == '\\') {
            shown += "\\\\";
        } else if (IsControl(code)) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", code);
            shown += escape;
        } else {
            AppendUtf8(code, &shown);
        }
    });
    return shown;
}

std::string DeviceText(const char* text) {
    std::string utf8;
    for (const char* c = text; *c != '\0'; ++c) {
        AppendUtf8(static_cast<unsigned char>(*c), &utf8);
    }
    return utf8;
}

Record& Record::Add(const std::string& name, int64_t value) {
    m_fields.emplace_back(name, value);
    return *this;
}
Record& Record::Add(const std::string& name, uint64_t value) {
    m_fields.emplace_back(name, value);
    return *this;
}
Record& Record::Add(const std::string& name, double value) {
    m_fields.emplace_back(name, value);
    return *this;
}
Record& Record::Add(const std::string& name, bool value) {
    m_fields.emplace_back(name, value);
    return *this;
}
Record& Record::Add(const std::string& name, const std::string& value) {
    m_fields.emplace_back(name, value);
    return *this;
}
Record& Record::Add(const std::string& name, Record value) {
    m_fields.emplace_back(name, std::make_shared<Record>(std::move(value)));
    return *this;
}
Record& Record::Add(const std::string& name, std::vector<Record> value) {
    m_fields.emplace_back(name, std::move(value));
    return *this;
}
Record& Record::AddInvalid(const std::string& name) {
    m_fields.emplace_back(name, nullptr);
    return *this;
}

// The fields as a JSON object in their order. Numbers from floating point keep the seven
// significant digits the text shows; text is made valid UTF-8 first, as JsonString reads it.
nlohmann::ordered_json Record::ToJson() const {
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    for (const auto& [name, value] : m_fields) {
        nlohmann::ordered_json& field = json[Utf8(name)];
        if (const auto* n = std::get_if<int64_t>(&value)) {
            field = *n;
        } else if (const auto* u = std::get_if<uint64_t>(&value)) {
            field = *u;
        } else if (const auto* d = std::get_if<double>(&value)) {
            field = std::isfinite(*d) ? nlohmann::ordered_json(std::stod(Number(*d))) : nullptr;
        } else if (const auto* b = std::get_if<bool>(&value)) {
            field = *b;
        } else if (const auto* s = std::get_if<std::string>(&value)) {
            field = Utf8(*s);
        } else if (const auto* r = std::get_if<std::shared_ptr<Record>>(&value)) {
            field = (*r)->ToJson();
        } else if (const auto* list = std::get_if<std::vector<Record>>(&value)) {
            field = nlohmann::ordered_json::array();
            for (const Record& item : *list) {
                field.push_back(item.ToJson());
            }
        } else {
            field = nullptr;
        }
    }
    return json;
}

std::string Record::Json() const {
    return EscapeC1(ToJson().dump());
}

std::string Record::Text(int indent) const {
    const std::string margin(static_cast<size_t>(indent), ' ');
    std::string text;
    for (const auto& [name, value] : m_fields) {
        text += margin + name + ":";
        if (const auto* n = std::get_if<int64_t>(&value)) {
            text += " " + std::to_string(*n) + "\n";
        } else if (const auto* u = std::get_if<uint64_t>(&value)) {
            text += " " + std::to_string(*u) + "\n";
        } else if (const auto* d = std::get_if<double>(&value)) {
            text += " " + Number(*d) + "\n";
        } else if (const auto* b = std::get_if<bool>(&value)) {
            text += *b ? " yes\n" : " no\n";
        } else if (const auto* s = std::get_if<std::string>(&value)) {
            text += " " + TextValue(*s) + "\n";
        } else if (const auto* r = std::get_if<std::shared_ptr<Record>>(&value)) {
            text += "\n" + (*r)->Text(indent + 2);
        } else if (const auto* list = std::get_if<std::vector<Record>>(&value)) {
            text += "\n";
            for (size_t k = 0; k < list->size(); ++k) {
                text += margin + "  - " + std::to_string(k) + "\n" + (*list)[k].Text(indent + 4);
            }
        } else {
            text += " invalid\n";
        }
    }
    return text;
}

}  // namespace ctl
