#include "link/CFileExeptionErrorMsgs.h"

#include <cerrno>

#include "platform/debug_output.h"

namespace {

constexpr const char* kCauseNames[] = {
    "none",         "genericException", "fileNotFound",     "badPath",       "tooManyOpenFiles",
    "accessDenied", "invalidFile",      "removeCurrentDir", "directoryFull", "badSeek",
    "hardIO",       "sharingViolation", "lockViolation",    "diskFull",      "endOfFile",
};

}  // namespace

CFileException CFileException::FromErrno(int error) {
    switch (error) {
        case 0:
            return {none};
        case ENOENT:
            return {fileNotFound};
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
            return {badPath};
        case EMFILE:
        case ENFILE:
            return {tooManyOpenFiles};
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return {accessDenied};
        case EBADF:
            return {invalidFile};
        case ESPIPE:
        case EOVERFLOW:
            return {badSeek};
        case EIO:
            return {hardIO};
        case ETXTBSY:
        case EBUSY:
            return {sharingViolation};
        case ENOLCK:
            return {lockViolation};
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return {diskFull};
        default:
            return {genericException};
    }
}

std::string& CFileExeptionErrorMsgs::FormatFileExceptionCause(std::string& text,
                                                              const CFileException& exception) {
    text = "CFileException.m_cause = ";
    const int count = static_cast<int>(std::size(kCauseNames));
    if (exception.m_cause >= 0 && exception.m_cause < count) {
        text += kCauseNames[exception.m_cause];
    }
    text += ".\r\n";
    platform::DebugOutput("CFileException Caught\r\n");
    platform::DebugOutput(text);
    return text;
}
