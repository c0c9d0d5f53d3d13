#pragma once
// The recorder page's stream socket and the thread that owns it. The console never asks it to
// connect (the recorder download has a worker of its own), so the socket is created and
// stopped only; the thread's message loop carries the stop message 0x4C8.

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "link/CFileExeptionErrorMsgs.h"
#include "link/CSocketDebugInfo.h"

class TcpSocket : public CSocketDebugInfo, public CFileExeptionErrorMsgs {
public:
    static constexpr size_t kReceiveBufferBytes = 65536;

    TcpSocket() = default;
    ~TcpSocket() override;
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // A stream socket on any port; false (reported) when the system refuses one.
    bool Create();
    // Closes the file, frees the receive buffer, shuts a made connection down and closes it.
    void StopSocket();
    bool Created() const { return m_hSocket >= 0; }

private:
    int m_hSocket = -1;
    std::FILE* m_pFile = nullptr;
    std::unique_ptr<uint8_t[]> m_pBuffer;
    bool m_bConnected = false;
};

class CNAND_FlashFileSocketThread {
public:
    static constexpr uint32_t kStopSocketMessage = 0x4C8;

    // Starts the thread, which creates its socket first.
    CNAND_FlashFileSocketThread();
    // Posts the stop message and ends the thread.
    ~CNAND_FlashFileSocketThread();
    CNAND_FlashFileSocketThread(const CNAND_FlashFileSocketThread&) = delete;
    CNAND_FlashFileSocketThread& operator=(const CNAND_FlashFileSocketThread&) = delete;

    void PostThreadMessage(uint32_t message);
    // Waits until the thread has created its socket (or failed to); whether it succeeded.
    bool WaitSocketCreated();
    // How many stop messages the thread has handled.
    int StopsHandled();

private:
    void Run();

    TcpSocket m_Socket;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<uint32_t> m_messages;
    bool m_bInitialised = false;
    bool m_bSocketCreated = false;
    bool m_bStop = false;
    int m_nStopsHandled = 0;
    std::thread m_thread;
};
