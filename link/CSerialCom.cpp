#include "link/CSerialCom.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "platform/clock.h"
#include "platform/debug_output.h"
#include "platform/serial_ports.h"
#include "platform/system_error.h"

using namespace platform;

CSerialCom::CSerialCom(const SerialPortSettings& settings) : m_Settings(settings) {
    OpenPort();
}

CSerialCom::~CSerialCom() {
    if (HandleValid()) {
        CloseSerialDevice(m_hPort);
    }
}

int32_t CSerialCom::OpenPort() {
    const std::string path = SerialDevicePath(m_Settings.portName);
    m_hPort = path.empty() ? kInvalidSerialHandle : OpenSerialDevice(path.c_str());
    if (!HandleValid()) {
        const uint32_t error = path.empty() ? 2u : LastError();
        DebugPrintf("::CreateFile() error: %u\r\n", error);
        m_strFailure = path.empty() ? std::string(m_Settings.portName) + " names no serial device"
                                    : path + ": " + SystemErrorText(error);
        m_bPermissionDenied = error == uint32_t(EACCES);
        if (m_bPermissionDenied) {
            if (const std::string advice = PortPermissionAdvice(path); !advice.empty()) {
                m_strFailure = advice;
            }
        }
        m_nPortStatus = 0;
        return 0;
    }
    ClearCommError(m_hPort);
    m_nPortStatus = 1;
    return 1;
}

void CSerialCom::ClosePort() {
    if (HandleValid() && !CloseSerialDevice(m_hPort)) {
        m_nPortStatus = 0;
        DebugPrintf("::CloseHandle() error: %u\r\n", LastError());
    }
    m_hPort = kInvalidSerialHandle;
}

void CSerialCom::CloseAfterFailure() {
    m_strFailure = std::string(m_Settings.portName) +
                   " could not be configured: " + SystemErrorText(LastError());
    if (!CloseSerialDevice(m_hPort)) {
        DebugPrintf("::CloseHandle() error: %u\r\n", LastError());
    }
    m_hPort = kInvalidSerialHandle;
}

int32_t CSerialCom::ConfigurePort() {
    if (m_nPortStatus == 0 || !HandleValid()) {
        return 0;
    }
    DeviceControlBlock& dcb = m_Settings.defaultConfig.dcb;
    dcb.DCBlength = sizeof(DeviceControlBlock);
    m_nPortStatus = GetCommState(m_hPort, &dcb);
    if (m_nPortStatus == 0) {
        ClearCommError(m_hPort);
        DebugPrintf("::GetCommState() error: %u\r\n", LastError());
        CloseAfterFailure();
        return 0;
    }
    return ApplyLineSettings(m_Settings.requestedBaudRate, m_Settings.byteSize, m_Settings.parity,
                             m_Settings.stopBits);
}

int32_t CSerialCom::ConfigurePort(uint32_t baudRate, uint8_t byteSize, uint8_t parity,
                                  uint8_t stopBits) {
    if (m_nPortStatus == 0 || !HandleValid()) {
        return 0;
    }
    return ApplyLineSettings(baudRate, byteSize, parity, stopBits);
}

int32_t CSerialCom::ApplyLineSettings(uint32_t baudRate, uint8_t byteSize, uint8_t parity,
                                      uint8_t stopBits) {
    DeviceControlBlock& dcb = m_Settings.defaultConfig.dcb;
    dcb.BaudRate = baudRate;
    dcb.ByteSize = byteSize;
    dcb.Parity = parity;
    dcb.StopBits = stopBits;
    dcb.fBinary = 1;
    dcb.fParity = parity != NOPARITY;
    dcb.fOutxCtsFlow = 0;
    dcb.fOutxDsrFlow = 0;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fDsrSensitivity = 0;
    dcb.fTXContinueOnXoff = 1;
    dcb.fOutX = 0;
    dcb.fInX = 0;
    dcb.fErrorChar = 0;
    dcb.fNull = 0;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fAbortOnError = 1;
    dcb.XonLim = dcb.XoffLim = 0;
    dcb.XonChar = dcb.XoffChar = dcb.ErrorChar = dcb.EofChar = dcb.EvtChar = 0;
    dcb.wReserved = 0;

    m_nPortStatus = SetCommState(m_hPort, dcb);
    if (m_nPortStatus == 0) {
        DebugPrintf("::SetCommState() error: %u\r\n", LastError());
        CloseAfterFailure();
        return 0;
    }
    return 1;
}

