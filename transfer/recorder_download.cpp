#include "transfer/recorder_download.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>

#include "link/CSocketDebugInfo.h"
#include "platform/debug_output.h"
#include "platform/system_error.h"

namespace recorder {
namespace {

constexpr const char* kName = "CKV90T_NAND_Flash::DownloadFile";
constexpr int kStepMs = 100;  // how often a wait looks for a cancel

void Say(const char* what) {
    platform::DebugPrintf("***** %s(): %s\r\n", kName, what);
}

std::string AddressText(uint32_t address) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address >> 24, address >> 16 & 0xFF,
                  address >> 8 & 0xFF, address & 0xFF);
    return text;
}

std::string Reason(int error) {
    return platform::SystemErrorText(static_cast<uint32_t>(error));
}

std::string Count(uint64_t received, uint64_t expected) {
    return std::to_string(received) + " of " + std::to_string(expected) + " bytes";
}

std::string DurationText(uint32_t ms) {
    return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

// Writes all of `bytes`; the error names the file, or is empty.
std::string WriteAll(int file, const char* bytes, size_t count, const std::string& name) {
    while (count > 0) {
        const ssize_t n = ::write(file, bytes, count);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return "cannot write " + name + ": " + Reason(n < 0 ? errno : ENOSPC);
        }
        bytes += n;
        count -= static_cast<size_t>(n);
    }
    return {};
}

// Flushes the file to the disk and closes it; the error names the file, or is empty.
std::string SyncAndClose(int file, const std::string& name) {
    const bool synced = ::fsync(file) == 0;
    const int syncError = errno;
    if (::close(file) != 0) {
        return "cannot write " + name + ": " + Reason(errno);
    }
    return synced ? std::string() : "cannot write " + name + ": " + Reason(syncError);
}

}  // namespace

std::string SafeFileName(const std::string& name) {
    if (name.empty()) {
        return "_";
    }
    std::string safe = name;
    for (char& c : safe) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || u < 0x20 || u == 0x7F) {
            c = '_';
        }
    }
    if (safe[0] == '.') {
        safe[0] = '_';
    }
    for (size_t dots = safe.find(".."); dots != std::string::npos; dots = safe.find("..")) {
        safe.replace(dots, 2, "__");
    }
    return safe;
}

std::string DownloadName(const std::string& name) {
    const std::string safe = SafeFileName(name);
    const bool ark = safe.size() > 4 && safe.compare(safe.size() - 4, 4, ".ark") == 0;
    return ark ? safe : safe + ".ark";
}

Download::~Download() {
    Cancel();
}

void Download::Start(uint32_t address, uint16_t port, uint64_t expected, const std::string& path,
                     platform::WindowHandle window, uint32_t inactivityMs) {
    Cancel();
    m_nReceived = 0;
    m_bCancel = false;
    m_bEnded = false;
    m_thread =
        std::thread(&Download::Run, this, Job{address, port, expected, path, window, inactivityMs});
}

