#pragma once
// Datagram sockets for the data the device sends on its own. `UdpSocket` owns a POSIX
// datagram socket with the addressing record of every link; `UdpReceiveSocket` is connected to
// one remote end (only its datagrams are received), its receive waits at most 1 ms, and it
// carries the window and messages its owner wants to be told with.

#include <atomic>
#include <cstdint>

#include "link/CSocketDebugInfo.h"
#include "platform/window_messages.h"

class UdpSocket : public CSocketDebugInfo {
public:
    UdpSocket() = default;
    ~UdpSocket() override;
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // Written by the receiving thread when a receive fails, read by the window thread.
    int32_t IsLinkGood() override { return m_bLinkGood.load(std::memory_order_relaxed); }
    void SetLinkGood(int32_t good) { m_bLinkGood.store(good, std::memory_order_relaxed); }

protected:
    // Reports the failed call with the errno it left and clears the link-good flag.
    void Fail(const char* operation);

    int m_hSocket = -1;

private:
    std::atomic<int32_t> m_bLinkGood{0};
};

class UdpReceiveSocket : public UdpSocket {
public:
    // What the socket asks of the system for its receive buffer: a burst of datagrams waits
    // there while the receiving thread writes.
    static constexpr int kReceiveBufferBytes = 8 << 20;

    UdpReceiveSocket(const char* remoteAddress, uint16_t remotePort);

    // How long a receive waits for a datagram.
    static constexpr int kReceiveWaitMs = 1;

    // One datagram into `buffer`, waiting up to kReceiveWaitMs for it: its length, or -1 with
    // the Windows Sockets code in `error` (WSAEWOULDBLOCK when none came). A datagram longer
    // than `length` is cut to it, and its whole length is returned, so the caller sees the cut.
    int Receive(uint8_t* buffer, int length, uint32_t* error);

    // Who is told of datagrams (0: nobody); set by the owner, read by the receiving thread.
    std::atomic<platform::WindowHandle> m_hNotifyWindow{0};
    std::atomic<uint32_t> m_nDatagramMessage{0};
    std::atomic<uint32_t> m_nBadSizeMessage{0};
    std::atomic<uint32_t> m_nRecordingStoppedMessage{0};

private:
    bool Create();
    bool Connect();
    bool ReadLocalName();
};
