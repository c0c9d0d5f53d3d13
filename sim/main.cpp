// kv90t-sim: the simulated KV90T device as a program of its own.

#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/serial_ports.h"
#include "platform/version.h"
#include "sim/KV90TSimulation.h"
#include "sim/Profile.h"
#include "sim/SimDevice.h"
#include "sim/SimServer.h"

namespace {

constexpr const char* kUsage =
    "Usage: kv90t-sim [--tcp PORT] [--pty[=COMn]] [--profile NAME] [--load-time MS] "
    "[--dau-rate DATAGRAMS_PER_S] [--scenario NAME]\n"
    "  or:  kv90t-sim --help | --version\n"
    "Simulated KV90T telemetry receiver. Answers the console's command frames until\n"
    "interrupted (Ctrl+C).\n"
    "\n"
    "Options:\n"
    "  --tcp PORT    listen on 127.0.0.1:PORT (0 picks a free port); default 5000\n"
    "  --pty         serve a pseudo-terminal as the device's serial port\n"
    "  --pty=COMn    the same, and register it as port COMn in the serial device folder\n"
    "                ($KV90T_SERIAL_DIR, else ~/.config/kv90t/dosdevices)\n"
    "  --profile NAME   the hardware the device has (default: full); see below\n"
    "  --load-time MS   how long a mode change takes to load a personality (default 50)\n"
    "  --dau-rate DATAGRAMS_PER_S\n"
    "                send DAU sampling datagrams at this rate instead of the channel's\n"
    "                sample rate divided by its samples per datagram (to load a console)\n"
    "  --scenario NAME  play scripted trouble, repeating, to drive alarms; see below\n"
    "  --help        show this text\n"
    "  --version     show the version\n"
    "\n"
    "DAU sampling streams go to the address and UDP port that command 0x1002 names (stream\n"
    "index 9 for channel 1, 10 for channel 2), on this machine only, from the data ports that\n"
    "parameter page 0 reports (words 46 and 47); a stream that is not renewed for 65 s stops.\n";

void PrintProfiles() {
    std::printf("\nProfiles:\n");
    for (const sim::Profile& profile : sim::Profiles()) {
        std::printf("  %-8s %s\n", profile.name.c_str(), profile.description.c_str());
    }
    std::printf("\nScenarios:\n");
    for (const sim::ScenarioInfo& scenario : sim::Scenarios()) {
        std::printf("  %-13s %s\n", scenario.name, scenario.description);
    }
}

struct Options {
    const sim::Profile* profile = &sim::DefaultProfile();
    uint32_t loadTimeMs = sim::KV90TSimulation::kDefaultLoadTimeMs;
    bool tcp = false;
    uint16_t tcpPort = 5000;
    bool pty = false;
    std::string ptyName;
    double dauRate = 0;
    sim::Scenario scenario = sim::Scenario::kNone;
};

bool ParseNumber(const char* text, uint16_t* value) {
    char* end = nullptr;
    const long number = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || number < 0 || number > 65535) {
        return false;
    }
    *value = static_cast<uint16_t>(number);
    return true;
}

// Returns 0 to run, 1 for a usage error, 2 after --help or --version.
int ParseOptions(int argc, char** argv, Options* options) {
    uint16_t loadTime = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            PrintProfiles();
            return 2;
        }
        if (arg == "--version") {
            std::printf("kv90t-sim %s\n", platform::kVersion);
            return 2;
        }
        if (arg == "--tcp" && i + 1 < argc && ParseNumber(argv[i + 1], &options->tcpPort)) {
            options->tcp = true;
            ++i;
        } else if (arg == "--profile" && i + 1 < argc && sim::FindProfile(argv[i + 1])) {
            options->profile = sim::FindProfile(argv[++i]);
        } else if (arg == "--load-time" && i + 1 < argc && ParseNumber(argv[i + 1], &loadTime)) {
            options->loadTimeMs = loadTime;
            ++i;
        } else if (arg == "--dau-rate" && i + 1 < argc && std::strtod(argv[i + 1], nullptr) > 0) {
            options->dauRate = std::strtod(argv[++i], nullptr);
        } else if (arg == "--scenario" && i + 1 < argc && sim::FindScenario(argv[i + 1])) {
            options->scenario = sim::FindScenario(argv[++i])->scenario;
        } else if (arg == "--pty") {
            options->pty = true;
        } else if (arg.rfind("--pty=", 0) == 0) {
            options->pty = true;
            options->ptyName = arg.substr(6);
        } else {
            std::fprintf(stderr, "kv90t-sim: bad argument '%s'\n%s", argv[i], kUsage);
            return 1;
        }
    }
    if (!options->tcp && !options->pty) {
        options->tcp = true;
    }
    return 0;
}

bool OpenEndpoints(const Options& options, sim::SimServer* server) {
    std::string error;
    if (options.tcp && !server->ListenTcp(options.tcpPort, &error)) {
        std::fprintf(stderr, "kv90t-sim: cannot listen on TCP port %u: %s\n", options.tcpPort,
                     error.c_str());
        return false;
    }
    if (options.pty && !server->OpenPty(&error)) {
        std::fprintf(stderr, "kv90t-sim: cannot open a pseudo-terminal: %s\n", error.c_str());
        return false;
    }
    if (!options.ptyName.empty() &&
        !platform::RegisterSerialPort(options.ptyName, server->PtyPath())) {
        std::fprintf(stderr, "kv90t-sim: cannot register %s in %s: %s\n", options.ptyName.c_str(),
                     platform::SerialDeviceFolder().c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (const int parsed = ParseOptions(argc, argv, &options); parsed != 0) {
        return parsed == 2 ? 0 : 2;
    }
    // Block the stop signals before any thread starts, then wait for one here.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    sim::SimDevice device;
    sim::KV90TSimulation simulation(device, *options.profile);
    simulation.SetPersonalityLoadTime(options.loadTimeMs);
    simulation.SetDauRate(options.dauRate);
    simulation.SetScenario(options.scenario);
    sim::SimServer server(device);
    if (!OpenEndpoints(options, &server)) {
        return 1;
    }
    server.Start();
    std::printf("kv90t-sim: profile %s\n", options.profile->name.c_str());
    if (options.tcp) {
        std::printf("kv90t-sim: listening on TCP 127.0.0.1:%u\n", server.TcpPort());
    }
    if (options.pty) {
        std::printf("kv90t-sim: serial port on %s%s%s\n", server.PtyPath().c_str(),
                    options.ptyName.empty() ? "" : " as ", options.ptyName.c_str());
    }
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.Stop();
    if (!options.ptyName.empty()) {
        platform::UnregisterSerialPort(options.ptyName);
    }
    std::printf("kv90t-sim: stopped\n");
    return 0;
}
