// The contents of the simulated device's parameter pages.

#include <cstring>

#include "sim/KV90TSimulation.h"

namespace sim {
namespace {

// Telemetry bands in MHz: low and high edge.
constexpr uint16_t kBandsMhz[10][2] = {{200, 400},   {1435, 1535}, {1650, 1850}, {2185, 2300},
                                       {2300, 2400}, {4400, 4950}, {5091, 5150}, {5925, 6425},
                                       {0, 0},       {0, 0}};
constexpr uint16_t kIfBandwidthKhz[32] = {50,    100,   150,   200,   300,   400,   500,   600,
                                          750,   1000,  1250,  1500,  2000,  2500,  3000,  4000,
                                          5000,  6000,  7500,  10000, 12500, 15000, 20000, 25000,
                                          30000, 35000, 40000, 45000, 50000, 55000, 60000, 65000};
constexpr uint16_t kVideoFilterKhz[16] = {100,  200,  500,   1000,  2000,
                                          4200, 6000, 10000, 15000, 20000};
constexpr uint16_t kAmFilterHz[32] = {10,    15,    20,    30,    50,    75,    100,   150,
                                      200,   300,   500,   750,   1000,  1500,  2000,  3000,
                                      5000,  7500,  10000, 12500, 15000, 17500, 20000, 25000,
                                      30000, 35000, 40000, 45000, 50000, 55000, 60000, 65000};
constexpr uint16_t kAgcTimeConstants[8] = {1, 3, 10, 30, 100, 300, 1000, 3000};  // x 100 us
constexpr uint16_t kTerminationsOhm[6] = {50, 75, 1000, 10000, 100, 10000};
constexpr const char* kProductTexts[5] = {"Brenmoor Test Range", "PO-2026-0042", "KV90T-2C-DAU",
                                          "KV90T-00417", "EM-3"};

void PutPair(Page& page, int word, uint32_t value) {
    page[word] = static_cast<uint16_t>(value >> 16);
    page[word + 1] = static_cast<uint16_t>(value);
}

void FillNetworkPage(Page& page) {
    page[34] = 0x0000;  // DHCP off
    page[35] = 0x0050;  // MAC 00:50:C2:AB:CD:EF
    page[36] = 0xC2AB;
    page[37] = 0xCDEF;
    PutPair(page, 38, 0xC0A80132);  // 192.168.1.50
    PutPair(page, 40, 0xFFFFFF00);  // netmask
    PutPair(page, 42, 0xC0A80101);  // gateway
    page[45] = 32;                  // UDP time to live
    page[46] = 5001;                // DAU data port, channel 1
    page[47] = 5002;                // DAU data port, channel 2
}

void FillCalibrationPage(Page& page, int channel) {
    std::memcpy(page.data(), kAgcTimeConstants, sizeof kAgcTimeConstants);
    for (int band = 0; band < 10; ++band) {
        page[22 + 2 * band] = static_cast<uint16_t>(10000 - 150 * band + 50 * channel);  // gain
        page[23 + 2 * band] = static_cast<uint16_t>(int16_t(-1050 - 10 * band));         // offset
    }
}

}  // namespace

std::array<Page, kPageCount> MakePages(const Profile& profile) {
    std::array<Page, kPageCount> pages{};
    FillNetworkPage(pages[0]);
    // Configuration memory 3 in use; memories 0 to 7 on page 2, 8 to 11 on page 3, each with
    // an image word and a personality code.
    pages[2][43] = 3;
    for (int memory = 0; memory < 12; ++memory) {
        Page& page = memory < 8 ? pages[2] : pages[3];
        const int word = memory < 8 ? 27 + 2 * memory : 2 * (memory - 8);
        PutPair(page, word, memory < 10 ? 0x20250100u + static_cast<uint32_t>(memory) : 0);
        pages[2][44 + memory] = static_cast<uint16_t>(memory < 10 ? memory + 1 : 0);
    }
    pages[2][60] = 1;     // network update permitted
    pages[2][61] = 0xE1;  // saving allowed; CH1, CH2, CH3
    PutPair(pages[2], 15, 123456);
    pages[4][15] = profile.hardwareConfigurationId;
    std::memcpy(pages[5].data(), kTerminationsOhm, sizeof kTerminationsOhm);
    for (int channel = 0; channel < 2; ++channel) {
        std::memcpy(pages[7].data() + 32 * channel, kBandsMhz, sizeof kBandsMhz);
        std::memcpy(pages[9].data() + 32 * channel, kIfBandwidthKhz, sizeof kIfBandwidthKhz);
        std::memcpy(pages[12].data() + 32 * channel, kVideoFilterKhz, sizeof kVideoFilterKhz);
        std::memcpy(pages[15 + channel].data(), kAmFilterHz, sizeof kAmFilterHz);
        FillCalibrationPage(pages[18 + channel], channel);
    }
    std::memcpy(pages[10].data(), kIfBandwidthKhz, sizeof kIfBandwidthKhz);
    for (int text = 0; text < 5; ++text) {
        for (size_t i = 0; kProductTexts[text][i] != '\0'; ++i) {
            pages[20 + text][i] = static_cast<uint8_t>(kProductTexts[text][i]);
        }
    }
    pages[31][0] = 0x0031;
    return pages;
}

}  // namespace sim
