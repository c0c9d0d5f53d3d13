#pragma once
// The device link over one TCP connection to the device, made once in the constructor.

#include <cstdint>
#include <string>

#include "link/CSocketDebugInfo.h"

class CNetworkDeviceComm : public CSocketDebugInfo {
public:
    static constexpr uint16_t kDevicePort = 5000;
    static constexpr int kReceiveBufferSize = 2054;
    // A device that does not answer the connect gives up after this long.
    static constexpr int kDefaultConnectTimeoutMs = 10000;

    CNetworkDeviceComm(const char* address, uint16_t port,
                       int connectTimeoutMs = kDefaultConnectTimeoutMs);
    ~CNetworkDeviceComm() override;
    CNetworkDeviceComm(const CNetworkDeviceComm&) = delete;
    CNetworkDeviceComm& operator=(const CNetworkDeviceComm&) = delete;

    int32_t GetLinkType() override { return kTcpLinkType; }
    uint16_t DrainInput() override;
    int32_t WriteByte(uint8_t value) override;
    int32_t Write(const uint8_t* buffer, uint32_t count) override;
    int32_t WriteHeader(const uint8_t* header) override;
    int32_t ReadByte(uint8_t* value) override;
    void SetWriteTimeout(uint32_t ms) override { m_nWriteTimeoutMs = ms; }

    // Why the connection could not be made or was lost: the operation and the system's reason.
    const std::string& FailureText() const { return m_strFailure; }
    // Whether the device closed the connection (a read found its end).
    bool PeerClosed() const { return m_bPeerClosed; }
    // Makes a new connection to the same device, waiting at most `timeoutMs`; true on success.
    bool Reconnect(int timeoutMs);

private:
    bool Create();
    bool SetLingerOff();
    bool Connect(int timeoutMs);
    bool ReadLocalName();
    // Reports the failure of `operation` with the thread's last error and clears the status.
    void Fail(const char* operation);
    // Sends everything; false only when the device took nothing for the write time-out. Every
    // send begins a transaction, after which a receive failure is reported once.
    bool Send(const uint8_t* buffer, uint32_t count);

    int m_hSocket = -1;
    std::string m_strFailure;
    bool m_bPeerClosed = false;
    bool m_bReceiveFailureReported = false;
    uint32_t m_nWriteTimeoutMs = 1000;
    uint32_t m_nDrainedCount = 0;
    uint8_t m_ReceiveBuffer[kReceiveBufferSize] = {};
    // What one receive took and ReadByte has not handed out yet, in order: one system call
    // serves a whole reply. It outlives a reconnect, as the bytes were the device's.
    uint8_t m_Pending[4096] = {};
    size_t m_nPendingStart = 0;
    size_t m_nPendingEnd = 0;
};
