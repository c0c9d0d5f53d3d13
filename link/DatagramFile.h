#pragma once
// A recording of equal datagrams: appended through a buffer of whole datagrams, written with one
// system call per buffer. The first write that fails, or a file system that runs short of room
// (below a reserve), stops the recording: the file is cut back to whole datagrams and the
// reason is kept. Append runs on the receiving thread; the window thread reads the state.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

class DatagramFile {
public:
    static constexpr size_t kBufferBytes = 1 << 20;
    // Recording stops when the file system has less free than the smaller of these.
    static constexpr uint64_t kReserveBytes = uint64_t(1) << 30;
    static constexpr double kReserveFraction = 0.05;

    DatagramFile() = default;
    ~DatagramFile();
    DatagramFile(const DatagramFile&) = delete;
    DatagramFile& operator=(const DatagramFile&) = delete;

    // Creates (or empties) the file; false with the reason in Error().
    bool Open(const std::string& path);
    // Appends one datagram; false once the recording has stopped.
    bool Append(const uint8_t* datagram, size_t length);
    // Writes what is buffered, flushes and closes; a failure stops the recording as a write
    // does. Safe to call when nothing is open.
    void Close();

    bool IsOpen() const { return m_fd >= 0; }
    // Whether the recording stopped on a failure, and why (the file and the system's reason).
    bool Failed() const { return m_bFailed.load(std::memory_order_acquire); }
    std::string Error() const { return Failed() ? m_strError : std::string(); }
    // Bytes on the disk: whole datagrams only.
    uint64_t Written() const { return m_nWritten.load(std::memory_order_relaxed); }
    // The free room below which recording stops; tests raise it.
    void SetReserve(uint64_t bytes, double fraction);

private:
    bool Flush();
    bool RoomLeft();
    void Stop(const std::string& error);

    int m_fd = -1;
    std::string m_strPath;
    std::vector<uint8_t> m_buffer;
    size_t m_nUsed = 0;
    size_t m_nDatagram = 0;  // the length of the datagrams, from the first
    uint64_t m_nReserveBytes = kReserveBytes;
    double m_fReserveFraction = kReserveFraction;
    std::string m_strError;
    std::atomic<bool> m_bFailed{false};
    std::atomic<uint64_t> m_nWritten{0};
};
