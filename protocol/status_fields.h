#pragma once
// The status values a channel status poll leaves behind, declared once: each field's key (the
// status log's column and kv90t-ctl's JSON key), its unit, its kind, the range the device can
// report and how it is read from the record. The status log, kv90t-ctl's status and the main
// window's range checks are driven from this table, in its order.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "protocol/device_state.h"

namespace protocol {

enum class FieldKind {
    kLevel,      // a measured level (dBm, counts)
    kFrequency,  // Hz, signed
    kRate,       // symbols a second
    kIndex,      // a modulation index
    kLockState,  // a state number of a lock sequence
    kLockLevel,  // what a lock state means: -1 not enabled, 0 no, 1 partly, 2 locked
    kFlag,       // a lock or status bit: 0 or 1
    kEnable,     // whether a function is enabled: 0 or 1
};

struct StatusField {
    const char* key;
    const char* unit;  // "" for none
    FieldKind kind;
    double low;  // the range the device can report, both ends included
    double high;
    int decimals;  // digits after the point in text
    double (*read)(const ChannelStatus&);
};

// Every field, in the status log's column order.
std::span<const StatusField> ChannelStatusFields();

// The field of `key`; the table holds every key the code names.
const StatusField& StatusFieldOf(std::string_view key);
// Where that field stands in the table: its column among a logged poll's values.
size_t StatusFieldIndex(std::string_view key);

// Whether the field's value in `status` lies within what the device can report.
bool InRange(const StatusField& field, const ChannelStatus& status);
// The value as a number with the field's decimals ("-52.5", "1000000"); empty when out of
// range, since such a value is no reading.
std::string FieldText(const StatusField& field, const ChannelStatus& status);

}  // namespace protocol
