#include "ctl/serve.h"

#include <fstream>
#include <memory>
#include <stdexcept>

#include "ctl/command.h"
#include "ctl/commands.h"
#include "ctl/receiver_poller.h"
#include "metrics/endpoint.h"
#include "platform/clock.h"

namespace ctl {
namespace {

struct ServeOptions {
    metrics::ListenAddress address;
    std::vector<ServeTarget> targets;
    std::optional<alarms::LimitSet> limits;
};

// One target a line; blank lines and lines that begin with '#' are skipped.
void ReadTargetsFile(const std::string& path, std::vector<ServeTarget>* targets) {
    std::ifstream file(path);
    if (!file) {
        throw UsageError("cannot read the targets file '" + path + "'");
    }
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        line.erase(0, line.find_first_not_of(" \t"));
        line.erase(line.find_last_not_of(" \t\r") + 1);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        try {
            targets->push_back(ParseServeTarget(line));
        } catch (const UsageError& error) {
            throw UsageError(path + ":" + std::to_string(number) + ": " + error.what());
        }
    }
}

ServeOptions ParseServe(const std::vector<std::string>& words) {
    ServeOptions options;
    bool address = false;
    for (size_t i = 1; i < words.size(); ++i) {
        const bool last = i + 1 == words.size();
        if (words[i] == "--metrics" && !last) {
            try {
                options.address = metrics::ParseListenAddress(words[++i]);
            } catch (const std::invalid_argument& error) {
                throw UsageError(std::string("--metrics: ") + error.what());
            }
            address = true;
        } else if (words[i] == "--limits" && !last) {
            options.limits = ReadLimits(words[++i]);
        } else if (words[i] == "--targets" && !last) {
            ReadTargetsFile(words[++i], &options.targets);
        } else if (words[i].rfind("--", 0) == 0) {
            throw UsageError("serve: unexpected '" + words[i] + "'");
        } else {
            options.targets.push_back(ParseServeTarget(words[i]));
        }
    }
    if (!address) {
        throw UsageError("serve needs --metrics [ADDR:]PORT");
    }
    if (options.targets.empty()) {
        throw UsageError("serve needs at least one TARGET or a --targets file");
    }
    return options;
}

}  // namespace

int Serve(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    ServeOptions options;
    std::unique_ptr<metrics::Endpoint> endpoint;
    try {
        options = ParseServe(words);
        endpoint = std::make_unique<metrics::Endpoint>(options.address);
    } catch (const UsageError& error) {
        err << "kv90t-ctl: " << error.what() << "; see --help\n";
        return kUsageError;
    } catch (const std::runtime_error& error) {
        err << "kv90t-ctl: " << error.what() << "\n";
        return kUsageError;
    }
    InterruptCatcher interrupt;
    std::vector<std::unique_ptr<ReceiverPoller>> pollers;
    for (ServeTarget& target : options.targets) {
        pollers.push_back(std::make_unique<ReceiverPoller>(std::move(target), endpoint->Registry(),
                                                           options.limits));
    }
    metrics::ListenAddress bound = options.address;
    bound.port = endpoint->Port();
    out << "serving the metrics of " << pollers.size() << " receiver"
        << (pollers.size() == 1 ? "" : "s") << " on http://" << bound.Text() << "/metrics"
        << std::endl;
    while (!interrupt.Caught()) {
        platform::SleepMs(100);
    }
    pollers.clear();
    return kSuccess;
}

}  // namespace ctl
