// kv90t: the KV90T console.

#include <QApplication>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "app/CKV90TApp.h"
#include "metrics/endpoint.h"
#include "platform/program_folder.h"
#include "platform/version.h"
#include "sim/Profile.h"
#include "ui/Icons.h"

namespace {

void PrintHelp() {
    std::printf(
        "Usage: kv90t [options] [NO_INIT_STATUS=1] [ETHERNET_IP_ADDR=address]\n"
        "The KV90T telemetry receiver console.\n\n"
        "Arguments:\n"
        "  NO_INIT_STATUS=1           read nothing from the device at start, poll nothing\n"
        "  ETHERNET_IP_ADDR=address   the device's address (used when the saved settings\n"
        "                             choose Ethernet)\n\n"
        "Options:\n"
        "  --demo[=PROFILE]           run on a simulated device started inside the program;\n"
        "                             NO_INIT_STATUS=1 applies, ETHERNET_IP_ADDR and the saved\n"
        "                             settings do not, and nothing is saved; profiles:");
    for (const sim::Profile& profile : sim::Profiles()) {
        std::printf(" %s", profile.name.c_str());
    }
    std::printf(
        "\n  --scenario NAME            with --demo: the simulated device plays scripted\n"
        "                             trouble, repeating, to show the alarms:\n");
    for (const sim::ScenarioInfo& scenario : sim::Scenarios()) {
        std::printf("                               %-13s %s\n", scenario.name,
                    scenario.description);
    }
    std::printf(
        "  --data-dir DIR             write sampling files, conversions and downloads to DIR\n"
        "  --status-log               log every status poll to a CSV file in the data folder\n"
        "  --metrics [ADDR:]PORT      serve the polled status as Prometheus metrics on\n"
        "                             http://ADDR:PORT/metrics (ADDR 127.0.0.1 unless given)\n"
        "  --help                     show this text\n"
        "  --version                  show the version\n\n"
        "Saved settings: $KV90T_SETTINGS, else ~/.config/kv90t/kv90t.reg.\n"
        "Serial ports: COMn opens the link comN in $KV90T_SERIAL_DIR (else\n"
        "~/.config/kv90t/dosdevices) when there is one, else /dev/ttyS<n-1>.\n"
        "Set KV90T_DEBUG to see the diagnostic lines on standard error.\n");
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv, argv + argc);
    const sim::Profile* demo = nullptr;
    sim::Scenario scenario = sim::Scenario::kNone;
    std::string dataFolder;
    bool statusLog = false;
    std::optional<metrics::ListenAddress> metricsAddress;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--help" || arg == "-h") {
            PrintHelp();
            return 0;
        }
        if (arg == "--version") {
            std::printf("kv90t %s\n", platform::kVersion);
            return 0;
        }
        if (arg == "--demo" || arg.rfind("--demo=", 0) == 0) {
            demo = arg == "--demo" ? &sim::DefaultProfile() : sim::FindProfile(arg.substr(7));
            if (demo == nullptr) {
                std::fprintf(stderr, "kv90t: unknown profile in '%s'; see --help\n",
                             args[i].c_str());
                return 2;
            }
        } else if (arg == "--scenario") {
            const sim::ScenarioInfo* found =
                sim::FindScenario(i + 1 < args.size() ? args[++i] : std::string());
            if (found == nullptr) {
                std::fprintf(stderr, "kv90t: --scenario needs a scenario's name; see --help\n");
                return 2;
            }
            scenario = found->scenario;
        } else if (arg == "--metrics") {
            try {
                metricsAddress = metrics::ParseListenAddress(i + 1 < args.size() ? args[++i] : "");
            } catch (const std::invalid_argument& error) {
                std::fprintf(stderr, "kv90t: --metrics: %s; see --help\n", error.what());
                return 2;
            }
        } else if (arg == "--status-log") {
            statusLog = true;
        } else if (arg == "--data-dir") {
            if (i + 1 == args.size()) {
                std::fprintf(stderr, "kv90t: --data-dir needs a folder; see --help\n");
                return 2;
            }
            dataFolder = args[++i];
            if (const std::string problem = platform::DataFolderProblem(dataFolder);
                !problem.empty()) {
                std::fprintf(stderr, "kv90t: --data-dir '%s' cannot be used: %s\n",
                             dataFolder.c_str(), problem.c_str());
                return 2;
            }
        } else if (arg.rfind("--", 0) == 0) {
            std::fprintf(stderr, "kv90t: unknown option '%s'; see --help\n", args[i].c_str());
            return 2;
        }
    }
    std::unique_ptr<metrics::Endpoint> endpoint;
    if (metricsAddress) {
        try {
            endpoint = std::make_unique<metrics::Endpoint>(*metricsAddress);
        } catch (const std::runtime_error& error) {
            std::fprintf(stderr, "kv90t: %s\n", error.what());
            return 2;
        }
    }
    QApplication application(argc, argv);
    QApplication::setWindowIcon(ui::ApplicationIcon());
    CKV90TApp app(args);
    app.SetDataFolder(dataFolder);
    app.SetStatusLog(statusLog);
    app.SetMetricsRegistry(endpoint ? endpoint->Registry() : nullptr);
    if (demo != nullptr) {
        app.UseDemoDevice(*demo, scenario);
    }
    app.InitInstance();
    return 0;
}
