#pragma once
// Operator marks: a note with its time, kept in the status log as a line of its own kind,
// "2026-12-11T14:32:00.000Z,mark,"AOS, antenna 2"", so that polls and marks stay apart and a
// spreadsheet still reads the file.

#include <cstdint>
#include <string>
#include <string_view>

namespace trends {

struct Mark {
    int64_t timeMs = 0;
    std::string note;
};

constexpr size_t kMarkNoteLimit = 400;  // bytes of a note; a longer one is cut at a character

// The note as a log keeps it: line ends and other control characters as spaces, no spaces at
// either end, at most kMarkNoteLimit bytes of whole UTF-8 characters.
std::string CleanNote(std::string_view note);
// The log line of a mark, without its end; `note` is cleaned first.
std::string MarkLine(int64_t timeMs, std::string_view note);
// The note of a mark line's cells after "time,mark,": one quoted cell; false otherwise.
bool ParseMarkNote(std::string_view cells, std::string* note);

}  // namespace trends