void Download::Cancel() {
    m_bCancel = true;
    {
        std::lock_guard lock(m_mutex);
        if (m_hSocket >= 0) {
            ::shutdown(m_hSocket, SHUT_RDWR);
        }
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

Outcome Download::Result() const {
    std::lock_guard lock(m_mutex);
    return m_outcome;
}

// The temporary file is made first, so that a folder that cannot take it fails before any
// connection; the final file is replaced only after the whole file was flushed and closed.
void Download::Run(const Job& job) {
    Say("Initialized WinSock.");
    const std::string part = PartPath(job.path);
    const int file = ::open(part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (file < 0) {
        Finish({false, 0, "cannot create " + part + ": " + Reason(errno)}, job.window);
        return;
    }
    const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    std::string error = socket < 0 ? "socket() failed: " + Reason(errno) : std::string();
    if (socket >= 0) {
        Say("socket() created.");
        Say("Starting to receive file.");
        SetSocket(socket);
        error = Connect(socket, job);
        if (error.empty()) {
            error = Receive(socket, file, job);
        }
    } else {
        Say("socket() failed.");
    }
    error = Keep(file, job.path, error);
    if (socket >= 0) {
        SetSocket(-1);
        Say(::close(socket) == 0 ? "closesocket() succeeded." : "closesocket() failed.");
    }
    if (error.empty()) {
        Say("WSACleanup() succeeded.");
    }
    Finish({error.empty(), Received(), error}, job.window);
}

// Closes the temporary file and, when nothing went wrong, puts it in the final file's place;
// a temporary file that holds nothing goes. Returns the error that ended the download.
std::string Download::Keep(int file, const std::string& path, std::string error) const {
    const std::string part = PartPath(path);
    const std::string closeError = SyncAndClose(file, part);
    error = error.empty() ? closeError : error;
    if (error.empty() && std::rename(part.c_str(), path.c_str()) != 0) {
        error = "cannot replace " + path + ": " + Reason(errno);
    }
    if (!error.empty() && Received() == 0) {
        std::remove(part.c_str());
    }
    if (error.empty()) {
        platform::DebugPrintf("***** %s(): File downloaded and saved: %s.\r\n", kName,
                              path.c_str());
    } else {
        platform::DebugPrintf("***** %s(): %s\r\n", kName, error.c_str());
    }
    return error;
}

std::string Download::Connect(int socket, const Job& job) {
    const std::string endpoint = AddressText(job.address) + ":" + std::to_string(job.port);
    platform::DebugPrintf("***** %s(): Attempting to connect() to %s.\r\n", kName,
                          AddressText(job.address).c_str());
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(job.address);
    to.sin_port = htons(job.port);
    ::fcntl(socket, F_SETFL, ::fcntl(socket, F_GETFL) | O_NONBLOCK);
    int error = ::connect(socket, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0 ? 0 : errno;
    if (error == EINPROGRESS) {
        pollfd pfd{socket, POLLOUT, 0};
        int waited = 0;
        error = ETIMEDOUT;
        while (!m_bCancel && waited < int(job.inactivityMs)) {
            if (::poll(&pfd, 1, kStepMs) > 0) {
                socklen_t length = sizeof error;
                ::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length);
                break;
            }
            waited += kStepMs;
        }
    }
    if (m_bCancel) {
        return "the download of " + job.path + " was cancelled";
    }
    if (error != 0) {
        Say("connect() failed.");
        return "cannot connect to the recorder's endpoint " + endpoint + ": " + Reason(error);
    }
    platform::DebugPrintf("***** %s(): connect() to %s succeeded.\r\n", kName,
                          AddressText(job.address).c_str());
    return {};
}

int Download::WaitReadable(int socket, uint32_t ms) const {
    pollfd pfd{socket, POLLIN, 0};
    for (uint32_t waited = 0; waited < ms; waited += kStepMs) {
        if (m_bCancel) {
            return -1;
        }
        if (::poll(&pfd, 1, kStepMs) > 0) {
            return 1;
        }
    }
    return m_bCancel ? -1 : 0;
}

// Every byte is written straight from the one buffer, and no more than announced is taken.
// The transfer ends at the announced length, the first failed write, a closed or failed
// connection, a stretch without a byte, or a cancel.
std::string Download::Receive(int socket, int file, const Job& job) {
    const std::unique_ptr<char[]> buffer(new (std::nothrow) char[kBufferBytes]);
    if (!buffer) {
        Say("pBuffer = new char[] failed.");
        return "no memory for the receive buffer";
    }
    Say("pBuffer = new char[] succeeded.");
    const std::string part = PartPath(job.path);
    while (Received() < job.expected) {
        const int ready = WaitReadable(socket, job.inactivityMs);
        if (ready < 0) {
            return "the download of " + job.path + " was cancelled after " +
                   Count(Received(), job.expected);
        }
        if (ready == 0) {
            return "download stalled: no byte for " + DurationText(job.inactivityMs) + " after " +
                   Count(Received(), job.expected);
        }
        const uint64_t wanted = std::min<uint64_t>(kBufferBytes, job.expected - Received());
        const ssize_t n = ::recv(socket, buffer.get(), size_t(wanted), 0);
        if (m_bCancel) {  // Cancel shuts the connection down under the receive
            continue;
        }
        if (n > 0) {
            if (std::string error = WriteAll(file, buffer.get(), size_t(n), part); !error.empty()) {
                return error;
            }
            m_nReceived.fetch_add(static_cast<uint64_t>(n), std::memory_order_relaxed);
        } else if (n == 0) {
            Say("recv() returned 0, remote socket connection closed().");
            return "the device closed the connection after " + Count(Received(), job.expected);
        } else if (errno != EINTR && errno != EAGAIN) {
            const int error = errno;
            platform::DebugPrintf("***** %s(): recv() failed with error %u.\r\n", kName,
                                  CSocketDebugInfo::WsaErrorFromErrno(error));
            return "the connection failed after " + Count(Received(), job.expected) + ": " +
                   Reason(error);
        }
    }
    return LookForMore(socket, job);
}

// A device that goes on sending past the length it announced is not trusted with the file.
std::string Download::LookForMore(int socket, const Job& job) {
    char extra = 0;
    if (WaitReadable(socket, kOverrunWaitMs) == 1 && ::recv(socket, &extra, 1, MSG_DONTWAIT) == 1) {
        return "the device sent more than the " + std::to_string(job.expected) +
               " bytes it announced";
    }
    return {};
}

void Download::SetSocket(int socket) {
    std::lock_guard lock(m_mutex);
    m_hSocket = socket;
}

void Download::Finish(Outcome outcome, platform::WindowHandle window) {
    {
        std::lock_guard lock(m_mutex);
        m_outcome = std::move(outcome);
    }
    m_bEnded = true;
    platform::PostMessage(window, ID_NAND_DOWNLOAD_DONE);
}

}  // namespace recorder
