#pragma once
// Stand-in for the Windows serial communications API over POSIX terminals: the device control
// block and time-out records the serial link keeps, and the calls that apply them to a port.
// Every failing call leaves its errno for LastError().

#include <cstdint>

namespace platform {

// Parity codes and stop-bit codes as the Windows serial API defines them.
enum : uint8_t { NOPARITY = 0, ODDPARITY = 1, EVENPARITY = 2, MARKPARITY = 3, SPACEPARITY = 4 };
enum : uint8_t { ONESTOPBIT = 0, ONE5STOPBITS = 1, TWOSTOPBITS = 2 };
enum : uint8_t { DTR_CONTROL_DISABLE = 0, RTS_CONTROL_DISABLE = 0 };

struct DeviceControlBlock {
    uint32_t DCBlength = sizeof(DeviceControlBlock);
    uint32_t BaudRate = 0;
    uint32_t fBinary : 1 = 0;
    uint32_t fParity : 1 = 0;
    uint32_t fOutxCtsFlow : 1 = 0;
    uint32_t fOutxDsrFlow : 1 = 0;
    uint32_t fDtrControl : 2 = 0;
    uint32_t fDsrSensitivity : 1 = 0;
    uint32_t fTXContinueOnXoff : 1 = 0;
    uint32_t fOutX : 1 = 0;
    uint32_t fInX : 1 = 0;
    uint32_t fErrorChar : 1 = 0;
    uint32_t fNull : 1 = 0;
    uint32_t fRtsControl : 2 = 0;
    uint32_t fAbortOnError : 1 = 0;
    uint32_t fDummy2 : 17 = 0;
    uint16_t wReserved = 0;
    uint16_t XonLim = 0;
    uint16_t XoffLim = 0;
    uint8_t ByteSize = 8;
    uint8_t Parity = NOPARITY;
    uint8_t StopBits = ONESTOPBIT;
    char XonChar = 0;
    char XoffChar = 0;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
    uint16_t wReserved1 = 0;
};

struct CommConfig {
    uint32_t dwSize = sizeof(CommConfig);
    uint16_t wVersion = 1;
    uint16_t wReserved = 0;
    DeviceControlBlock dcb;
};

// Time-outs in milliseconds with the Windows meaning: a read of n bytes may take
// ReadTotalTimeoutMultiplier * n + ReadTotalTimeoutConstant; an interval of 0xFFFFFFFF with
// both totals 0 returns at once; all zero waits without limit.
struct CommTimeouts {
    uint32_t ReadIntervalTimeout = 0;
    uint32_t ReadTotalTimeoutMultiplier = 0;
    uint32_t ReadTotalTimeoutConstant = 0;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;
};

constexpr int kInvalidSerialHandle = -1;

// Opens a terminal device for reading and writing, exclusively. Returns the handle or
// kInvalidSerialHandle.
int OpenSerialDevice(const char* path);
bool CloseSerialDevice(int handle);

// Reads the line settings of an open port into a control block.
bool GetCommState(int handle, DeviceControlBlock* dcb);
// Applies a control block: raw bytes, the block's rate (any rate), size, parity, stop bits and
// flow control.
bool SetCommState(int handle, const DeviceControlBlock& dcb);

// The configuration a port reports before anyone changes it: opened briefly, read, closed.
bool GetDefaultCommConfig(const char* path, CommConfig* config);

bool GetCommTimeouts(int handle, CommTimeouts* timeouts);
bool SetCommTimeouts(int handle, const CommTimeouts& timeouts);

// Reads up to `size` bytes within the time-outs; *bytesRead tells how many arrived.
bool ReadFile(int handle, uint8_t* buffer, uint32_t size, uint32_t* bytesRead);
// Waits as ReadFile does for one byte, then takes whatever has arrived, up to `size` bytes.
bool ReadArrived(int handle, uint8_t* buffer, uint32_t size, uint32_t* bytesRead);
// Writes the bytes; *bytesWritten tells how many went out. A line that takes nothing for
// `stallMs` (a peer held by flow control, one that stops reading) fails the write with
// ETIMEDOUT; -1 waits without limit.
bool WriteFile(int handle, const uint8_t* buffer, uint32_t size, uint32_t* bytesWritten,
               int stallMs = -1);

// Clears a pending line error. Terminals report none, so this only tells the port is open.
bool ClearCommError(int handle);

}  // namespace platform
