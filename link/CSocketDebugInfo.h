#pragma once
// The addressing record of a socket and the program's socket error report. A partial link:
// the network classes derive from it and fill in the input and output.

#include <cstdint>

#include "link/CBaseClass.h"

struct sockaddr_in;

// Windows Sockets error codes, which the reports are keyed by.
enum : uint32_t {
    WSA_NOT_ENOUGH_MEMORY = 8,
    WSAEFAULT = 10014,
    WSAEINVAL = 10022,
    WSAEMFILE = 10024,
    WSAEWOULDBLOCK = 10035,
    WSAEINPROGRESS = 10036,
    WSAENOTSOCK = 10038,
    WSAEDESTADDRREQ = 10039,
    WSAEMSGSIZE = 10040,
    WSAEPROTOTYPE = 10041,
    WSAENOPROTOOPT = 10042,
    WSAEPROTONOSUPPORT = 10043,
    WSAESOCKTNOSUPPORT = 10044,
    WSAEOPNOTSUPP = 10045,
    WSAEAFNOSUPPORT = 10047,
    WSAEADDRINUSE = 10048,
    WSAEADDRNOTAVAIL = 10049,
    WSAENETDOWN = 10050,
    WSAENETUNREACH = 10051,
    WSAENETRESET = 10052,
    WSAECONNABORTED = 10053,
    WSAECONNRESET = 10054,
    WSAENOBUFS = 10055,
    WSAEISCONN = 10056,
    WSAENOTCONN = 10057,
    WSAESHUTDOWN = 10058,
    WSAETIMEDOUT = 10060,
    WSAECONNREFUSED = 10061,
    WSANOTINITIALISED = 10093,
    WSATYPE_NOT_FOUND = 10109,
    WSAHOST_NOT_FOUND = 11001,
    WSATRY_AGAIN = 11002,
    WSANO_RECOVERY = 11003,
};

class CSocketDebugInfo : public CBaseClass {
public:
    static constexpr int kHostTextSize = 260;

    CSocketDebugInfo();

    // Writes the report block for a failed socket call to the debug output.
    static void ReportSocketError(uint32_t errorCode, const char* operationName);
    // The Windows Sockets code matching a POSIX errno value.
    static uint32_t WsaErrorFromErrno(int error);
    // The Windows Sockets code matching a getaddrinfo() result.
    static uint32_t WsaErrorFromAddrInfo(int result);

    SerialPortSettings* GetPortSettings() override { return &m_Settings; }
    SocketAddressRecord* GetAddressRecord() override { return &m_Address; }
    const char* GetLocalAddress() override { return m_szLocalAddress; }
    uint16_t GetLocalPort() override { return m_nLocalPort; }
    uint64_t GetHardwareAddress() override;
    const char* GetRemoteAddress() override { return m_szRemoteHost; }
    uint16_t GetRemotePort() override { return m_Address.remotePort; }
    void SetOptionValue(int32_t value) override { m_nOptionValue = value; }
    int32_t GetOptionValue() override { return m_nOptionValue; }
    void SetAddressValue1(uint32_t value) override { StoreValue(m_Address.addressValue1, value); }
    uint32_t GetAddressValue1() override { return LoadValue(m_Address.addressValue1); }
    void SetAddressValue2(uint32_t value) override { StoreValue(m_Address.addressValue2, value); }
    uint32_t GetAddressValue2() override { return LoadValue(m_Address.addressValue2); }
    void SetAddressValue3(uint32_t value) override { StoreValue(m_Address.addressValue3, value); }
    uint32_t GetAddressValue3() override { return LoadValue(m_Address.addressValue3); }
    int32_t IsLinkGood() override { return m_nStatus; }

protected:
    void SetRemoteHost(const char* host);
    // Local address text from four address bytes: "localhost" for 0.0.0.0.
    void SetLocalAddress(const uint8_t address[4]);
    // The remote host and port as an IPv4 socket address; 0, or the getaddrinfo() result
    // when the host cannot be resolved.
    int ResolveRemote(int socketType, sockaddr_in* target) const;
    // Takes the local address and port from the socket's name; false (errno set) when the
    // system cannot say.
    bool TakeLocalName(int socket);

    SerialPortSettings m_Settings{};
    SocketAddressRecord m_Address;
    char m_szRemoteHost[kHostTextSize] = {};
    int32_t m_nOptionValue = 0;
    char m_szLocalAddress[kHostTextSize] = "localhost";
    uint16_t m_nLocalPort = 0;
    int32_t m_nStatus = 0;

private:
    static void StoreValue(uint8_t bytes[4], uint32_t value);
    static uint32_t LoadValue(const uint8_t bytes[4]);
};
