#pragma once
// The device link interface: every byte exchanged with the device passes through it. The
// operations are declared in slot order; the defaults are the neutral ones.

#include <cstdint>

#include "platform/serial_line.h"

// What a serial link is opened and configured with. The control block inside the default
// configuration always holds the rate actually applied.
struct SerialPortSettings {
    char portName[8] = {};
    uint32_t requestedBaudRate = 0;
    uint8_t byteSize = 8;
    uint8_t parity = platform::NOPARITY;
    uint8_t stopBits = platform::ONESTOPBIT;
    platform::CommConfig defaultConfig;
};

// The addressing block of a socket: hardware address, three address values, remote port.
struct SocketAddressRecord {
    uint8_t hardwareAddress[6] = {};
    uint8_t addressValue1[4] = {};
    uint8_t addressValue2[4] = {};
    uint8_t addressValue3[4] = {};
    uint16_t remotePort = 0;
};

class CBaseClass {
public:
    // What GetLinkType returns for each link.
    static constexpr int32_t kSerialLinkType = 1;
    static constexpr int32_t kTcpLinkType = 2;

    virtual ~CBaseClass() = default;
    virtual int32_t GetLinkType() { return 0; }
    virtual SerialPortSettings* GetPortSettings() = 0;
    virtual SocketAddressRecord* GetAddressRecord() = 0;
    virtual uint16_t DrainInput() { return 0; }
    virtual int32_t WriteByte(uint8_t) { return 0; }
    virtual int32_t Write(const uint8_t*, uint32_t) { return 0; }
    virtual int32_t WriteHeader(const uint8_t*) { return 0; }
    virtual int32_t ReadByte(uint8_t*) { return 0; }
    virtual const char* GetLocalAddress() = 0;
    virtual uint16_t GetLocalPort() = 0;
    virtual uint64_t GetHardwareAddress() { return 0; }
    virtual const char* GetRemoteAddress() = 0;
    virtual uint16_t GetRemotePort() = 0;
    virtual void SetOptionValue(int32_t value) = 0;
    virtual int32_t GetOptionValue() = 0;
    virtual void SetAddressValue1(uint32_t value) = 0;
    virtual uint32_t GetAddressValue1() = 0;
    virtual void SetAddressValue2(uint32_t value) = 0;
    virtual uint32_t GetAddressValue2() = 0;
    virtual void SetAddressValue3(uint32_t value) = 0;
    virtual uint32_t GetAddressValue3() = 0;
    virtual void ClosePort() {}
    virtual int32_t OpenPort() { return 0; }
    virtual int32_t ConfigurePort(uint32_t, uint8_t, uint8_t, uint8_t) { return 0; }
    virtual int32_t ConfigurePort() { return 0; }
    virtual int32_t SetCommunicationTimeouts(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {
        return 0;
    }
    virtual int32_t IsLinkGood() { return 0; }
    // How long a write may wait for the device to take more bytes before it fails; the
    // protocol object sets its transaction's time-out before each request.
    virtual void SetWriteTimeout(uint32_t) {}
};
