#pragma once
// One result of a command: named fields in a fixed order, printed as readable text or as one
// JSON object. The field names are the stable names scripts read.

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace ctl {

class Record {
public:
    Record& Add(const std::string& name, int64_t value);
    Record& Add(const std::string& name, uint64_t value);
    Record& Add(const std::string& name, int value) { return Add(name, int64_t(value)); }
    Record& Add(const std::string& name, uint32_t value) { return Add(name, uint64_t(value)); }
    Record& Add(const std::string& name, double value);
    Record& Add(const std::string& name, bool value);
    Record& Add(const std::string& name, const std::string& value);
    Record& Add(const std::string& name, const char* value) {
        return Add(name, std::string(value));
    }
    Record& Add(const std::string& name, Record value);
    Record& Add(const std::string& name, std::vector<Record> value);
    // A value that is no reading: null in JSON, "invalid" in text.
    Record& AddInvalid(const std::string& name);

    // {"name":value,...} on one line.
    std::string Json() const;
    // "name: value" lines; nested records and lists indented under their name.
    std::string Text(int indent = 0) const;

private:
    nlohmann::ordered_json ToJson() const;

    using Value = std::variant<int64_t, uint64_t, double, bool, std::string,
                               std::shared_ptr<Record>, std::vector<Record>, std::nullptr_t>;
    std::vector<std::pair<std::string, Value>> m_fields;
};

// The text as valid UTF-8: a byte that does not belong to a UTF-8 sequence is taken as Latin-1.
std::string Utf8(const std::string& text);
// A JSON string literal, escaped: always valid UTF-8, whatever the bytes (a byte that does not
// belong to a UTF-8 sequence is taken as Latin-1), with control characters as \u escapes.
std::string JsonString(const std::string& text);
// A value for the text output: the same reading of the bytes, control characters (C0, DEL and
// C1) and the backslash escaped, so device text cannot move the terminal or break a line.
std::string TextValue(const std::string& text);
// Text the device sent: Latin-1, one byte a character, as UTF-8.
std::string DeviceText(const char* text);

}  // namespace ctl
