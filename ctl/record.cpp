#include "ctl/record.h"

#include <cmath>
#include <cstdio>

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

}  // namespace

std::string JsonString(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
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

std::string Record::Json() const {
    std::string json = "{";
    for (size_t i = 0; i < m_fields.size(); ++i) {
        const auto& [name, value] = m_fields[i];
        json += (i == 0 ? "" : ",") + JsonString(name) + ":";
        if (const auto* n = std::get_if<int64_t>(&value)) {
            json += std::to_string(*n);
        } else if (const auto* u = std::get_if<uint64_t>(&value)) {
            json += std::to_string(*u);
        } else if (const auto* d = std::get_if<double>(&value)) {
            json += Number(*d);
        } else if (const auto* b = std::get_if<bool>(&value)) {
            json += *b ? "true" : "false";
        } else if (const auto* s = std::get_if<std::string>(&value)) {
            json += JsonString(*s);
        } else if (const auto* r = std::get_if<std::shared_ptr<Record>>(&value)) {
            json += (*r)->Json();
        } else if (const auto* list = std::get_if<std::vector<Record>>(&value)) {
            json += "[";
            for (size_t k = 0; k < list->size(); ++k) {
                json += (k == 0 ? "" : ",") + (*list)[k].Json();
            }
            json += "]";
        }
    }
    return json + "}";
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
            text += " " + *s + "\n";
        } else if (const auto* r = std::get_if<std::shared_ptr<Record>>(&value)) {
            text += "\n" + (*r)->Text(indent + 2);
        } else if (const auto* list = std::get_if<std::vector<Record>>(&value)) {
            text += "\n";
            for (size_t k = 0; k < list->size(); ++k) {
                text += margin + "  - " + std::to_string(k) + "\n" + (*list)[k].Text(indent + 4);
            }
        }
    }
    return text;
}

}  // namespace ctl
