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
