#include "platform/serial_line.h"

// termios2 (arbitrary rates through BOTHER) lives in the kernel's headers, which clash with
// <termios.h>; this file therefore uses the kernel's definitions only.
#include <asm/termbits.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>

namespace platform {
namespace {

std::mutex g_timeoutsMutex;
std::map<int, CommTimeouts> g_timeouts;

struct RateConstant {
    uint32_t rate;
    tcflag_t constant;
};

constexpr RateConstant kRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

void SetRate(termios2* tio, uint32_t rate) {
    tcflag_t constant = BOTHER;
    for (const auto& entry : kRates) {
        if (entry.rate == rate) {
            constant = entry.constant;
        }
    }
    tio->c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    tio->c_cflag |= constant | (constant << IBSHIFT);
    tio->c_ispeed = rate;
    tio->c_ospeed = rate;
}

tcflag_t SizeFlag(uint8_t byteSize) {
    switch (byteSize) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        default:
            return CS8;
    }
}

uint8_t ByteSizeOf(tcflag_t cflag) {
    switch (cflag & CSIZE) {
        case CS5:
            return 5;
        case CS6:
            return 6;
        case CS7:
            return 7;
        default:
            return 8;
    }
}

tcflag_t ParityFlags(uint8_t parity) {
    switch (parity) {
        case ODDPARITY:
            return PARENB | PARODD;
        case EVENPARITY:
            return PARENB;
        case MARKPARITY:
            return PARENB | PARODD | CMSPAR;
        case SPACEPARITY:
            return PARENB | CMSPAR;
        default:
            return 0;
    }
}

uint8_t ParityOf(tcflag_t cflag) {
    if ((cflag & PARENB) == 0) {
        return NOPARITY;
    }
    const bool odd = (cflag & PARODD) != 0;
    if ((cflag & CMSPAR) != 0) {
        return odd ? MARKPARITY : SPACEPARITY;
    }
    return odd ? ODDPARITY : EVENPARITY;
}

CommTimeouts TimeoutsOf(int handle) {
    std::lock_guard lock(g_timeoutsMutex);
    auto it = g_timeouts.find(handle);
    return it == g_timeouts.end() ? CommTimeouts{} : it->second;
}

// How long a read of `size` bytes may wait for its first byte; -1 waits without limit.
int ReadWaitMs(const CommTimeouts& t, uint32_t size) {
    if (t.ReadIntervalTimeout == 0xFFFFFFFF && t.ReadTotalTimeoutMultiplier == 0 &&
        t.ReadTotalTimeoutConstant == 0) {
        return 0;
    }
    const uint64_t total =
        uint64_t(t.ReadTotalTimeoutMultiplier) * size + t.ReadTotalTimeoutConstant;
    if (total == 0) {
        return -1;
    }
    return total > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(total);
}

}  // namespace

int OpenSerialDevice(const char* path) {
    const int handle = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (handle < 0) {
        return kInvalidSerialHandle;
    }
    termios2 tio;
    if (::ioctl(handle, TCGETS2, &tio) != 0 || ::ioctl(handle, TIOCEXCL) != 0) {
        const int error = errno;
        ::close(handle);
        errno = error;
        return kInvalidSerialHandle;
    }
    std::lock_guard lock(g_timeoutsMutex);
    g_timeouts[handle] = CommTimeouts{};
    return handle;
}

bool CloseSerialDevice(int handle) {
    {
        std::lock_guard lock(g_timeoutsMutex);
        g_timeouts.erase(handle);
    }
    // Give up exclusive use first: the flag belongs to the terminal, not to this handle, and
    // would otherwise lock out the next open while another handle keeps the terminal alive.
    ::ioctl(handle, TIOCNXCL);
    return ::close(handle) == 0;
}

bool GetCommState(int handle, DeviceControlBlock* dcb) {
    termios2 tio;
    if (::ioctl(handle, TCGETS2, &tio) != 0) {
        return false;
    }
    dcb->BaudRate = tio.c_ospeed;
    dcb->ByteSize = ByteSizeOf(tio.c_cflag);
    dcb->Parity = ParityOf(tio.c_cflag);
    dcb->StopBits = (tio.c_cflag & CSTOPB) != 0 ? TWOSTOPBITS : ONESTOPBIT;
    dcb->fBinary = 1;
    dcb->fParity = (tio.c_iflag & INPCK) != 0;
    dcb->fOutxCtsFlow = (tio.c_cflag & CRTSCTS) != 0;
    dcb->fOutX = (tio.c_iflag & IXON) != 0;
    dcb->fInX = (tio.c_iflag & IXOFF) != 0;
    dcb->fTXContinueOnXoff = (tio.c_iflag & IXANY) == 0;
    dcb->XonChar = static_cast<char>(tio.c_cc[VSTART]);
    dcb->XoffChar = static_cast<char>(tio.c_cc[VSTOP]);
    dcb->EofChar = static_cast<char>(tio.c_cc[VEOF]);
    return true;
}

