// identity, status, mode, health, time and raw: reads and the few writes that need no record.

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>

#include "ctl/commands.h"
#include "platform/clock.h"
#include "protocol/CKV90T1_Comm.h"
#include "protocol/operational_modes.h"
#include "protocol/status_fields.h"

namespace ctl {
namespace {

std::string Hex8(uint32_t value) {
    char text[12];
    std::snprintf(text, sizeof text, "%08X", value);
    return text;
}

Record ModeRecord(uint32_t mode) {
    return Record().Add("mode", mode).Add("name", protocol::ModeLabel(static_cast<int>(mode)));
}

// Every status field by its key: flags and enables as booleans, the rest as numbers, and a
// value outside what the device can report as invalid.
Record PathStatus(const protocol::ChannelStatus& s, uint32_t path) {
    using protocol::FieldKind;
    Record record;
    record.Add("path", path);
    for (const protocol::StatusField& field : protocol::ChannelStatusFields()) {
        const double value = field.read(s);
        if (!protocol::InRange(field, s)) {
            record.AddInvalid(field.key);
        } else if (field.kind == FieldKind::kFlag || field.kind == FieldKind::kEnable) {
            record.Add(field.key, value != 0);
        } else if (field.decimals > 0) {
            record.Add(field.key, value);
        } else {
            record.Add(field.key, static_cast<int64_t>(value));
        }
    }
    return record;
}

Record TimeStatusRecord(const protocol::TimeStatus& t) {
    return Record()
        .Add("timeValid", t.timeValid != 0)
        .Add("year", 2000 + int(t.year))
        .Add("secondsOfYear", uint32_t(t.secondsOfYear))
        .Add("nanoseconds", uint32_t(t.nanoseconds));
}

struct StatusOptions {
    bool watch = false;
    uint32_t intervalMs = 600;
    uint32_t count = 1;
    std::optional<alarms::LimitSet> limits;
};

// Exit status of a counted watch that ends with a red alarm active.
constexpr int kRedAlarmActive = 3;

int PollStatus(Context& c, const StatusOptions& options) {
    if (c.comm.ReadOperationalMode() == 0) {
        return c.Fail("status: the device did not answer the mode read");
    }
    const bool dau = c.comm.m_nOperationalMode == protocol::kModeDau;
    alarms::AlarmEngine engine;
    if (options.limits) {
        engine.SetLimits(*options.limits, platform::UtcNowMs());
    }
    for (uint32_t poll = 0; options.count == 0 || poll < options.count; ++poll) {
        const uint32_t start = platform::ProcessClockMs();
        std::vector<Record> paths;
        for (uint32_t path = 0; path < protocol::kPathCount; ++path) {
            if (c.comm.ReadChannelStatus(path) == 0 || c.comm.ReadFrameSyncStatus(path) == 0) {
                return c.Fail("status: the device did not answer the status of path " +
                              std::to_string(path));
            }
            paths.push_back(PathStatus(c.comm.m_ChannelStatus[path], path));
            if (!dau) {  // as the console: the DAU mode's channels report levels, not signals
                engine.Evaluate(int(path), &c.comm.m_ChannelStatus[path], platform::UtcNowMs());
            }
        }
        engine.EvaluateAnswer(true, platform::UtcNowMs());
        Record record;
        record.Add("time", platform::IsoUtcText(platform::UtcNowMs()))
            .Add("mode", c.comm.m_nOperationalMode)
            .Add("paths", paths);
        if (dau) {
            if (c.comm.ReadTimeStatus() == 0) {
                return c.Fail("status: the device did not answer the time status");
            }
            record.Add("timeStatus", TimeStatusRecord(c.comm.m_TimeStatus));
            engine.EvaluateTimeLock(c.comm.m_TimeStatus.timeValid != 0, platform::UtcNowMs());
        }
        if (options.limits) {
            record.Add("alarms", AlarmRecords(engine));
        }
        c.Print(record);
        const uint32_t spent = platform::ProcessClockMs() - start;
        if (options.count == 0 || poll + 1 < options.count) {
            platform::SleepMs(spent < options.intervalMs ? options.intervalMs - spent : 0);
        }
    }
    const std::vector<alarms::Alarm> active = engine.Alarms();
    const bool red = std::any_of(active.begin(), active.end(), [](const alarms::Alarm& alarm) {
        return alarm.severity == alarms::Severity::kRed &&
               (alarm.state == alarms::State::kActiveUnacked ||
                alarm.state == alarms::State::kActiveAcked);
    });
    return red && options.count != 0 ? kRedAlarmActive : kSuccess;
}

uint32_t ParseModeWord(const std::string& word) {
    for (int mode = 1; mode <= protocol::kModeCount; ++mode) {
        if (::strcasecmp(word.c_str(), protocol::ModeName(mode)) == 0) {
            return static_cast<uint32_t>(mode);
        }
    }
    if (word.find_first_not_of("0123456789") == std::string::npos && !word.empty()) {
        const uint64_t mode = ParseNumber(word, "mode", protocol::kModeCount);
        if (mode >= 1) {
            return static_cast<uint32_t>(mode);
        }
    }
    throw UsageError("'" + word + "' is no mode: give 1 to 14 or a name such as \"PSK\"");
}

uint8_t Bcd(uint32_t value) {
    return static_cast<uint8_t>((value / 10 % 10) << 4 | value % 10);
}

struct TimeOfYear {
    uint32_t year, day, hour, minute, second;
};

TimeOfYear ParseTimeOfYear(const std::vector<std::string>& words) {
    if (words.size() != 5) {
        throw UsageError("time set needs YEAR DAY HH:MM:SS");
    }
    TimeOfYear t{};
    t.year = static_cast<uint32_t>(ParseNumber(words[2], "year", 2099));
    t.day = static_cast<uint32_t>(ParseNumber(words[3], "day", 366));
    const std::string& clock = words[4];
    auto digits = [&](size_t at) {
        return std::isdigit(static_cast<unsigned char>(clock[at])) != 0 &&
               std::isdigit(static_cast<unsigned char>(clock[at + 1])) != 0;
    };
    if (clock.size() != 8 || clock[2] != ':' || clock[5] != ':' || !digits(0) || !digits(3) ||
        !digits(6)) {
        throw UsageError("'" + clock + "' is not a time HH:MM:SS");
    }
    t.hour = std::stoul(clock.substr(0, 2));
    t.minute = std::stoul(clock.substr(3, 2));
    t.second = std::stoul(clock.substr(6, 2));
    if (t.hour > 23 || t.minute > 59 || t.second > 59) {
        throw UsageError("'" + clock + "' is not a time HH:MM:SS");
    }
    // Every fourth year from 2000 to 2099 is a leap year.
    const uint32_t days = t.year % 4 == 0 ? 366 : 365;
    if (t.year < 2000 || t.day < 1 || t.day > days) {
        throw UsageError("the year runs from 2000 to 2099 and the day from 1 to " +
                         std::to_string(days) + " in " + std::to_string(t.year));
    }
    return t;
}

// The decimal value of binary-coded digits.
uint32_t FromBcd(uint32_t bcd) {
    uint32_t value = 0;
    for (uint32_t scale = 1; bcd != 0; bcd >>= 4, scale *= 10) {
        value += (bcd & 15) * scale;
    }
    return value;
}

TimeOfYear Now() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    return {uint32_t(utc.tm_year + 1900), uint32_t(utc.tm_yday + 1), uint32_t(utc.tm_hour),
            uint32_t(utc.tm_min), uint32_t(utc.tm_sec)};
}

// Years and days are numbers, as in the time status; the time of day is "HH:MM:SS".
Record TimeCodeRecord(const protocol::TimeCodeSetup& t) {
    char clock[16];
    std::snprintf(clock, sizeof clock, "%02X:%02X:%02X", t.hour, t.minute, t.second);
    return Record()
        .Add("year", 2000 + FromBcd(t.year))
        .Add("day", FromBcd(t.day))
        .Add("time", clock)
        .Add("format", uint32_t(t.format))
        .Add("modulation", uint32_t(t.modulation))
        .Add("externalIrig", t.externalIrig != 0);
}

int SetTime(Context& c, const TimeOfYear& t) {
    if (c.comm.ReadTimeCodeSetup() == 0) {
        return c.Fail("time: the device did not answer the time code setup read");
    }
    protocol::TimeCodeSetup setup = c.comm.m_TimeCode;
    setup.year = Bcd(t.year % 100);
    setup.day = static_cast<uint16_t>((t.day / 100) << 8 | Bcd(t.day % 100));
    setup.hour = Bcd(t.hour);
    setup.minute = Bcd(t.minute);
    setup.second = Bcd(t.second);
    if (c.comm.SendTimeCodeSetup(setup) == 0) {
        return c.Fail("time: the device refused the time code setup");
    }
    c.Print(TimeCodeRecord(c.comm.m_TimeCode));
    return kSuccess;
}

std::vector<uint8_t> ParseHex(const std::string& word) {
    const std::string digits = word == "-" ? "" : word;
    if (digits.size() % 2 != 0 ||
        digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
        throw UsageError("payload '" + word + "' is not an even number of hex digits (- for none)");
    }
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < digits.size(); i += 2) {
        bytes.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

std::string HexText(const uint8_t* bytes, size_t count) {
    std::string text;
    char pair[4];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
        text += pair;
    }
    return text;
}

}  // namespace

