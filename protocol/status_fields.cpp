#include "protocol/status_fields.h"

#include <charconv>
#include <stdexcept>

namespace protocol {
namespace {

using K = FieldKind;

// The carrier frequency is the offset the carrier loop tracks, and no tuning band is wider than
// this either side; no symbol rate of any personality is above 100 Msps. A reading of RSSI
// below -150 dBm or above +30 dBm is no signal a receiver input can take.
constexpr double kCarrierOffsetHz = 100'000'000;
constexpr double kSymbolRateSps = 100'000'000;

template <auto Member>
double Read(const ChannelStatus& s) {
    return static_cast<double>(s.*Member);
}

template <LockLevel (*Level)(const ChannelStatus&)>
double LevelOf(const ChannelStatus& s) {
    return Level(s);
}

template <int Bit>
double StatusBit(const ChannelStatus& s) {
    return s.frameSyncStatusBits[Bit];
}

constexpr StatusField kFields[] = {
    {"rssi", "dBm", K::kLevel, -150, 30, 1, Read<&ChannelStatus::rssi>},
    {"signalLevel", "", K::kLevel, 0, 4095, 0, Read<&ChannelStatus::signalLevel>},
    {"carrierLock", "", K::kFlag, 0, 1, 0, Read<&ChannelStatus::carrierLock>},
    {"symbolLock", "", K::kFlag, 0, 1, 0, Read<&ChannelStatus::symbolLock>},
    {"symbolUaLock", "", K::kFlag, 0, 1, 0, Read<&ChannelStatus::symbolUaLock>},
    {"carrierFrequency", "Hz", K::kFrequency, -kCarrierOffsetHz, kCarrierOffsetHz, 0,
     Read<&ChannelStatus::carrierFrequency>},
    {"symbolRate", "sps", K::kRate, 0, kSymbolRateSps, 0, Read<&ChannelStatus::symbolRate>},
    {"symbolUaRate", "sps", K::kRate, 0, kSymbolRateSps, 0, Read<&ChannelStatus::symbolUaRate>},
    {"amModIndex", "", K::kIndex, 0, 255, 0, Read<&ChannelStatus::amModIndex>},
    {"fmModIndex", "", K::kIndex, 0, 2.55, 2, Read<&ChannelStatus::fmModIndex>},
    {"frameSyncEnabled", "", K::kEnable, 0, 1, 0, Read<&ChannelStatus::frameSyncEnabled>},
    {"frameSyncState", "", K::kLockState, 0, 3, 0, Read<&ChannelStatus::frameSyncState>},
    {"frameSyncStatus5", "", K::kFlag, 0, 1, 0, StatusBit<0>},
    {"frameSyncStatus6", "", K::kFlag, 0, 1, 0, StatusBit<1>},
    {"frameSyncStatus7", "", K::kFlag, 0, 1, 0, StatusBit<2>},
    {"frameLockEnabled", "", K::kEnable, 0, 1, 0, Read<&ChannelStatus::frameLockEnabled>},
    {"frameLockState", "", K::kLockState, 0, 2, 0, Read<&ChannelStatus::frameLockState>},
    // What the two states mean, as the lamps and the trend bands show them: -1 not enabled,
    // 0 unlocked, 1 partly locked, 2 locked.
    {"frameSyncLevel", "", K::kLockLevel, -1, 2, 0, LevelOf<FrameSyncLevel>},
    {"frameLockLevel", "", K::kLockLevel, -1, 2, 0, LevelOf<FrameLockLevel>},
    {"timeValid", "", K::kFlag, 0, 1, 0, Read<&ChannelStatus::timeValid>},
};

}  // namespace

std::span<const StatusField> ChannelStatusFields() {
    return kFields;
}

const StatusField& StatusFieldOf(std::string_view key) {
    for (const StatusField& field : kFields) {
        if (key == field.key) {
            return field;
        }
    }
    throw std::invalid_argument("no status field " + std::string(key));
}

size_t StatusFieldIndex(std::string_view key) {
    return static_cast<size_t>(&StatusFieldOf(key) - kFields);
}

bool InRange(const StatusField& field, const ChannelStatus& status) {
    const double value = field.read(status);
    // The float fields are compared as the text shows them: 2.55 is read as 2.5499999.
    const double slack = field.decimals > 0 ? 0.5e-6 : 0;
    return value >= field.low - slack && value <= field.high + slack;
}

std::string FieldText(const StatusField& field, const ChannelStatus& status) {
    if (!InRange(field, status)) {
        return {};
    }
    // As printf's "%.*f" writes it, without its cost: the status log writes a line a poll.
    char text[48];
    const auto written = std::to_chars(text, text + sizeof text, field.read(status),
                                       std::chars_format::fixed, field.decimals);
    return std::string(text, written.ptr);
}

}  // namespace protocol
