#include <gtest/gtest.h>

#include "pages/setup/setup_text.h"

using namespace setup;

TEST(SetupText, MegahertzTextsToHertz) {
    EXPECT_EQ(MegahertzTextToHertz("70"), 70'000'000u);
    EXPECT_EQ(MegahertzTextToHertz("70.5"), 70'500'000u);
    EXPECT_EQ(MegahertzTextToHertz("70.1234567"), 70'123'456u);
    EXPECT_EQ(MegahertzTextToHertz("2250.000001"), 2'250'000'001u);
    EXPECT_EQ(MegahertzTextToHertz("1.2.3"), 1'300'000u);
    EXPECT_EQ(MegahertzTextToHertz(""), 0u);
    EXPECT_EQ(MegahertzTextToHertz(".25"), 250'000u);
}

TEST(SetupText, BitRatesHundredthsAndModulationIndexes) {
    EXPECT_EQ(BitRateFromText("12,345,678,9", 60'000'000), 12'345'678u);
    EXPECT_EQ(BitRateFromText("-5", 60'000'000), 60'000'000u);
    EXPECT_EQ(BitRateFromText("70000000", 30'000'000), 30'000'000u);
    EXPECT_EQ(BitRateFromText("abc", 60'000'000), 0u);
    EXPECT_EQ(HundredthsFromText("0.01"), 5);
    EXPECT_EQ(HundredthsFromText("2.555"), 5);  // 256 keeps its low 8 bits
    EXPECT_EQ(HundredthsFromText("1.00"), 100);
    EXPECT_EQ(ModIndexFromText("0.01"), 0);
    EXPECT_EQ(ModIndexFromText("2.56"), 255);
    EXPECT_EQ(ModIndexFromText("9"), 255);
    EXPECT_EQ(ModIndexFromText("0"), 0);
    EXPECT_EQ(ModIndexFromText("0.35"), 34);
    EXPECT_EQ(ModIndexText(34), "0.35");
}

TEST(SetupText, DisplaysOfFrequenciesAndTimeConstants) {
    EXPECT_EQ(FrequencyText(300), "300 Hz");
    EXPECT_EQ(FrequencyText(25'000), "25.0 KHz");
    EXPECT_EQ(FrequencyText(1'500'000), "1.5 MHz");
    EXPECT_EQ(FrequencyText(4'200'000), "4.2 MHz");
    EXPECT_EQ(MegahertzText(2'250'500'000), "2250.5");
    EXPECT_EQ(MegahertzText(70'000'000), "70.0");
    EXPECT_EQ(MegahertzText(70'123'456), "70.123456");
    EXPECT_EQ(AgcTimeConstantText(0), "0 \u00b5secs");
    EXPECT_EQ(AgcTimeConstantText(9), "900 \u00b5secs");
    EXPECT_EQ(AgcTimeConstantText(10), "1 millisecond");
    EXPECT_EQ(AgcTimeConstantText(25), "2 millisecs");
    EXPECT_EQ(AgcTimeConstantText(10000), "1 second");
    EXPECT_EQ(AgcTimeConstantText(20000), "2 secs");
}

TEST(SetupText, TablesAndBands) {
    EXPECT_EQ(PcmCodeRow(100), 24);
    EXPECT_STREQ(kPcmCodes[PcmCodeRow(100)].name, "Modified DM-S");
    EXPECT_EQ(PcmCodeRow(0x80 | 66), 17);
    EXPECT_EQ(AgcModeRow(1, 1), 0);
    EXPECT_EQ(AgcModeRow(0, 0), 1);
    EXPECT_EQ(AgcModeRow(0, 1), 2);
    EXPECT_EQ(AgcModeRow(0, 3), 0);

    uint64_t bands[10][2] = {{1'435'000'000, 1'540'000'000},
                             {0, 1'000'000},
                             {2'200'000'000, 2'300'000'000},
                             {2'360'000'000, 2'395'000'000}};
    auto texts = BandTexts(bands);
    EXPECT_EQ(texts[0], "1435.0 MHz - 1540.0 MHz");
    EXPECT_EQ(texts[1], "2200.0 MHz - 2300.0 MHz");
    EXPECT_EQ(texts[2], "2360.0 MHz - 2395.0 MHz");
    EXPECT_EQ(texts[3], "");
    EXPECT_EQ(texts[4], "");
    uint64_t same[10][2] = {{70'000'000, 70'000'000}};
    EXPECT_EQ(BandTexts(same)[0], "70.0 MHz");
}

// Whatever the operator types, every conversion has a defined result: 0 for what is not a
// number, the nearest limit for what is too large, never a wrapped or undefined value.
TEST(SetupText, HostileNumberTexts) {
    const std::string forty(40, '9');
    for (const char* text : {"-5", "-0.5", "nan", "inf", "-inf", "x1"}) {
        EXPECT_EQ(MegahertzTextToHertz(text) % 1'000'000, MegahertzTextToHertz(text)) << text;
    }
    EXPECT_EQ(MegahertzTextToHertz("-5"), 0u);
    EXPECT_EQ(MegahertzTextToHertz("-0.5"), 500'000u);  // the fraction stands after the "."
    EXPECT_EQ(MegahertzTextToHertz(forty), 18'446'744'073'708'000'000u);
    EXPECT_EQ(MegahertzTextToHertz("1." + forty), 1'999'999u);
    EXPECT_EQ(MegahertzTextToHertz32(forty), 4'294'967'295u);
    EXPECT_EQ(MegahertzTextToHertz32("70000"), 4'294'967'295u);
    EXPECT_EQ(MegahertzTextToHertz32("4294.967295"), 4'294'967'295u);
    EXPECT_EQ(MegahertzTextToHertz32("0.5"), 500'000u);

    EXPECT_EQ(NumberFromText("nan"), 0.0);
    EXPECT_EQ(NumberFromText(""), 0.0);
    EXPECT_EQ(NumberFromText("inf"), kTextNumberLimit);
    EXPECT_EQ(NumberFromText("-1e300"), -kTextNumberLimit);
    EXPECT_EQ(NumberFromText(forty), kTextNumberLimit);

    for (const std::string& text : {std::string("nan"), std::string("inf"), std::string("-inf"),
                                    std::string("1e300"), forty, std::string("")}) {
        EXPECT_GE(HundredthsFromText(text), 5) << text;
        const uint8_t index = ModIndexFromText(text);
        EXPECT_TRUE(index == 0 || index == 255) << text;
        const uint32_t scaled = ScaledFromText(text, 10000, 1, 1000);
        EXPECT_TRUE(scaled == 1 || scaled == 1000) << text;
        EXPECT_LE(BitRateFromText(text, 30'000'000), 30'000'000u) << text;
    }
    EXPECT_EQ(ModIndexFromText("nan"), 0);
    EXPECT_EQ(ModIndexFromText("inf"), 255);
    EXPECT_EQ(ScaledFromText("-inf", 10000, 0, 5000), 0u);
    EXPECT_EQ(ScaledFromText("0.05", 10000, 0, 5000), 500u);
    EXPECT_EQ(BitRateFromText(forty, 60'000'000), 60'000'000u);

    EXPECT_EQ(GroupedFromText("30,000"), 30'000u);
    EXPECT_EQ(GroupedFromText("-7"), 0u);
    EXPECT_EQ(GroupedFromText(forty), 99'999'999u);  // cut to 8 characters
    EXPECT_EQ(GroupedFromText("nan"), 0u);
}
