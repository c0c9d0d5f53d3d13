#include "link/CUDP_DAU_SamplingDataSocketThread.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/debug_output.h"

CUDP_DAU_SamplingDataSocketThread::CUDP_DAU_SamplingDataSocketThread() = default;

CUDP_DAU_SamplingDataSocketThread::~CUDP_DAU_SamplingDataSocketThread() {
    m_bRun = 0;
    if (m_thread.joinable()) {
        m_thread.join();
    }
    CloseReceiveSocket();
}

void CUDP_DAU_SamplingDataSocketThread::Resume() {
    if (!m_thread.joinable()) {
        m_thread = std::thread(&CUDP_DAU_SamplingDataSocketThread::Run, this);
    }
}

void CUDP_DAU_SamplingDataSocketThread::OpenReceiveSocket(const char* remoteAddress,
                                                          uint16_t remotePort, const char* path) {
    CloseReceiveSocket();
    m_pSocket = std::make_unique<UdpReceiveSocket>(remoteAddress, remotePort);
    if (!m_file.Open(path) && !m_file.IsOpen()) {
        std::string text;
        FormatFileExceptionCause(text, CFileException::FromErrno(errno));
    }
    m_nReceivedBytes = 0;
    m_nSlot = 0;
    m_bReceiveEnabled = 1;
}

void CUDP_DAU_SamplingDataSocketThread::OpenReceiveSocket(const char* remoteAddress,
                                                          uint16_t remotePort) {
    CloseReceiveSocket();
    m_pSocket = std::make_unique<UdpReceiveSocket>(remoteAddress, remotePort);
    m_nReceivedBytes = 0;
    m_nSlot = 0;
    m_bReceiveEnabled = 1;
}

void CUDP_DAU_SamplingDataSocketThread::CloseReceiveSocket() {
    m_bReceiveEnabled = 0;
    // The loop looks at the flag again after marking itself inside, so once it is seen
    // outside here it stays out: at most one receive pass (1 ms) to wait.
    while (m_bInSocket != 0) {
        std::this_thread::yield();
    }
    m_file.Close();
    m_pSocket.reset();
}

void CUDP_DAU_SamplingDataSocketThread::StopRunning() {
    m_bRun = 0;
    platform::DebugPrintf(
        "CUDP_DAU_SamplingDataSocketThread::StopRunning() Now exiting Thread ID: %d.\r\n",
        m_nThreadId.load());
}

bool CUDP_DAU_SamplingDataSocketThread::CopySlot(int slot, uint8_t* destination, int length) {
    if (slot < 0 || slot >= kSlots) {
        return false;
    }
    std::atomic<uint32_t>& version = m_SlotVersions[slot];
    const size_t count = static_cast<size_t>(std::min(length, kSlotBytes));
    for (;;) {
        const uint32_t before = version.load(std::memory_order_acquire);
        if ((before & 1) != 0) {
            std::this_thread::yield();
            continue;
        }
        std::memcpy(destination, m_Slots[slot], count);
        // A read-modify-write, so that the loop's next write of the slot is ordered after it.
        if (version.fetch_add(0, std::memory_order_acq_rel) == before) {
            return true;
        }
    }
}

void CUDP_DAU_SamplingDataSocketThread::Run() {
    m_nThreadId = static_cast<int>(::syscall(SYS_gettid));
    while (m_bRun != 0) {
        m_bInSocket = 1;
        if (m_bReceiveEnabled == 0 || m_pSocket == nullptr) {
            m_bInSocket = 0;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        ReceiveOne(*m_pSocket);
        m_bInSocket = 0;
    }
    m_bExited = 1;
}

// The receive waits on the socket (up to 1 ms) instead of a blind sleep after a would-block:
// a burst is taken as it arrives.
void CUDP_DAU_SamplingDataSocketThread::ReceiveOne(UdpReceiveSocket& socket) {
    uint32_t error = 0;
    const int length = socket.Receive(m_Landing, kSlotBytes, &error);
    if (length > 0) {
        Accept(socket, length);
    } else if (length < 0 && error != WSAEWOULDBLOCK) {
        socket.SetLinkGood(0);
        CSocketDebugInfo::ReportSocketError(error, "CAsyncSocket::Receive()");
    }
}

// Only datagrams of the stream's own length are taken: another length (a cut one included)
// would shift every sample of the recording after it.
void CUDP_DAU_SamplingDataSocketThread::Accept(UdpReceiveSocket& socket, int length) {
    const platform::WindowHandle window = socket.m_hNotifyWindow;
    if (length != m_nExpectedLength || length > kSlotBytes) {
        const uint32_t badSize = socket.m_nBadSizeMessage;
        if (window != 0 && badSize != 0) {
            platform::PostMessage(window, badSize, m_nSlot, length);
        }
        platform::DebugPrintf("Invalid Datagram size: %d.\r\n", length);
        return;
    }
    std::atomic<uint32_t>& version = m_SlotVersions[m_nSlot];
    version.fetch_add(1, std::memory_order_acq_rel);
    std::memcpy(m_Slots[m_nSlot], m_Landing, static_cast<size_t>(length));
    version.fetch_add(1, std::memory_order_release);
    if (m_file.IsOpen() && !m_file.Failed() &&
        !m_file.Append(m_Landing, static_cast<size_t>(length))) {
        const uint32_t stopped = socket.m_nRecordingStoppedMessage;
        if (window != 0 && stopped != 0) {
            platform::PostMessage(window, stopped);
        }
    }
    m_nReceivedBytes.fetch_add(static_cast<uint64_t>(length), std::memory_order_relaxed);
    const uint32_t datagram = socket.m_nDatagramMessage;
    if (m_nSlot == 0 && window != 0 && datagram != 0) {
        platform::PostMessage(window, datagram, 0, length);
    }
    m_nSlot = static_cast<uint16_t>((m_nSlot + 1) % kSlots);
}
