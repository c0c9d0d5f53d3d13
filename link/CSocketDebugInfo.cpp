#include "link/CSocketDebugInfo.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/debug_output.h"

namespace {

struct Explanation {
    uint32_t code;
    const char* text;
};

constexpr Explanation kExplanations[] = {
    {WSA_NOT_ENOUGH_MEMORY, "WSA_NOT_ENOUGH_MEMORY: A memory allocation failure occurred.\r\n"},
    {WSAEFAULT, "WSAEFAULT: The nSockAddrLen argument is incorrect.\r\n"},
    {WSAEINVAL, "WSAEINVAL: nHow is not valid.\r\nThe socket has not been bound with Bind.\r\n"},
    {WSAEMFILE, "WSAEMFILE: No more file descriptors are available.\r\n"},
    {WSAEWOULDBLOCK,
     "WSAEWOULDBLOCK: The socket is marked as nonblocking and the Receive operation would "
     "block.\r\n"},
    {WSAEINPROGRESS, "WSAEINPROGRESS: A blocking Windows Sockets operation is in progress.\r\n"},
    {WSAENOTSOCK, "WSAENOTSOCK: The descriptor is not a socket.\r\n"},
    {WSAEDESTADDRREQ, "WSAEDESTADDRREQ: A destination address is required.\r\n"},
    {WSAEMSGSIZE,
     "WSAEMSGSIZE: The datagram was too large to fit into the specified buffer and was "
     "truncated.\r\n"},
    {WSAEPROTOTYPE, "WSAEPROTOTYPE: The specified port is the wrong type for this socket.\r\n"},
    {WSAENOPROTOOPT,
     "WSAENOPROTOOPT: The option is unknown or unsupported. In particular, SO_BROADCAST is not "
     "supported on sockets of type SOCK_STREAM, while SO_DONTLINGER, SO_KEEPALIVE, SO_LINGER, "
     "and SO_OOBINLINE are not supported on sockets of type SOCK_DGRAM.\r\n"},
    {WSAEPROTONOSUPPORT, "WSAEPROTONOSUPPORT: The specified port is not supported.\r\n"},
    {WSAESOCKTNOSUPPORT,
     "WSAESOCKTNOSUPPORT: The specified socket type is not supported in this address "
     "family.\r\n"},
    {WSAEOPNOTSUPP,
     "WSAEOPNOTSUPP: MSG_OOB was specified, but the socket is not of type SOCK_STREAM or the "
     "referenced socket is not of a type that supports the Listen operation.\r\n"},
    {WSAEAFNOSUPPORT,
     "WSAEAFNOSUPPORT: Addresses in the specified family cannot be used with this socket.\r\n"},
    {WSAEADDRINUSE, "WSAEADDRINUSE: The specified address is already in use.\r\n"},
    {WSAEADDRNOTAVAIL,
     "WSAEADDRNOTAVAIL: The specified address is not available from the local machine.\r\n"},
    {WSAENETDOWN,
     "WSAENETDOWN: The Windows Sockets implementation detected that the network subsystem "
     "failed.\r\n"},
    {WSAENETUNREACH,
     "WSAENETUNREACH: The network cannot be reached from this host at this time.\r\n"},
    {WSAENETRESET, "WSAENETRESET: Connection has timed out when SO_KEEPALIVE is set."},
    {WSAECONNABORTED,
     "WSAECONNABORTED: The virtual circuit was aborted due to timeout or other failure.\r\n"},
    {WSAECONNRESET, "WSAECONNRESET: The virtual circuit was reset by the remote side.\r\n"},
    {WSAENOBUFS, "WSAENOBUFS: No buffer space is available. The socket cannot be connected.\r\n"},
    {WSAEISCONN, "WSAEISCONN: The socket is already connected.\r\n"},
    {WSAENOTCONN, "WSAENOTCONN: The socket is not connected.\r\n"},
    {WSAESHUTDOWN,
     "WSAESHUTDOWN: The socket has been shut down; it is not possible to call Receive on a "
     "socket after ShutDown has been invoked with nHow set to 0 or 2.\r\n"},
    {WSAETIMEDOUT,
     "WSAETIMEDOUT: Attempt to connect timed out without establishing a connection.\r\n"},
    {WSAECONNREFUSED, "WSAECONNREFUSED: The attempt to connect was rejected.\r\n"},
    {WSANOTINITIALISED,
     "WSANOTINITIALISED: A successful AfxSocketInit must occur before using this API.\r\n"},
    {WSATYPE_NOT_FOUND,
     "WSATYPE_NOT_FOUND: The pServiceName parameter is not supported for the specified "
     "ai_socktype member of the pHints parameter.\r\n"},
    {WSAHOST_NOT_FOUND,
     "WSAHOST_NOT_FOUND: The name does not resolve for the supplied parameters or the "
     "pNodeName and pServiceName parameters were not provided.\r\n"},
    {WSATRY_AGAIN, "WSATRY_AGAIN: A temporary failure in name resolution occurred.\r\n"},
    {WSANO_RECOVERY, "WSANO_RECOVERY: A nonrecoverable failure in name resolution occurred.\r\n"},
};

struct ErrnoMapping {
    int error;
    uint32_t code;
};

constexpr ErrnoMapping kErrnoMappings[] = {
    {ENOMEM, WSA_NOT_ENOUGH_MEMORY},
    {EFAULT, WSAEFAULT},
    {EINVAL, WSAEINVAL},
    {EMFILE, WSAEMFILE},
    {ENFILE, WSAEMFILE},
    {EWOULDBLOCK, WSAEWOULDBLOCK},
    {EINPROGRESS, WSAEINPROGRESS},
    {EALREADY, WSAEINPROGRESS},
    {ENOTSOCK, WSAENOTSOCK},
    {EBADF, WSAENOTSOCK},
    {EDESTADDRREQ, WSAEDESTADDRREQ},
    {EMSGSIZE, WSAEMSGSIZE},
    {EPROTOTYPE, WSAEPROTOTYPE},
    {ENOPROTOOPT, WSAENOPROTOOPT},
    {EPROTONOSUPPORT, WSAEPROTONOSUPPORT},
    {ESOCKTNOSUPPORT, WSAESOCKTNOSUPPORT},
    {EOPNOTSUPP, WSAEOPNOTSUPP},
    {EAFNOSUPPORT, WSAEAFNOSUPPORT},
    {EADDRINUSE, WSAEADDRINUSE},
    {EADDRNOTAVAIL, WSAEADDRNOTAVAIL},
    {ENETDOWN, WSAENETDOWN},
    {ENETUNREACH, WSAENETUNREACH},
    {EHOSTUNREACH, WSAENETUNREACH},
    {ENETRESET, WSAENETRESET},
    {ECONNABORTED, WSAECONNABORTED},
    {ECONNRESET, WSAECONNRESET},
    {EPIPE, WSAECONNRESET},
    {ENOBUFS, WSAENOBUFS},
    {EISCONN, WSAEISCONN},
    {ENOTCONN, WSAENOTCONN},
    {ESHUTDOWN, WSAESHUTDOWN},
    {ETIMEDOUT, WSAETIMEDOUT},
    {ECONNREFUSED, WSAECONNREFUSED},
};

}  // namespace

