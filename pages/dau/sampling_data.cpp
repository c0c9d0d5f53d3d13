#include "pages/dau/sampling_data.h"

#include "ui/Format.h"

namespace dau {

const char* GpsStateText(uint8_t state) {
    static const char* const kStates[8] = {"0: Startup",
                                           "1: Reset GPS",
                                           "2: Waiting 10 Seconds for GPS to boot",
                                           "3: Initialize GPS",
                                           "4: Waiting For GPS Messages",
                                           "5: Waiting for GPS qual to equal 1",
                                           "6: Seed IRIG Reader",
                                           "7: Normal Running"};
    return state < 8 ? kStates[state] : "Unknown State";
}

std::string GpsQualityText(uint8_t quality) {
    switch (quality) {
        case 0:
            return "0 = fix not available or invalid";
        case 1:
            return "1 = GPS fix";
        case 2:
            return "2 = C/A differential GPS";
        case 6:
            return "6 = Dead reckoning mode";
        case 7:
            return "7 = Manual input mode (fixed position)";
        case 8:
            return "8 = Simulator mode";
        case 9:
            return "9 = WAAS";
        default:
            return ui::Printf("%u = Unknown or invalid state", quality);
    }
}

std::string RssiVoltageText(uint16_t rawRssi) {
    return ui::Printf("%.2f V", rawRssi / 819.0);
}

std::string IrigDateText(uint32_t irigWord, int computerYear) {
    return ui::IrigDateText(irigWord >> 25, irigWord & 0x1FFFFFF, computerYear % 4 == 0);
}

}  // namespace dau
