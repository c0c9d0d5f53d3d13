#include "trends/mark.h"

#include "platform/clock.h"

namespace trends {

std::string CleanNote(std::string_view note) {
    std::string clean;
    clean.reserve(note.size());
    for (const char c : note) {
        clean += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? ' ' : c;
    }
    const size_t first = clean.find_first_not_of(' ');
    clean.erase(0, first == std::string::npos ? clean.size() : first);
    if (clean.size() > kMarkNoteLimit) {
        size_t cut = kMarkNoteLimit;
        while (cut > 0 && (static_cast<unsigned char>(clean[cut]) & 0xc0) == 0x80) {
            --cut;  // not inside a character
        }
        clean.resize(cut);
    }
    clean.erase(clean.find_last_not_of(' ') + 1);
    return clean;
}

std::string MarkLine(int64_t timeMs, std::string_view note) {
    std::string line = platform::IsoUtcText(timeMs) + ",mark,\"";
    for (const char c : CleanNote(note)) {
        line += c;
        if (c == '"') {
            line += '"';
        }
    }
    return line + '"';
}

bool ParseMarkNote(std::string_view cells, std::string* note) {
    if (cells.size() < 2 || cells.front() != '"' || cells.back() != '"') {
        return false;
    }
    note->clear();
    const std::string_view inner = cells.substr(1, cells.size() - 2);
    for (size_t i = 0; i < inner.size(); ++i) {
        if (inner[i] == '"' && (i + 1 == inner.size() || inner[++i] != '"')) {
            return false;  // a lone quote: the cell ended before the line did
        }
        *note += inner[i];
    }
    return true;
}

}  // namespace trends
