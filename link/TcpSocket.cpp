#include "link/TcpSocket.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/debug_output.h"

TcpSocket::~TcpSocket() {
    StopSocket();
    if (m_hSocket >= 0) {
        ::close(m_hSocket);
    }
}

bool TcpSocket::Create() {
    m_hSocket = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    m_nStatus = m_hSocket >= 0;
    if (m_nStatus == 0) {
        ReportSocketError(WsaErrorFromErrno(errno), "CAsyncSocket::Create()");
    }
    return m_nStatus != 0;
}

void TcpSocket::StopSocket() {
    if (m_pFile != nullptr) {
        std::fclose(m_pFile);
        m_pFile = nullptr;
    }
    m_pBuffer.reset();
    if (!m_bConnected) {
        return;
    }
    if (::shutdown(m_hSocket, SHUT_RDWR) != 0) {
        ReportSocketError(WsaErrorFromErrno(errno), "CAsyncSocket::ShutDown()");
        m_nStatus = 0;
    } else {
        platform::DebugOutput(
            "***** CAsyncSocket::ShutDown() in ~TcpSocket::StopSocket() succeeded.\r\n");
    }
    ::close(m_hSocket);
    m_hSocket = -1;
    m_bConnected = false;
}

CNAND_FlashFileSocketThread::CNAND_FlashFileSocketThread()
    : m_thread(&CNAND_FlashFileSocketThread::Run, this) {}

CNAND_FlashFileSocketThread::~CNAND_FlashFileSocketThread() {
    PostThreadMessage(kStopSocketMessage);
    {
        std::lock_guard lock(m_mutex);
        m_bStop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void CNAND_FlashFileSocketThread::PostThreadMessage(uint32_t message) {
    {
        std::lock_guard lock(m_mutex);
        m_messages.push_back(message);
    }
    m_wake.notify_all();
}

bool CNAND_FlashFileSocketThread::WaitSocketCreated() {
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] { return m_bInitialised; });
    return m_bSocketCreated;
}

int CNAND_FlashFileSocketThread::StopsHandled() {
    std::lock_guard lock(m_mutex);
    return m_nStopsHandled;
}

void CNAND_FlashFileSocketThread::Run() {
    const bool created = m_Socket.Create();
    if (created) {
        platform::DebugOutput(
            "***** CAsyncSocket::Create() in CNAND_FlashFileSocketThread::InitInstance() "
            "succeeded.\r\n");
    }
    std::unique_lock lock(m_mutex);
    m_bSocketCreated = created;
    m_bInitialised = true;
    m_wake.notify_all();
    for (;;) {
        m_wake.wait(lock, [this] { return m_bStop || !m_messages.empty(); });
        while (!m_messages.empty()) {
            const uint32_t message = m_messages.front();
            m_messages.pop_front();
            if (message == kStopSocketMessage) {
                m_Socket.StopSocket();
                ++m_nStopsHandled;
            }
        }
        if (m_bStop) {
            break;
        }
    }
    // Ending, the thread stops its socket as a stop message to itself would.
    m_Socket.StopSocket();
}
