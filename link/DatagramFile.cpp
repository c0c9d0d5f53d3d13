#include "link/DatagramFile.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/debug_output.h"
#include "platform/system_error.h"

DatagramFile::~DatagramFile() {
    Close();
}

bool DatagramFile::Open(const std::string& path) {
    Close();
    m_strPath = path;
    m_strError.clear();
    m_bFailed = false;
    m_nWritten = 0;
    m_nUsed = 0;
    m_nDatagram = 0;
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (m_fd < 0) {
        Stop("cannot create " + path + ": " + platform::SystemErrorText(platform::LastError()));
        return false;
    }
    m_buffer.resize(kBufferBytes);
    return RoomLeft();
}

bool DatagramFile::Append(const uint8_t* datagram, size_t length) {
    if (m_fd < 0 || Failed() || length == 0 || length > kBufferBytes) {
        return false;
    }
    if (m_nDatagram == 0) {
        m_nDatagram = length;
    }
    if (m_nUsed + length > m_buffer.size() && !Flush()) {
        return false;
    }
    std::memcpy(m_buffer.data() + m_nUsed, datagram, length);
    m_nUsed += length;
    return true;
}

void DatagramFile::Close() {
    if (m_fd < 0) {
        return;
    }
    if (!Failed() && Flush() && ::fsync(m_fd) != 0) {
        Stop("cannot write " + m_strPath + ": " + platform::SystemErrorText(platform::LastError()));
    }
    if (::close(m_fd) != 0 && !Failed()) {
        Stop("cannot write " + m_strPath + ": " + platform::SystemErrorText(platform::LastError()));
    }
    m_fd = -1;
    m_buffer.clear();
    m_buffer.shrink_to_fit();
}

void DatagramFile::SetReserve(uint64_t bytes, double fraction) {
    m_nReserveBytes = bytes;
    m_fReserveFraction = fraction;
}

// Writes the buffer; a write that fails leaves the file cut back to the datagrams that were
// written whole.
bool DatagramFile::Flush() {
    size_t done = 0;
    while (done < m_nUsed) {
        const ssize_t n = ::write(m_fd, m_buffer.data() + done, m_nUsed - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            const uint64_t on = m_nWritten + done;
            const uint64_t whole = m_nDatagram == 0 ? 0 : on - on % m_nDatagram;
            [[maybe_unused]] const int cut = ::ftruncate(m_fd, static_cast<off_t>(whole));
            m_nWritten = whole;
            m_nUsed = 0;
            Stop("cannot write " + m_strPath + ": " +
                 platform::SystemErrorText(static_cast<uint32_t>(error)));
            return false;
        }
        done += static_cast<size_t>(n);
    }
    m_nWritten += done;
    m_nUsed = 0;
    return RoomLeft();
}

bool DatagramFile::RoomLeft() {
    struct statvfs room {};
    if (::fstatvfs(m_fd, &room) != 0) {
        return true;  // nothing known: the writes will tell
    }
    const uint64_t free = uint64_t(room.f_bavail) * room.f_frsize;
    const uint64_t size = uint64_t(room.f_blocks) * room.f_frsize;
    const uint64_t reserve =
        std::min(m_nReserveBytes, static_cast<uint64_t>(double(size) * m_fReserveFraction));
    if (free >= reserve) {
        return true;
    }
    Stop("the disk of " + m_strPath + " is nearly full (" + std::to_string(free >> 20) +
         " MiB free); recording stopped to keep " + std::to_string(reserve >> 20) + " MiB free");
    return false;
}

void DatagramFile::Stop(const std::string& error) {
    platform::DebugPrintf("***** Recording stopped: %s\r\n", error.c_str());
    m_strError = error;
    m_bFailed.store(true, std::memory_order_release);
}
