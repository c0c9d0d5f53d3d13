#pragma once
// The texts the DAU page shows for a sampling datagram's header.

#include <cstdint>
#include <string>

#include "transfer/sampling_file.h"

namespace dau {

const char* GpsStateText(uint8_t state);
std::string GpsQualityText(uint8_t quality);
// "%.2f V" of the raw RSSI / 819.
std::string RssiVoltageText(uint16_t rawRssi);
// The IRIG time word as a date, with February's length taken from the computer's year.
std::string IrigDateText(uint32_t irigWord, int computerYear);

}  // namespace dau
