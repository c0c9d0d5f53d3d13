#pragma once
// The protocol object: command frames and request/response transactions with the device, and
// the device state that replies fill (plain fields that windows read directly). One transaction
// at a time, from the window thread only; nothing here locks.

#include <cstdint>

class CBaseClass;

class CKV90T1_Comm {
public:
    static constexpr int kHeaderLength = 6;
    static constexpr uint16_t kHeaderWord = 0x0028;
    static constexpr int32_t kDefaultTimeoutMs = 1000;

    explicit CKV90T1_Comm(CBaseClass* deviceLink);
    virtual ~CKV90T1_Comm();
    CKV90T1_Comm(const CKV90T1_Comm&) = delete;
    CKV90T1_Comm& operator=(const CKV90T1_Comm&) = delete;

    virtual CBaseClass* GetDeviceLink();

    // Sends the frame in `request` (payload from offset 6, header filled in here) and reads the
    // reply, its header and replyLength payload bytes, into `reply` within the default
    // time-out. Nonzero when the whole reply arrived in time.
    int32_t SendCommand(uint16_t code, uint8_t* request, uint16_t requestLength, uint8_t* reply,
                        uint16_t replyLength);
    // The same with the time-out given in milliseconds; a time-out is logged.
    int32_t SendCommandLongTimeout(int32_t timeoutMs, uint16_t code, uint8_t* request,
                                   uint16_t requestLength, uint8_t* reply, uint16_t replyLength);
    // The null command. The transaction result; m_nLastStatus tells whether the reply was the
    // expected one.
    int32_t SendNullCommand();

    // Transaction state.
    CBaseClass* const m_pDeviceLink;
    int32_t m_nDefaultTimeout = kDefaultTimeoutMs;
    int32_t m_nLastStatus = 0;
    uint8_t m_NullReply[kHeaderLength] = {};

private:
    struct Outcome {
        int32_t result = 0;
        bool timedOut = false;
        uint16_t received = 0;
    };
    Outcome Transact(int32_t timeoutMs, uint16_t code, uint8_t* request, uint16_t requestLength,
                     uint8_t* reply, uint16_t replyLength);
};
