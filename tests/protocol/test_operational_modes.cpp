// The operational-mode table: the one place that knows what each mode code means.

#include <gtest/gtest.h>

#include "protocol/operational_modes.h"

using namespace protocol;

TEST(OperationalModes, NamesFamiliesAndPagesOfEveryCode) {
    const char* names[] = {"",
                           "Bit Sync",
                           "SS-FM/FM Video",
                           "PSK",
                           "MS-PCMFM/GMSK",
                           "Analog Only",
                           "MHCPM",
                           "DAU",
                           "PSK LDPC 1/2",
                           "PSK LDPC 2/3",
                           "PSK LDPC 4/5",
                           "Tape Up/Down",
                           "PSK 2xLDPC 1/2",
                           "PSK 2xLDPC 2/3",
                           "PSK 2xLDPC 4/5",
                           ""};
    for (int mode = 0; mode <= 15; ++mode) {
        EXPECT_STREQ(ModeName(mode), names[mode]) << mode;
    }
    EXPECT_STREQ(ModeName(-1), "");
    EXPECT_EQ(ModeLabel(3), "PSK");
    EXPECT_EQ(ModeLabel(255), "Unknown mode 255");
    std::vector<int> psk;
    std::vector<int> uaRate;
    for (uint32_t mode = 0; mode <= 15; ++mode) {
        const ModeInfo& info = ModeInfoOf(mode);
        if (info.pskDemod) {
            psk.push_back(static_cast<int>(mode));
        }
        if (info.showsUaRate) {
            uaRate.push_back(static_cast<int>(mode));
        }
    }
    EXPECT_EQ(psk, (std::vector<int>{3, 8, 9, 10, 12, 13, 14}));
    EXPECT_EQ(uaRate, (std::vector<int>{3, 8, 9, 10}));
    EXPECT_EQ(ModeInfoOf(kModeAnalogOnly).write, SetupFamily::Psk);
    EXPECT_EQ(ModeInfoOf(kModeAnalogOnly).readBack, SetupFamily::None);
    EXPECT_EQ(ModeInfoOf(kModeAnalogOnly).pages, PageFamily::PskAnalog);
    EXPECT_EQ(ModeInfoOf(kModeNone).pages, PageFamily::PskAnalog);
    EXPECT_EQ(ModeInfoOf(kModeDau).pages, PageFamily::Dau);
    EXPECT_EQ(ModeInfoOf(kModeTape).pages, PageFamily::Tape);
    EXPECT_EQ(ModeInfoOf(99).pages, PageFamily::None);  // unknown codes have no setup pages
    EXPECT_TRUE(IsPcmFmMode(kModeSsFmVideo) && IsPcmFmMode(kModeMsPcmFmGmsk));
    EXPECT_FALSE(IsPcmFmMode(kModePsk));
}

TEST(OperationalModes, LimitsAndFactors) {
    auto carrier = [](uint32_t mode) {
        const Limits l = ModeInfoOf(mode).carrierLoop;
        return std::pair{l.low, l.high};
    };
    EXPECT_EQ(carrier(kModeMsPcmFmGmsk), (std::pair{0u, 5000u}));
    EXPECT_EQ(carrier(kModeMhcpm), (std::pair{1u, 1000u}));
    EXPECT_EQ(carrier(kModeSsFmVideo), (std::pair{5u, 255u}));
    EXPECT_EQ(carrier(kModeAnalogOnly), (std::pair{5u, 255u}));
    EXPECT_EQ(carrier(kModeDau).second, 0xFFFFFFFFu);
    EXPECT_EQ(carrier(kModeTape).second, 0xFFFFFFFFu);
    EXPECT_EQ(ModeInfoOf(kModeMhcpm).loopBandwidth.high, 100u);
    EXPECT_EQ(ModeInfoOf(kModeBitSync).loopBandwidth.low, 5u);
    EXPECT_EQ(ModeInfoOf(kModeSsFmVideo).loopBandwidth.low, 0u);
    EXPECT_FLOAT_EQ(ModeInfoOf(kModePsk2xLdpc12).ldpcFactor, 2.0625f);
    EXPECT_FLOAT_EQ(ModeInfoOf(kModePskLdpc45).ldpcFactor, 1.3125f);
    EXPECT_FLOAT_EQ(ModeInfoOf(kModePsk).ldpcFactor, 1.0f);
    EXPECT_TRUE(PskSubmodeHasQPath(kPskSubmodeOqpsk));
    EXPECT_FALSE(PskSubmodeHasQPath(0));
    EXPECT_FALSE(PskSubmodeHasQPath(3));
}
