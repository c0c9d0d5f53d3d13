#pragma once
// Runs kv90t-ctl in the test's process against the simulated device, collecting what it
// prints and what reached the device.

#include <sstream>
#include <string>
#include <vector>

#include "ctl/ctl.h"
#include "tests/support/SimulatedDevice.h"

struct CtlRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline CtlRun RunCtl(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    CtlRun run;
    run.status = ctl::Run(args, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

// The arguments that point kv90t-ctl at the simulated device, then `command`.
inline std::vector<std::string> At(testsupport::SimulatedDevice& sim,
                                   std::vector<std::string> command, bool json = false) {
    std::vector<std::string> args = {"--tcp", "127.0.0.1:" + std::to_string(sim.TcpPort())};
    if (json) {
        args.push_back("--json");
    }
    args.insert(args.end(), command.begin(), command.end());
    return args;
}
