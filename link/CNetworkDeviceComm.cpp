#include "link/CNetworkDeviceComm.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/clock.h"
#include "platform/debug_output.h"
#include "platform/system_error.h"

using platform::DebugOutput;

namespace {

bool WouldBlock() {
    return errno == EAGAIN || errno == EWOULDBLOCK;
}

}  // namespace

CNetworkDeviceComm::CNetworkDeviceComm(const char* address, uint16_t port, int connectTimeoutMs) {
    SetRemoteHost(address);
    m_Address.remotePort = port;
    if (!Create() || !SetLingerOff() || !Connect(connectTimeoutMs) || !ReadLocalName()) {
        return;
    }
    DebugOutput("***** CSocket::GetSockName() in CNetworkDeviceComm() ctor succeeded.\r\n");
    platform::DebugPrintf("***** CNetworkDeviceComm() ctor Local IP Addr and Port Num: %s:%u.\r\n",
                          m_szLocalAddress, m_nLocalPort);
}

CNetworkDeviceComm::~CNetworkDeviceComm() {
    if (m_hSocket < 0) {
        return;
    }
    if (::shutdown(m_hSocket, SHUT_RDWR) != 0) {
        Fail("CSocket::ShutDown()");
    } else {
        DebugOutput("***** CSocket::ShutDown() in ~CNetworkDeviceComm() dtor succeeded.\r\n");
    }
    ::close(m_hSocket);
    m_nStatus = 0;
}

bool CNetworkDeviceComm::Reconnect(int timeoutMs) {
    if (m_hSocket >= 0) {
        ::close(m_hSocket);
        m_hSocket = -1;
    }
    m_bPeerClosed = false;
    if (!Create() || !SetLingerOff() || !Connect(timeoutMs) || !ReadLocalName()) {
        m_bPeerClosed = true;
        return false;
    }
    return true;
}

void CNetworkDeviceComm::Fail(const char* operation) {
    const int error = errno;
    m_nStatus = 0;
    m_strFailure = std::string(operation) + " failed: " + platform::SystemErrorText(error);
    ReportSocketError(WsaErrorFromErrno(error), operation);
}

bool CNetworkDeviceComm::Create() {
    m_hSocket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    m_nStatus = m_hSocket >= 0;
    if (m_nStatus == 0) {
        Fail("CSocket::Create()");
        return false;
    }
    DebugOutput("***** CSocket::Create() in CNetworkDeviceComm() ctor succeeded.\r\n");
    return true;
}

bool CNetworkDeviceComm::SetLingerOff() {
    const linger off{0, 0};
    m_nStatus = ::setsockopt(m_hSocket, SOL_SOCKET, SO_LINGER, &off, sizeof off) == 0;
    if (m_nStatus == 0) {
        Fail("CSocket::SetSockOpt()");
        return false;
    }
    DebugOutput("***** CSocket::SetSockOpt() in CNetworkDeviceComm() ctor succeeded.\r\n");
    return true;
}

// Resolves the host text, then connects without blocking and waits at most timeoutMs for the
// answer, so that an address nobody answers cannot hang the start.
bool CNetworkDeviceComm::Connect(int timeoutMs) {
    sockaddr_in target{};
    if (const int resolved = ResolveRemote(SOCK_STREAM, &target); resolved != 0) {
        m_nStatus = 0;
        m_strFailure =
            std::string("the address could not be resolved: ") + ::gai_strerror(resolved);
        ReportSocketError(WsaErrorFromAddrInfo(resolved), "CSocket::Connect()");
        return false;
    }

    const int flags = ::fcntl(m_hSocket, F_GETFL);
    ::fcntl(m_hSocket, F_SETFL, flags | O_NONBLOCK);
    int result = ::connect(m_hSocket, reinterpret_cast<const sockaddr*>(&target), sizeof target);
    if (result != 0 && errno == EINPROGRESS) {
        pollfd pfd{m_hSocket, POLLOUT, 0};
        const int ready = ::poll(&pfd, 1, timeoutMs);
        int error = ETIMEDOUT;
        socklen_t length = sizeof error;
        if (ready > 0) {
            ::getsockopt(m_hSocket, SOL_SOCKET, SO_ERROR, &error, &length);
        }
        errno = error;
        result = error == 0 ? 0 : -1;
    }
    ::fcntl(m_hSocket, F_SETFL, flags);
    m_nStatus = result == 0;
    if (m_nStatus == 0) {
        Fail("CSocket::Connect()");
        return false;
    }
    DebugOutput("***** CSocket::Connect() in CNetworkDeviceComm() ctor succeeded.\r\n");
    return true;
}