int32_t CSerialCom::SetCommunicationTimeouts(uint32_t readInterval, uint32_t readTotalMultiplier,
                                             uint32_t readTotalConstant,
                                             uint32_t writeTotalMultiplier,
                                             uint32_t writeTotalConstant) {
    if (m_nPortStatus == 0 || !HandleValid()) {
        return 0;
    }
    m_nPortStatus = GetCommTimeouts(m_hPort, &m_Timeouts);
    if (m_nPortStatus == 0) {
        DebugPrintf("::GetCommTimeouts() error: %u\r\n", LastError());
        CloseAfterFailure();
        return 0;
    }
    m_Timeouts = {readInterval, readTotalMultiplier, readTotalConstant, writeTotalMultiplier,
                  writeTotalConstant};
    m_nPortStatus = platform::SetCommTimeouts(m_hPort, m_Timeouts);
    if (m_nPortStatus == 0) {
        DebugPrintf("::SetCommTimeouts() error: %u\r\n", LastError());
        CloseAfterFailure();
        return 0;
    }
    return 1;
}

SerialPortSettings CSerialCom::ConsoleSettings(const std::string& portName, uint32_t baudRate) {
    SerialPortSettings settings;
    std::snprintf(settings.portName, sizeof settings.portName, "%.6s", portName.c_str());
    settings.requestedBaudRate = baudRate;
    settings.byteSize = 8;
    settings.parity = NOPARITY;
    settings.stopBits = ONESTOPBIT;
    GetDefaultCommConfig(SerialDevicePath(settings.portName).c_str(), &settings.defaultConfig);
    return settings;
}

bool CSerialCom::PrepareAsConsole() {
    const bool usable =
        IsLinkGood() != 0 && ConfigurePort() != 0 && SetCommunicationTimeouts(0, 200, 0, 0, 0) != 0;
    DrainInput();
    return usable;
}

// A paced write pauses 1 ms after the 15th, 31st, 47th, ... byte, so that the device's receive
// FIFO keeps up; the bytes between two pauses go out in one write.
int32_t CSerialCom::WriteBytes(const uint8_t* buffer, uint32_t count, bool paced) {
    m_nBytesWritten = 0;
    bool failed = false;
    for (uint32_t i = 0; i < count && !failed;) {
        const uint32_t run = paced ? std::min(count - i, 15 - (i + 1) % 16 + 1) : count - i;
        uint32_t written = 0;
        failed = !WriteFile(m_hPort, buffer + i, run, &written,
                            static_cast<int>(std::min<uint32_t>(m_nWriteTimeoutMs, 0x7FFFFFFF)));
        m_nBytesWritten += written;
        i += run;
        if (!failed && paced && (i % 16) == 15) {
            SleepMs(1);
        }
    }
    if (!failed && m_nBytesWritten == count) {
        return 1;
    }
    m_nPortStatus = 0;
    DebugPrintf("::WriteFile() error: %u\r\n", LastError());
    ClearCommError(m_hPort);
    return 0;
}

int32_t CSerialCom::Write(const uint8_t* buffer, uint32_t count) {
    return WriteBytes(buffer, count, true);
}

int32_t CSerialCom::WriteByte(uint8_t value) {
    return WriteBytes(&value, 1, false);
}

int32_t CSerialCom::WriteHeader(const uint8_t* header) {
    return WriteBytes(header, 6, false);
}

// One read takes whatever has arrived (waiting as for one byte); the bytes are handed out in
// order before the port is asked again.
int32_t CSerialCom::ReadByte(uint8_t* value) {
    if (m_nPendingStart < m_nPendingEnd) {
        *value = m_Pending[m_nPendingStart++];
        return 1;
    }
    if (!ReadArrived(m_hPort, m_Pending, sizeof m_Pending, &m_nBytesRead)) {
        const uint32_t error = LastError();
        m_nPortStatus = 0;
        DebugPrintf("::ReadFile() error: %u, %s", error, SystemErrorText(error).c_str());
        return 0;
    }
    if (m_nBytesRead == 0) {
        return 0;
    }
    m_nPendingStart = 1;
    m_nPendingEnd = m_nBytesRead;
    *value = m_Pending[0];
    return 1;
}

uint16_t CSerialCom::DrainInput() {
    const uint32_t start = ProcessClockMs();
    uint16_t drained = static_cast<uint16_t>(m_nPendingEnd - m_nPendingStart);
    m_nPendingStart = m_nPendingEnd = 0;
    uint8_t discarded = 0;
    while (ReadByte(&discarded) != 0) {
        ++drained;
        if (ProcessClockMs() - start >= 1) {
            break;
        }
    }
    return drained;
}
