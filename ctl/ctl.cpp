#include "ctl/ctl.h"

#include <functional>
#include <memory>
#include <optional>

#include "ctl/command.h"
#include "ctl/commands.h"
#include "ctl/link.h"
#include "ctl/serve.h"
#include "platform/settings_store.h"
#include "platform/version.h"
#include "protocol/CKV90T1_Comm.h"
#include "sim/KV90TSimulation.h"
#include "sim/Profile.h"
#include "sim/SimServer.h"

namespace ctl {
namespace {

struct Options {
    enum class Link { Saved, Tcp, Serial, Demo } link = Link::Saved;
    LinkSpec spec;
    const sim::Profile* profile = nullptr;
    sim::Scenario scenario = sim::Scenario::kNone;
    bool json = false;
    bool help = false;
    bool version = false;
    std::string fields;      // the command whose field names --fields prints
    std::string dataFolder;  // --data-dir: where `mark` finds the status log
    std::vector<std::string> command;
};

Options ParseOptions(const std::vector<std::string>& args) {
    Options options;
    size_t i = 0;
    auto value = [&](const char* option) {
        if (i + 1 >= args.size()) {
            throw UsageError(std::string(option) + " needs a value");
        }
        return args[++i];
    };
    // --tcp, --serial and --demo each name the link; only one may.
    auto choose = [&](Options::Link link, const std::string& arg) {
        if (options.link != Options::Link::Saved) {
            throw UsageError("'" + arg +
                             "' names a second link; give one of --tcp, --serial, --demo");
        }
        options.link = link;
    };
    for (; i < args.size() && args[i].rfind("--", 0) == 0; ++i) {
        const std::string& arg = args[i];
        if (arg == "--help") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--fields") {
            options.fields = value("--fields");
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--tcp") {
            choose(Options::Link::Tcp, arg);
            ParseHostPort(value("--tcp"), "--tcp", &options.spec);
        } else if (arg == "--serial") {
            choose(Options::Link::Serial, arg);
            options.spec.serial = true;
            options.spec.serialPort = value("--serial");
        } else if (arg == "--baud") {
            options.spec.baudRate =
                static_cast<uint32_t>(ParseNumber(value("--baud"), "baud rate", 4'000'000));
        } else if (arg == "--demo" || arg.rfind("--demo=", 0) == 0) {
            choose(Options::Link::Demo, arg);
            options.profile =
                arg == "--demo" ? &sim::DefaultProfile() : sim::FindProfile(arg.substr(7));
            if (options.profile == nullptr) {
                throw UsageError("unknown profile in '" + arg + "'");
            }
        } else if (arg == "--data-dir") {
            options.dataFolder = value("--data-dir");
        } else if (arg == "--scenario") {
            const sim::ScenarioInfo* scenario = sim::FindScenario(value("--scenario"));
            if (scenario == nullptr) {
                throw UsageError("unknown scenario '" + args[i] + "'");
            }
            options.scenario = scenario->scenario;
        } else {
            throw UsageError("unknown option '" + arg + "'");
        }
    }
    options.command.assign(args.begin() + static_cast<ptrdiff_t>(i), args.end());
    return options;
}

// The link the saved settings name, read as the console reads them at start.
void ReadSavedLink(Options* options) {
    platform::SettingsKey key;
    if (key.Create(platform::kConsoleSettingsKey) != 0) {
        return;
    }
    uint8_t data[260] = {};
    uint32_t type = 0;
    uint32_t size = sizeof data;
    const bool ethernet = key.QueryValue("USE_ETHERNET", &type, data, &size) == 0 &&
                          type == platform::REG_DWORD && data[0] != 0;
    auto text = [&key](const char* name, const char* fallback) {
        std::string value;
        return key.QueryText(name, &value) == 0 ? value : std::string(fallback);
    };
    if (ethernet) {
        options->link = Options::Link::Tcp;
        options->spec.host = text("ETHERNET_IP_ADDR", platform::kDefaultDeviceAddress);
        return;
    }
    options->link = Options::Link::Serial;
    options->spec.serial = true;
    options->spec.serialPort = text("COM_PORT", "COM1");
    size = 4;
    if (key.QueryValue("BAUD_RATE", &type, data, &size) == 0 && type == platform::REG_DWORD) {
        options->spec.baudRate = data[0] | data[1] << 8 | data[2] << 16 | uint32_t(data[3]) << 24;
    }
}

// The simulated device inside this process, served on a loopback port.
struct DemoDevice {
    DemoDevice(const sim::Profile& profile, sim::Scenario scenario)
        : simulation(device, profile), server(device) {
        simulation.SetScenario(scenario);
        server.ListenTcp(0);
        server.Start();
    }
    sim::SimDevice device;
    sim::KV90TSimulation simulation;
    sim::SimServer server;
};

void PrintHelp(std::ostream& out) {
    out << "Usage: kv90t-ctl [--tcp HOST[:PORT] | --serial PORT [--baud RATE] | "
           "--demo[=PROFILE] [--scenario NAME]] [--json] COMMAND ...\n"
           "  or:  kv90t-ctl --help | --version | --fields setup|output|combiner\n"
           "Controls a KV90T telemetry receiver from the command line.\n"
           "\n"
           "Options:\n"
           "  --tcp HOST[:PORT]      the device on TCP (port 5000 unless given)\n"
           "  --serial PORT          the device on a serial port (COMn, USBn, ACMn)\n"
           "  --baud RATE            the serial port's rate (default 57600)\n"
           "  --demo[=PROFILE]       a simulated device inside the program (profiles: full,\n"
           "                         pcmfm, dau, if, filters)\n"
           "  --scenario NAME        with --demo: scripted trouble that drives alarms (fade,\n"
           "                         carrier-drop, ber-burst, dau-rail)\n"
           "  --json                 print JSON instead of text\n"
           "  --data-dir DIR         the console's data folder, for mark\n"
           "  --fields COMMAND       list the fields that setup, output or combiner set take\n"
           "  --help                 show this text\n"
           "  --version              show the version\n"
           "\n"
           "Commands:\n"
           "  identity               serial number, device ID, versions and product texts\n"
           "  status [--watch] [--interval MS] [--count N] [--limits FILE]\n"
           "                         status of the three paths; --watch polls every 600 ms (or "
           "MS);\n"
           "                         --limits adds the alarms of a limit set (exit 3 when a red\n"
           "                         one is active at the end of a counted watch)\n"
           "  mode [N|NAME]          read or change the operational mode\n"
           "  setup get PATH | setup set PATH FIELD=VALUE ...\n"
           "                         a path's channel setup record\n"
           "  output get PATH | output set PATH FIELD=VALUE ...\n"
           "                         a path's output data setup\n"
           "  combiner get | combiner set FIELD=VALUE ...\n"
           "                         the combiner setup\n"
           "  bert enable|disable|reset|status STREAM\n"
           "                         a receive tester (streams 0 to 5)\n"
           "  time get | time set YEAR DAY HH:MM:SS | time seed\n"
           "                         the time code setup and status; seed sets the computer's UTC "
           "time\n"
           "  health                 physical values, supply and temperature ranges, runtime\n"
           "  dau stream CH --seconds S --out FILE [--csv]\n"
           "                         record a DAU stream into FILE, and convert it with --csv\n"
           "  recorder list CH | recorder download CH FILE [--to DIR] | recorder repair CH\n"
           "                         the recorder's directory, a download, the repair of the last "
           "file\n"
           "  firmware load --dsp 1|2 FILE\n"
           "                         load a DSP program\n"
           "  fpga load --memory 0-11 FILE\n"
           "                         program an FPGA configuration memory\n"
           "  raw CODE PAYLOAD-HEX REPLY-LENGTH\n"
           "                         send one command frame and print the reply\n"
           "  log summary FILE ... [--limits FILE]\n"
           "                         per path of status logs: span, lock time, RSSI, gaps,\n"
           "                         marks, and with a limit set the stretches in alarm\n"
           "  mark TEXT              write an operator's mark into today's status log in the\n"
           "                         data folder (--data-dir DIR), as the console's Mark...\n"
           "  alarms check FILE      check a limit set and print what it holds\n"
           "  serve --metrics [ADDR:]PORT [--targets FILE] [--limits FILE] TARGET ...\n"
           "                         poll many receivers and serve Prometheus metrics on\n"
           "                         http://ADDR:PORT/metrics (ADDR 127.0.0.1 unless given);\n"
           "                         TARGET is [NAME=]tcp:HOST[:PORT] or "
           "[NAME=]serial:PORT[@BAUD],\n"
           "                         --targets holds one a line; --limits serves the alarms of\n"
           "                         a limit set; runs until SIGINT or SIGTERM\n"
           "\n"
           "Without a link option the saved settings name the link, as for the console.\n"
           "Exit status: 0 success, 1 the device refused or did not answer, 2 usage error.\n";
}

}  // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Options options;
    Action action;
    try {
        options = ParseOptions(args);
        if (options.help) {
            PrintHelp(out);
            return kSuccess;
        }
        if (options.version) {
            out << "kv90t-ctl " << platform::kVersion << "\n";
            return kSuccess;
        }
        if (!options.fields.empty()) {
            for (const std::string& name : FieldNames(options.fields)) {
                out << name << "\n";
            }
            return kSuccess;
        }
        if (!options.command.empty() && options.command.front() == "serve") {
            return Serve(options.command, out, err);
        }
        if (!options.command.empty() && options.command.front() == "log") {
            return RunLog(options.command, options.json, out, err);
        }
        if (!options.command.empty() && options.command.front() == "mark") {
            return RunMark(options.command, options.dataFolder, options.json, out, err);
        }
        if (!options.command.empty() && options.command.front() == "alarms") {
            return RunAlarms(options.command, options.json, out, err);
        }
        action = ParseCommand(options.command);
    } catch (const UsageError& error) {
        err << "kv90t-ctl: " << error.what() << "; see --help\n";
        return kUsageError;
    }
    std::optional<DemoDevice> demo;
    if (options.link == Options::Link::Demo) {
        demo.emplace(*options.profile, options.scenario);
        options.link = Options::Link::Tcp;
        options.spec.host = "127.0.0.1";
        options.spec.port = demo->server.TcpPort();
    } else if (options.link == Options::Link::Saved) {
        ReadSavedLink(&options);
    }
    const OpenedLink opened = OpenLink(options.spec);
    CKV90T1_Comm comm(opened.link.get());
    Context context(comm, options.json, out, err);
    if (opened.link->IsLinkGood() == 0) {
        const std::string why = opened.failure();
        return context.Fail("cannot open the link to the device (" + options.spec.Name() + ")" +
                            (why.empty() ? "" : ": " + why));
    }
    return action(context);
}

}  // namespace ctl