CSocketDebugInfo::CSocketDebugInfo() = default;

void CSocketDebugInfo::ReportSocketError(uint32_t errorCode, const char* operationName) {
    platform::DebugOutput("*****\r\n");
    platform::DebugPrintf("***** %s failed.\r\n", operationName);
    const char* explanation = nullptr;
    for (const auto& entry : kExplanations) {
        if (entry.code == errorCode) {
            explanation = entry.text;
        }
    }
    if (explanation != nullptr) {
        platform::DebugOutput(explanation);
    } else {
        platform::DebugPrintf("Unknown value returned from %s.\r\n", operationName);
        platform::DebugPrintf("GetLastError=%u.\r\n", errorCode);
    }
    platform::DebugOutput("*****\r\n");
}

uint32_t CSocketDebugInfo::WsaErrorFromErrno(int error) {
    for (const auto& mapping : kErrnoMappings) {
        if (mapping.error == error) {
            return mapping.code;
        }
    }
    return static_cast<uint32_t>(error);
}

uint32_t CSocketDebugInfo::WsaErrorFromAddrInfo(int result) {
    switch (result) {
        case EAI_AGAIN:
            return WSATRY_AGAIN;
        case EAI_FAIL:
            return WSANO_RECOVERY;
        case EAI_MEMORY:
            return WSA_NOT_ENOUGH_MEMORY;
        case EAI_SOCKTYPE:
        case EAI_SERVICE:
            return WSATYPE_NOT_FOUND;
        case EAI_FAMILY:
            return WSAEAFNOSUPPORT;
        case EAI_SYSTEM:
            return WsaErrorFromErrno(errno);
        default:
            return WSAHOST_NOT_FOUND;
    }
}

uint64_t CSocketDebugInfo::GetHardwareAddress() {
    uint64_t value = 0;
    for (int i = 5; i >= 0; --i) {
        value = (value << 8) | m_Address.hardwareAddress[i];
    }
    return value;
}

void CSocketDebugInfo::SetRemoteHost(const char* host) {
    std::snprintf(m_szRemoteHost, sizeof m_szRemoteHost, "%s", host);
}

void CSocketDebugInfo::SetLocalAddress(const uint8_t address[4]) {
    if ((address[0] | address[1] | address[2] | address[3]) == 0) {
        std::snprintf(m_szLocalAddress, sizeof m_szLocalAddress, "localhost");
    } else {
        std::snprintf(m_szLocalAddress, sizeof m_szLocalAddress, "%u.%u.%u.%u", address[0],
                      address[1], address[2], address[3]);
    }
}

int CSocketDebugInfo::ResolveRemote(int socketType, sockaddr_in* target) const {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = socketType;
    addrinfo* found = nullptr;
    const int resolved = ::getaddrinfo(m_szRemoteHost, nullptr, &hints, &found);
    if (resolved != 0) {
        return resolved;
    }
    *target = *reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    ::freeaddrinfo(found);
    target->sin_port = htons(m_Address.remotePort);
    return 0;
}

bool CSocketDebugInfo::TakeLocalName(int socket) {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        return false;
    }
    m_nLocalPort = ntohs(local.sin_port);
    uint8_t address[4];
    std::memcpy(address, &local.sin_addr.s_addr, 4);
    SetLocalAddress(address);
    return true;
}

void CSocketDebugInfo::StoreValue(uint8_t bytes[4], uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

uint32_t CSocketDebugInfo::LoadValue(const uint8_t bytes[4]) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
           uint32_t(bytes[3]) << 24;
}