Action ParseIdentity(const std::vector<std::string>& words) {
    ExpectWords(words, 1);
    return [](Context& c) {
        if (c.comm.ReadDeviceIdentity() == 0) {
            return c.Fail("identity: the device did not answer");
        }
        const protocol::DeviceIdentity& id = c.comm.m_Identity;
        Record record;
        record.Add("serialNumber", id.serialNumberText)
            .Add("deviceId", DeviceText(id.deviceId))
            .Add("dsp1Version", Hex8(id.dsp1Version))
            .Add("dsp2Version", Hex8(id.dsp2Version))
            .Add("fioFpgaVersion", Hex8(id.fioFpgaVersion))
            .Add("bridgeFpgaVersion", Hex8(id.bridgeFpgaVersion))
            .Add("demodFpgaVersion", Hex8(id.demodFpgaVersion))
            .Add("personalityCode", uint32_t(id.personalityCode))
            .Add("customer", DeviceText(id.productText[0]))
            .Add("poNumber", DeviceText(id.productText[1]))
            .Add("poModel", DeviceText(id.productText[2]))
            .Add("chassisSerial", DeviceText(id.productText[3]))
            .Add("engineeringModel", DeviceText(id.productText[4]));
        c.Print(record);
        return int(kSuccess);
    };
}

