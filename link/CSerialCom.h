#pragma once
// The device link over a serial port: one terminal opened exclusively for byte input and output.

#include <string>

#include "link/CBaseClass.h"
#include "platform/serial_line.h"

class CSerialCom : public CBaseClass {
public:
    explicit CSerialCom(const SerialPortSettings& settings);
    // What the console opens a port with: the name cut to six characters, the rate, 8 data
    // bits, no parity, one stop bit, and the port's default configuration.
    static SerialPortSettings ConsoleSettings(const std::string& portName, uint32_t baudRate);
    // Prepares the opened port as the console's start does: line settings, then a 200 ms read
    // time-out, then stale input drained. False when the port or a step failed.
    bool PrepareAsConsole();
    ~CSerialCom() override;
    CSerialCom(const CSerialCom&) = delete;
    CSerialCom& operator=(const CSerialCom&) = delete;

    int32_t GetLinkType() override { return kSerialLinkType; }
    SerialPortSettings* GetPortSettings() override { return &m_Settings; }
    SocketAddressRecord* GetAddressRecord() override { return nullptr; }
    uint16_t DrainInput() override;
    int32_t WriteByte(uint8_t value) override;
    int32_t Write(const uint8_t* buffer, uint32_t count) override;
    int32_t WriteHeader(const uint8_t* header) override;
    int32_t ReadByte(uint8_t* value) override;
    const char* GetLocalAddress() override { return "0.0.0.0"; }
    uint16_t GetLocalPort() override { return 0; }
    uint64_t GetHardwareAddress() override { return 0; }
    const char* GetRemoteAddress() override { return "0.0.0.0"; }
    uint16_t GetRemotePort() override { return 0; }
    void SetOptionValue(int32_t) override {}
    int32_t GetOptionValue() override { return 2; }
    void SetAddressValue1(uint32_t) override {}
    uint32_t GetAddressValue1() override { return 0; }
    void SetAddressValue2(uint32_t) override {}
    uint32_t GetAddressValue2() override { return 0; }
    void SetAddressValue3(uint32_t) override {}
    uint32_t GetAddressValue3() override { return 0; }
    void ClosePort() override;
    int32_t OpenPort() override;
    int32_t ConfigurePort(uint32_t baudRate, uint8_t byteSize, uint8_t parity,
                          uint8_t stopBits) override;
    int32_t ConfigurePort() override;
    int32_t SetCommunicationTimeouts(uint32_t readInterval, uint32_t readTotalMultiplier,
                                     uint32_t readTotalConstant, uint32_t writeTotalMultiplier,
                                     uint32_t writeTotalConstant) override;
    int32_t IsLinkGood() override { return m_nPortStatus; }
    // Why the port could not be opened or configured: the device and the system's reason; for
    // a port this user may not open, the group to join and how.
    const std::string& FailureText() const { return m_strFailure; }
    // The last open was refused for lack of permission.
    bool PermissionDenied() const { return m_bPermissionDenied; }
    void SetWriteTimeout(uint32_t ms) override { m_nWriteTimeoutMs = ms; }

private:
    bool HandleValid() const { return m_hPort != platform::kInvalidSerialHandle; }
    // Sets the line values into the control block and writes it to the port.
    int32_t ApplyLineSettings(uint32_t baudRate, uint8_t byteSize, uint8_t parity,
                              uint8_t stopBits);
    // Closes the handle after a failed configuration step.
    void CloseAfterFailure();
    // Writes bytes one system call each; `paced` adds the 1 ms pause after every 16th byte.
    int32_t WriteBytes(const uint8_t* buffer, uint32_t count, bool paced);

    SerialPortSettings m_Settings;
    int m_hPort = platform::kInvalidSerialHandle;
    platform::CommTimeouts m_Timeouts;
    int32_t m_nPortStatus = 0;
    std::string m_strFailure;
    bool m_bPermissionDenied = false;
    uint32_t m_nBytesWritten = 0;
    uint32_t m_nBytesRead = 0;
    uint32_t m_nWriteTimeoutMs = 1000;
    // What one read took and ReadByte has not handed out yet, in order.
    uint8_t m_Pending[1024] = {};
    uint32_t m_nPendingStart = 0;
    uint32_t m_nPendingEnd = 0;
};