bool CNetworkDeviceComm::ReadLocalName() {
    m_nStatus = TakeLocalName(m_hSocket) ? 1 : 0;
    if (m_nStatus == 0) {
        Fail("CSocket::GetSockName()");
        return false;
    }
    return true;
}

// Other send failures are not reported: the reply's receive reports the broken connection.
bool CNetworkDeviceComm::Send(const uint8_t* buffer, uint32_t count) {
    m_bReceiveFailureReported = false;
    uint32_t sent = 0;
    while (m_hSocket >= 0 && sent < count) {
        const ssize_t result =
            ::send(m_hSocket, buffer + sent, count - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (result < 0 && errno == EINTR) {
            continue;
        }
        if (result < 0 && WouldBlock()) {
            pollfd pfd{m_hSocket, POLLOUT, 0};
            const int wait = static_cast<int>(std::min<uint32_t>(m_nWriteTimeoutMs, 0x7FFFFFFF));
            if (::poll(&pfd, 1, wait) == 0) {
                platform::DebugPrintf(
                    "***** CNetworkDeviceComm: the device took no data for %u ms; %u of %u "
                    "bytes sent.\r\n",
                    m_nWriteTimeoutMs, sent, count);
                return false;
            }
            continue;
        }
        if (result <= 0) {
            return true;
        }
        sent += static_cast<uint32_t>(result);
    }
    return true;
}

int32_t CNetworkDeviceComm::WriteByte(uint8_t value) {
    return Send(&value, 1) ? 1 : 0;
}

int32_t CNetworkDeviceComm::Write(const uint8_t* buffer, uint32_t count) {
    return Send(buffer, count) ? 1 : 0;
}

int32_t CNetworkDeviceComm::WriteHeader(const uint8_t* header) {
    return Send(header, 6) ? 1 : 0;
}

// Takes one waiting byte. With nothing waiting it waits up to 1 ms for data to arrive (the
// bound of a 1 ms sleep, without its latency) and returns 0.
int32_t CNetworkDeviceComm::ReadByte(uint8_t* value) {
    if (m_nPendingStart < m_nPendingEnd) {
        *value = m_Pending[m_nPendingStart++];
        return 1;
    }
    if (m_hSocket < 0) {  // between a lost connection and a new one
        platform::SleepMs(1);
        return 0;
    }
    ssize_t got = ::recv(m_hSocket, m_Pending, sizeof m_Pending, MSG_DONTWAIT);
    if (got < 0 && WouldBlock()) {
        pollfd pfd{m_hSocket, POLLIN, 0};
        if (::poll(&pfd, 1, 1) <= 0) {
            return 0;
        }
        got = ::recv(m_hSocket, m_Pending, sizeof m_Pending, MSG_DONTWAIT);
        if (got < 0 && WouldBlock()) {
            return 0;
        }
    }
    if (got > 0) {
        m_nPendingStart = 1;
        m_nPendingEnd = static_cast<size_t>(got);
        *value = m_Pending[0];
        return 1;
    }
    if (got < 0 && !m_bReceiveFailureReported) {
        Fail("CAsyncSocket::Receive()");
        m_bReceiveFailureReported = true;
    } else if (got < 0) {
        m_nStatus = 0;
    }
    m_bPeerClosed = true;
    // Closed or failed: pause as an idle poll would, so that a transaction does not spin.
    platform::SleepMs(1);
    return 0;
}

uint16_t CNetworkDeviceComm::DrainInput() {
    m_nDrainedCount = static_cast<uint32_t>(m_nPendingEnd - m_nPendingStart);
    m_nPendingStart = m_nPendingEnd = 0;
    const uint32_t start = platform::ProcessClockMs();
    do {
        const ssize_t got =
            ::recv(m_hSocket, m_ReceiveBuffer, sizeof m_ReceiveBuffer, MSG_DONTWAIT);
        if (got < 0 && !WouldBlock()) {
            break;
        }
        if (got <= 0) {
            platform::SleepMs(1);
            continue;
        }
        m_nDrainedCount += static_cast<uint32_t>(got);
    } while (platform::ProcessClockMs() - start < 100);
    return static_cast<uint16_t>(m_nDrainedCount);
}
