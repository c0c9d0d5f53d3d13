#include "transfer/recorder_download.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>

#include "link/CSocketDebugInfo.h"
#include "platform/debug_output.h"

namespace recorder {
namespace {

constexpr const char* kName = "CKV90T_NAND_Flash::DownloadFile";

void Say(const char* what) {
    platform::DebugPrintf("***** %s(): %s\r\n", kName, what);
}

void SayAddress(const char* what, uint32_t address, const char* after) {
    platform::DebugPrintf("***** %s(): %s %u.%u.%u.%u%s\r\n", kName, what, address >> 24,
                          address >> 16 & 0xFF, address >> 8 & 0xFF, address & 0xFF, after);
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

Download::~Download() {
    Cancel();
}

void Download::Start(uint32_t address, uint16_t port, uint64_t expected, const std::string& path,
                     platform::WindowHandle window) {
    Cancel();
    m_nReceived = 0;
    m_bEnded = false;
    m_thread = std::thread(&Download::Run, this, address, port, expected, path, window);
}

void Download::Cancel() {
    {
        std::lock_guard lock(m_socketMutex);
        if (m_hSocket >= 0) {
            ::shutdown(m_hSocket, SHUT_RDWR);
        }
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void Download::Run(uint32_t address, uint16_t port, uint64_t expected, std::string path,
                   platform::WindowHandle window) {
    // Nothing to start or clean up on this platform: sockets need no initialisation.
    Say("Initialized WinSock.");
    const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0) {
        Say("socket() failed.");
        m_bEnded = true;
        return;
    }
    SetSocket(socket);
    Say("socket() created.");
    const std::string part = path + ".part";
    std::FILE* file = std::fopen(part.c_str(), "wb");
    Say("Starting to receive file.");
    SayAddress("Attempting to connect() to", address, ".");
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(address);
    to.sin_port = htons(port);
    const bool connected = ::connect(socket, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
    std::unique_ptr<char[]> buffer;
    if (connected) {
        SayAddress("connect() to", address, " succeeded.");
        buffer.reset(new (std::nothrow) char[kBufferBytes]);
        Say(buffer ? "pBuffer = new char[] succeeded." : "pBuffer = new char[] failed.");
    } else {
        Say("connect() failed.");
    }
    const bool receiving = buffer != nullptr;
    if (receiving) {
        Receive(socket, file, expected, buffer.get());
    }
    buffer.reset();
    if (file != nullptr) {
        std::fclose(file);
    }
    Keep(part, path);
    SetSocket(-1);
    const bool closed = ::close(socket) == 0;
    if (!receiving) {
        m_bEnded = true;
        return;
    }
    platform::DebugPrintf("***** %s(): File downloaded and saved: %s.\r\n", kName, path.c_str());
    if (!closed) {
        Say("closesocket() failed.");
        m_bEnded = true;
        return;
    }
    Say("closesocket() succeeded.");
    Say("WSACleanup() succeeded.");
    m_bEnded = true;
    platform::PostMessage(window, ID_NAND_DOWNLOAD_DONE);
}

void Download::SetSocket(int socket) {
    std::lock_guard lock(m_socketMutex);
    m_hSocket = socket;
}

// The temporary file becomes the download when anything arrived; otherwise it goes, and an
// earlier download of the same file is kept.
void Download::Keep(const std::string& part, const std::string& path) const {
    if (Received() > 0) {
        std::rename(part.c_str(), path.c_str());
    } else {
        std::remove(part.c_str());
    }
}

// Every byte is written straight from the one buffer; a closed connection or a failed receive
// ends the transfer with what arrived, never a spin.
void Download::Receive(int socket, std::FILE* file, uint64_t expected, char* buffer) {
    while (Received() < expected) {
        const ssize_t n = ::recv(socket, buffer, kBufferBytes, 0);
        if (n > 0) {
            if (file == nullptr || std::fwrite(buffer, 1, size_t(n), file) != size_t(n)) {
                Say("F.Write() threw an exception.");
                continue;
            }
            m_nReceived.fetch_add(static_cast<uint64_t>(n), std::memory_order_relaxed);
        } else if (n == 0) {
            Say("recv() returned 0, remote socket connection closed().");
            return;
        } else if (errno != EINTR && errno != EAGAIN) {
            platform::DebugPrintf("***** %s(): recv() failed with error %u.\r\n", kName,
                                  CSocketDebugInfo::WsaErrorFromErrno(errno));
            return;
        }
    }
}

}  // namespace recorder