Action ParseStatus(const std::vector<std::string>& words) {
    StatusOptions options;
    bool counted = false;
    for (size_t i = 1; i < words.size(); ++i) {
        if (words[i] == "--watch") {
            options.watch = true;
        } else if (words[i] == "--interval" && i + 1 < words.size()) {
            options.intervalMs =
                static_cast<uint32_t>(ParseNumber(words[++i], "interval", 3'600'000));
        } else if (words[i] == "--count" && i + 1 < words.size()) {
            options.count = static_cast<uint32_t>(ParseNumber(words[++i], "count", 1'000'000'000));
            counted = true;
        } else if (words[i] == "--limits" && i + 1 < words.size()) {
            options.limits = ReadLimits(words[++i]);
        } else {
            throw UsageError("status: unexpected '" + words[i] + "'");
        }
    }
    if (options.watch && !counted) {
        options.count = 0;  // until interrupted
    }
    if (!options.watch && (counted || options.intervalMs != 600 || options.limits)) {
        throw UsageError("status: --interval, --count and --limits go with --watch");
    }
    return [options](Context& c) { return PollStatus(c, options); };
}

Action ParseMode(const std::vector<std::string>& words) {
    ExpectWords(words, 2);
    if (words.size() == 1) {
        return [](Context& c) {
            if (c.comm.ReadOperationalMode() == 0) {
                return c.Fail("mode: the device did not answer");
            }
            c.Print(ModeRecord(c.comm.m_nOperationalMode));
            return int(kSuccess);
        };
    }
    const uint32_t mode = ParseModeWord(words[1]);
    return [mode](Context& c) {
        if (c.comm.SetOperationalMode(mode, 0) == 0) {
            return c.Fail("mode: the device did not take mode " + std::to_string(mode));
        }
        if (c.comm.ReadOperationalMode() == 0 || c.comm.m_nOperationalMode != mode) {
            return c.Fail("mode: the device reports mode " +
                          std::to_string(c.comm.m_nOperationalMode) + " after the change");
        }
        c.Print(ModeRecord(mode));
        return int(kSuccess);
    };
}

Action ParseHealth(const std::vector<std::string>& words) {
    ExpectWords(words, 1);
    return [](Context& c) {
        if (c.comm.ReadPhysicalValues() == 0) {
            return c.Fail("health: the device did not answer");
        }
        c.comm.ReadSupplyVoltageRange();
        c.comm.ReadTemperatureRange();
        c.comm.ReadTotalRuntime();
        if (c.comm.m_nLastStatus == 0) {
            return c.Fail("health: the device did not answer the register reads");
        }
        const protocol::SystemState& s = c.comm.m_System;
        static const char* const kNames[11] = {"rail1",         "rail2",         "rail3",
                                               "rail4",         "rail5",         "rail6",
                                               "negativeRail1", "negativeRail2", "temperature",
                                               "supplyVoltage", "supplyCurrent"};
        Record values;
        for (int i = 0; i < 11; ++i) {
            values.Add(kNames[i], double(s.physicalValues[i]));
        }
        c.Print(Record()
                    .Add("physicalValues", values)
                    .Add("supplyVoltageLow", double(s.SupplyVoltageLow()))
                    .Add("supplyVoltageHigh", double(s.SupplyVoltageHigh()))
                    .Add("temperatureLow", s.TemperatureLow())
                    .Add("temperatureHigh", s.TemperatureHigh())
                    .Add("totalRuntime", uint32_t(s.totalRuntime)));
        return int(kSuccess);
    };
}

Action ParseTime(const std::vector<std::string>& words) {
    if (words.size() < 2) {
        throw UsageError("time needs get, set or seed");
    }
    if (words[1] == "get") {
        ExpectWords(words, 2);
        return [](Context& c) {
            if (c.comm.ReadTimeCodeSetup() == 0 || c.comm.ReadTimeStatus() == 0) {
                return c.Fail("time: the device did not answer");
            }
            c.Print(Record()
                        .Add("setup", TimeCodeRecord(c.comm.m_TimeCode))
                        .Add("status", TimeStatusRecord(c.comm.m_TimeStatus)));
            return int(kSuccess);
        };
    }
    if (words[1] == "set") {
        const TimeOfYear t = ParseTimeOfYear(words);
        return [t](Context& c) { return SetTime(c, t); };
    }
    if (words[1] == "seed") {
        ExpectWords(words, 2);
        return [](Context& c) { return SetTime(c, Now()); };
    }
    throw UsageError("time: unknown '" + words[1] + "' (get, set or seed)");
}

Action ParseRaw(const std::vector<std::string>& words) {
    if (words.size() != 4) {
        throw UsageError("raw needs CODE PAYLOAD-HEX REPLY-LENGTH");
    }
    const auto code = static_cast<uint16_t>(ParseNumber(words[1], "code", 0xFFFF));
    const std::vector<uint8_t> payload = ParseHex(words[2]);
    if (payload.size() > 0xFFFF - CKV90T1_Comm::kHeaderLength) {
        throw UsageError("payload is too long");
    }
    const auto replyLength = static_cast<uint16_t>(
        ParseNumber(words[3], "reply length", 0xFFFF - CKV90T1_Comm::kHeaderLength));
    return [code, payload, replyLength](Context& c) {
        std::vector<uint8_t> request(CKV90T1_Comm::kHeaderLength + payload.size());
        std::copy(payload.begin(), payload.end(), request.begin() + CKV90T1_Comm::kHeaderLength);
        std::vector<uint8_t> reply(CKV90T1_Comm::kHeaderLength + replyLength);
        if (c.comm.SendCommand(code, request.data(), static_cast<uint16_t>(payload.size()),
                               reply.data(), replyLength) == 0) {
            char name[8];
            std::snprintf(name, sizeof name, "0x%04X", code);
            return c.Fail(std::string("raw: no whole reply to ") + name);
        }
        c.Print(
            Record()
                .Add("code", uint32_t(code))
                .Add("header", HexText(reply.data(), CKV90T1_Comm::kHeaderLength))
                .Add("payload", HexText(reply.data() + CKV90T1_Comm::kHeaderLength, replyLength)));
        return int(kSuccess);
    };
}

}  // namespace ctl
