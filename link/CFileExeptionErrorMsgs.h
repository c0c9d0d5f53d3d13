#pragma once
// The file error report shared by the classes that write files.

#include <string>

// A failed file operation, by cause code.
struct CFileException {
    enum Cause {
        none = 0,
        genericException = 1,
        fileNotFound = 2,
        badPath = 3,
        tooManyOpenFiles = 4,
        accessDenied = 5,
        invalidFile = 6,
        removeCurrentDir = 7,
        directoryFull = 8,
        badSeek = 9,
        hardIO = 10,
        sharingViolation = 11,
        lockViolation = 12,
        diskFull = 13,
        endOfFile = 14,
    };

    // The cause matching a POSIX errno value.
    static CFileException FromErrno(int error);

    int m_cause = none;
};

class CFileExeptionErrorMsgs {
public:
    // Fills `text` with the cause line, writes the report to the debug output, returns `text`.
    std::string& FormatFileExceptionCause(std::string& text, const CFileException& exception);
};
