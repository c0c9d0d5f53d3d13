#include "link/UdpSocket.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>

#include "platform/debug_output.h"

using platform::DebugOutput;

UdpSocket::~UdpSocket() {
    if (m_hSocket < 0) {
        return;
    }
    if (IsLinkGood() != 0) {
        if (::shutdown(m_hSocket, SHUT_RDWR) != 0) {
            Fail("CAsyncSocket::ShutDown()");
        } else {
            DebugOutput(
                "***** CAsyncSocket::ShutDown() in ~UdpReceiveSocket() dtor succeeded.\r\n");
        }
    }
    ::close(m_hSocket);
    SetLinkGood(0);
}

void UdpSocket::Fail(const char* operation) {
    const int error = errno;
    SetLinkGood(0);
    ReportSocketError(WsaErrorFromErrno(error), operation);
}

UdpReceiveSocket::UdpReceiveSocket(const char* remoteAddress, uint16_t remotePort) {
    m_Address.remotePort = remotePort;
    SetRemoteHost(remoteAddress);
    if (!Create()) {
        return;
    }
    DebugOutput("***** CAsyncSocket::Create() in UdpReceiveSocket() ctor succeeded.\r\n");
    if (!Connect()) {
        return;
    }
    DebugOutput("***** CAsyncSocket::Connect() in UdpReceiveSocket() ctor succeeded.\r\n");
    if (!ReadLocalName()) {
        return;
    }
    DebugOutput("***** CAsyncSocket::GetSockName() in UdpReceiveSocket() ctor succeeded.\r\n");
    platform::DebugPrintf("***** UdpReceiveSocket() ctor Local IP Addr and Port Num: %s:%u.\r\n",
                          m_szLocalAddress, m_nLocalPort);
}

// A datagram socket on any local port whose receives wait at most 1 ms (one call per datagram
// however the stream runs), with a large receive buffer (a smaller one than asked for is no
// failure).
bool UdpReceiveSocket::Create() {
    m_hSocket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (m_hSocket < 0) {
        Fail("CAsyncSocket::Create()");
        return false;
    }
    const int size = kReceiveBufferBytes;
    ::setsockopt(m_hSocket, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    const timeval wait{0, kReceiveWaitMs * 1000};
    ::setsockopt(m_hSocket, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    if (::bind(m_hSocket, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
        Fail("CAsyncSocket::Create()");
        return false;
    }
    SetLinkGood(1);
    return true;
}

bool UdpReceiveSocket::Connect() {
    sockaddr_in target{};
    if (const int resolved = ResolveRemote(SOCK_DGRAM, &target); resolved != 0) {
        SetLinkGood(0);
        ReportSocketError(WsaErrorFromAddrInfo(resolved), "CAsyncSocket::Connect()");
        return false;
    }
    if (::connect(m_hSocket, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
        Fail("CAsyncSocket::Connect()");
        return false;
    }
    return true;
}

bool UdpReceiveSocket::ReadLocalName() {
    if (!TakeLocalName(m_hSocket)) {
        Fail("CAsyncSocket::GetSockName()");
        return false;
    }
    return true;
}

int UdpReceiveSocket::Receive(uint8_t* buffer, int length, uint32_t* error) {
    if (m_hSocket < 0) {
        *error = WSAENOTSOCK;
        return -1;
    }
    const ssize_t received = ::recv(m_hSocket, buffer, static_cast<size_t>(length), MSG_TRUNC);
    if (received >= 0) {
        return static_cast<int>(received);
    }
    *error = errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? WSAEWOULDBLOCK
                                                                       : WsaErrorFromErrno(errno);
    return -1;
}
