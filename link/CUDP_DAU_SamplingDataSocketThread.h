#pragma once
// The worker that receives the DAU sampling datagrams off the window thread: it fills a ring
// of 32 slots in turn, writes every accepted datagram to the recording file, and posts the
// page a message for the datagram of slot 0 only (one in 32), which the page then reads from
// the ring. The window thread opens and closes the receive socket; the datagram path takes
// no lock.

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "link/CFileExeptionErrorMsgs.h"
#include "link/DatagramFile.h"
#include "link/UdpSocket.h"

class CUDP_DAU_SamplingDataSocketThread : public CFileExeptionErrorMsgs {
public:
    static constexpr int kSlots = 32;
    static constexpr int kSlotBytes = 1416;

    // Created suspended: the receive loop starts with Resume.
    CUDP_DAU_SamplingDataSocketThread();
    // Stops the loop and waits for it.
    ~CUDP_DAU_SamplingDataSocketThread();
    CUDP_DAU_SamplingDataSocketThread(const CUDP_DAU_SamplingDataSocketThread&) = delete;
    CUDP_DAU_SamplingDataSocketThread& operator=(const CUDP_DAU_SamplingDataSocketThread&) = delete;

    void Resume();
    // A new receive socket for the remote end, recording into a new file at `path` (a file
    // that cannot be created is reported and the stream is received without recording).
    // Recording stops at the first failed write or when the disk runs short (see DatagramFile);
    // the socket's recording-stopped message then goes to its window.
    void OpenReceiveSocket(const char* remoteAddress, uint16_t remotePort, const char* path);
    void OpenReceiveSocket(const char* remoteAddress, uint16_t remotePort);
    // Stops receiving, waits until the loop has left the socket, closes the file and deletes
    // the socket.
    void CloseReceiveSocket();
    // Ends the loop; does not wait.
    void StopRunning();
    bool Exited() const { return m_bExited.load(); }

    UdpReceiveSocket* Socket() const { return m_pSocket.get(); }
    void SetExpectedLength(uint16_t length) { m_nExpectedLength = length; }
    uint16_t ExpectedLength() const { return m_nExpectedLength; }
    uint64_t ReceivedBytes() const { return m_nReceivedBytes.load(std::memory_order_relaxed); }
    // Whether a recording file is open.
    bool Recording() const { return m_file.IsOpen(); }
    // The recording: bytes written, and why it stopped when it did.
    const DatagramFile& RecordingFile() const { return m_file; }
    DatagramFile& RecordingFile() { return m_file; }

    // Copies the first `length` bytes of a slot as one datagram left them: a copy that the loop
    // overwrote meanwhile is made again. False for a slot index of 32 or more.
    bool CopySlot(int slot, uint8_t* destination, int length);

private:
    void Run();
    // One pass: waits up to 1 ms for a datagram and takes it.
    void ReceiveOne(UdpReceiveSocket& socket);
    // An accepted datagram from the landing buffer into the current slot.
    void Accept(UdpReceiveSocket& socket, int length);

    std::atomic<int> m_bRun{1};
    std::atomic<int> m_bReceiveEnabled{0};
    // Set while the loop uses the socket and the file; the window thread waits for it to clear
    // after clearing m_bReceiveEnabled.
    std::atomic<int> m_bInSocket{0};
    std::atomic<int> m_bExited{0};
    std::atomic<int> m_nThreadId{0};
    std::atomic<uint16_t> m_nExpectedLength{kSlotBytes};
    std::atomic<uint64_t> m_nReceivedBytes{0};
    std::unique_ptr<UdpReceiveSocket> m_pSocket;
    DatagramFile m_file;
    uint16_t m_nSlot = 0;  // the loop's own
    uint8_t m_Slots[kSlots][kSlotBytes] = {};
    // Where each datagram lands first, so that a slot changes only for the copy of an accepted
    // one.
    uint8_t m_Landing[kSlotBytes] = {};
    // Odd while the loop writes the slot; every write moves it on.
    std::atomic<uint32_t> m_SlotVersions[kSlots] = {};
    std::thread m_thread;
};
