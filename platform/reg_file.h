#pragma once
// A .reg file held as the lines it was read with, so that setting a value rewrites that one
// line and leaves every comment, other key, unknown line, line end and the encoding as it was.
// Reads what a registry editor exports: UTF-16LE with a byte-order mark, UTF-8 or 8-bit text,
// CR LF, LF or CR-only line ends, and hex values continued over several lines.

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct RegValue {
    uint32_t type = 0;
    std::vector<uint8_t> data;
};

class RegFile {
public:
    // False when the bytes cannot be decoded (a UTF-16 file of odd length or a broken pair);
    // the file then holds nothing and must not be rewritten.
    bool Parse(const std::string& bytes);
    // The file's bytes in the encoding it was read with.
    std::string Serialize() const;

    // Whether the text looks like a .reg file at all: an editor header or a [key] line.
    bool IsRegistryText() const { return m_registryText; }
    bool HasKey(const std::string& key) const;
    // Key and value names compare as the registry compares them, without regard to case.
    const RegValue* Find(const std::string& key, const std::string& name) const;
    // Adds an empty key at the end when the file has none of that name.
    void AddKey(const std::string& key);
    void Set(const std::string& key, const std::string& name, const RegValue& value);
    // Lines that are neither blank, comments, headers, keys nor readable values.
    int UnreadableLines() const { return m_unreadable; }
    // The names of value lines whose data could not be read, as they stand in the file. Setting
    // such a value replaces its line.
    std::vector<std::string> UnreadableValues() const;

    static constexpr const char* kHeader = "Windows Registry Editor Version 5.00";

private:
    enum class Encoding { Bytes, Utf8Bom, Utf16Le };
    // One logical line: its text as read (continuation lines and line ends included).
    struct Entry {
        std::string raw;
        int section = -1;  // index into m_sections of the key it belongs to; -1 before any key
        bool isKey = false;
        std::string name;       // the value's name, when the line names one
        bool hasValue = false;  // and its data was read
        RegValue value;
    };

    void Classify(Entry* entry, const std::string& text, bool first);
    size_t InsertionPoint(const std::string& key) const;

    Encoding m_encoding = Encoding::Bytes;
    std::string m_lineEnd = "\r\n";
    std::vector<Entry> m_entries;
    std::vector<std::string> m_sections;  // key names in order of appearance, repeats included
    bool m_registryText = false;
    int m_unreadable = 0;
};

}  // namespace platform