bool SetCommState(int handle, const DeviceControlBlock& dcb) {
    termios2 tio;
    if (::ioctl(handle, TCGETS2, &tio) != 0) {
        return false;
    }
    tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                     IXANY | INPCK | IGNPAR);
    tio.c_oflag &= ~OPOST;
    tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    tio.c_cflag |= CREAD | CLOCAL | SizeFlag(dcb.ByteSize) | ParityFlags(dcb.Parity);
    if (dcb.StopBits != ONESTOPBIT) {
        tio.c_cflag |= CSTOPB;
    }
    if (dcb.fParity) {
        tio.c_iflag |= INPCK;
    }
    if (dcb.fOutxCtsFlow) {
        tio.c_cflag |= CRTSCTS;
    }
    if (dcb.fOutX) {
        tio.c_iflag |= IXON;
    }
    if (dcb.fInX) {
        tio.c_iflag |= IXOFF;
    }
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    SetRate(&tio, dcb.BaudRate);
    return ::ioctl(handle, TCSETS2, &tio) == 0;
}

bool GetDefaultCommConfig(const char* path, CommConfig* config) {
    const int handle = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (handle < 0) {
        return false;
    }
    const bool ok = GetCommState(handle, &config->dcb);
    const int error = errno;
    ::close(handle);
    errno = error;
    return ok;
}

bool GetCommTimeouts(int handle, CommTimeouts* timeouts) {
    std::lock_guard lock(g_timeoutsMutex);
    auto it = g_timeouts.find(handle);
    if (it == g_timeouts.end()) {
        errno = EBADF;
        return false;
    }
    *timeouts = it->second;
    return true;
}

bool SetCommTimeouts(int handle, const CommTimeouts& timeouts) {
    std::lock_guard lock(g_timeoutsMutex);
    auto it = g_timeouts.find(handle);
    if (it == g_timeouts.end()) {
        errno = EBADF;
        return false;
    }
    it->second = timeouts;
    return true;
}

namespace {

// Waits up to the time-outs' bound for `waitBytes`, then takes up to `size` bytes.
bool ReadWithin(int handle, uint8_t* buffer, uint32_t size, uint32_t waitBytes,
                uint32_t* bytesRead) {
    *bytesRead = 0;
    if (handle < 0) {
        errno = EBADF;
        return false;
    }
    pollfd pfd{handle, POLLIN, 0};
    const int ready = ::poll(&pfd, 1, ReadWaitMs(TimeoutsOf(handle), waitBytes));
    if (ready < 0) {
        return errno == EINTR;
    }
    if (ready == 0) {
        return true;
    }
    const ssize_t got = ::read(handle, buffer, size);
    if (got < 0) {
        return errno == EAGAIN || errno == EINTR;
    }
    *bytesRead = static_cast<uint32_t>(got);
    return true;
}

}  // namespace

bool ReadFile(int handle, uint8_t* buffer, uint32_t size, uint32_t* bytesRead) {
    return ReadWithin(handle, buffer, size, size, bytesRead);
}

bool ReadArrived(int handle, uint8_t* buffer, uint32_t size, uint32_t* bytesRead) {
    return ReadWithin(handle, buffer, size, 1, bytesRead);
}

bool WriteFile(int handle, const uint8_t* buffer, uint32_t size, uint32_t* bytesWritten,
               int stallMs) {
    *bytesWritten = 0;
    while (*bytesWritten < size) {
        const ssize_t sent = ::write(handle, buffer + *bytesWritten, size - *bytesWritten);
        if (sent > 0) {
            *bytesWritten += static_cast<uint32_t>(sent);
            continue;
        }
        if (sent < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        }
        // Output buffer full: wait until the line takes more.
        pollfd pfd{handle, POLLOUT, 0};
        const int ready = ::poll(&pfd, 1, stallMs);
        if (ready < 0 && errno != EINTR) {
            return false;
        }
        if (ready == 0) {
            errno = ETIMEDOUT;
            return false;
        }
    }
    return true;
}

bool ClearCommError(int handle) {
    if (::fcntl(handle, F_GETFD) < 0) {
        return false;
    }
    return true;
}

}  // namespace platform
