// The DAU time code and built-in test conversions, on their own.

#include <gtest/gtest.h>

#include "pages/dau/bit_values.h"
#include "pages/dau/time_code_text.h"
#include "protocol/device_state.h"

using namespace dau;
using protocol::RailInRange;

TEST(TimeCodeText, GpsWeeksToTheDateAndBack) {
    struct Case {
        uint32_t weeks, seconds;
        TimeFields date;
    } cases[] = {
        {0, 0, {80, 0, 0, 0, 0}},
        {52, 5 * 86'400, {81, 8, 0, 0, 0}},
        {2150, 0, {21, 79, 0, 0, 0}},
        {2150, 3 * 86'400 + 13 * 3600 + 7 * 60 + 9, {21, 82, 13, 7, 9}},
        {1, 604'800, {80, 14, 0, 0, 0}},  // a whole week of seconds is a week
        {51, 3 * 86'400, {80, 360, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        const TimeFields d = DateOfGpsTime(c.weeks, c.seconds);
        EXPECT_EQ(d.year, c.date.year) << c.weeks << " " << c.seconds;
        EXPECT_EQ(d.day, c.date.day) << c.weeks << " " << c.seconds;
        EXPECT_EQ(d.hour, c.date.hour);
        EXPECT_EQ(d.minute, c.date.minute);
        EXPECT_EQ(d.second, c.date.second);
    }
    EXPECT_EQ(GpsTimeOfDate({21, 79, 0, 0, 0}), (std::pair<uint32_t, uint32_t>{2150, 0}));
    EXPECT_EQ(GpsTimeOfDate({21, 82, 13, 7, 9}),
              (std::pair<uint32_t, uint32_t>{2150, 3 * 86'400 + 13 * 3600 + 7 * 60 + 9}));
    EXPECT_EQ(GpsTimeOfDate({80, 0, 0, 0, 0}), (std::pair<uint32_t, uint32_t>{0, 0}));
    EXPECT_EQ(GpsTimeOfDate({81, 8, 0, 0, 0}), (std::pair<uint32_t, uint32_t>{52, 5 * 86'400}));
}

TEST(TimeCodeText, SeedCountsFromOneAndBcd) {
    std::tm march{};
    march.tm_mon = 2;
    march.tm_mday = 1;
    march.tm_hour = 12;
    march.tm_year = 124;  // 2024
    EXPECT_EQ(ToBcd(SeedOf(march).day), 0x061u);
    EXPECT_EQ(SeedOf(march).year, 24u);
    march.tm_year = 125;
    EXPECT_EQ(ToBcd(SeedOf(march).day), 0x060u);
    EXPECT_EQ(SeedOf(march).hour, 12u);
    EXPECT_EQ(ToBcd(0), 0u);
    EXPECT_EQ(ToBcd(366), 0x366u);
    EXPECT_EQ(FromBcd(0x0359), 359u);
    EXPECT_EQ(HexOfText("059"), 0x59u);
    EXPECT_EQ(HexOfText(" 21"), 0x21u);
    EXPECT_EQ(HexOfText("x"), 0u);
    EXPECT_EQ(HexOfText("12z"), 0x12u);
    EXPECT_EQ(HexOfText("123456789"), 0x12345678u);  // eight digits at most
}

TEST(TimeCodeText, TablesFallBackForUnknownValues) {
    EXPECT_STREQ(FormatText(2), "?");
    EXPECT_STREQ(ModulationText(3), "?");
    EXPECT_STREQ(CarrierText(6), "? Hz");
    EXPECT_STREQ(CarrierText(0), "No Carrier");
    EXPECT_STREQ(CodedExpressionText(8), "?");
    EXPECT_STREQ(CodedExpressionText(7), "BCDtoy, SBS, BCDyear");
}

TEST(BitValues, RailRangesFahrenheitAndRuntime) {
    EXPECT_TRUE(RailInRange(1, 36 * 0.1f));
    EXPECT_FALSE(RailInRange(1, 37 * 0.1f));
    EXPECT_TRUE(RailInRange(1, 30 * 0.1f));
    EXPECT_FALSE(RailInRange(1, 29 * 0.1f));
    EXPECT_TRUE(RailInRange(6, -50 * 0.1f));
    EXPECT_TRUE(RailInRange(7, -55 * 0.1f));
    EXPECT_FALSE(RailInRange(7, -56 * 0.1f));
    EXPECT_TRUE(RailInRange(3, 60 * 0.1f));
    EXPECT_FALSE(RailInRange(8, 5.0f));
    EXPECT_EQ(Fahrenheit(55), 131);
    EXPECT_EQ(Fahrenheit(-10), 14);
    EXPECT_EQ(Fahrenheit(0), 32);
    const Runtime year = RuntimeOf(31'557'600);
    EXPECT_EQ(year.years, 1u);
    EXPECT_EQ(year.months + year.days + year.hours + year.minutes + year.seconds, 0u);
    const Runtime r = RuntimeOf(31'557'600 + 2 * 2'592'000 + 3 * 86'400 + 4 * 3600 + 5 * 60 + 6);
    EXPECT_EQ(r.years, 1u);
    EXPECT_EQ(r.months, 2u);
    EXPECT_EQ(r.days, 3u);
    EXPECT_EQ(r.hours, 4u);
    EXPECT_EQ(r.minutes, 5u);
    EXPECT_EQ(r.seconds, 6u);
    EXPECT_EQ(RuntimeOf(2'592'000).months, 1u);
}
