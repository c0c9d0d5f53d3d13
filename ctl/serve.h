#pragma once
// kv90t-ctl serve: Prometheus metrics of many receivers, each polled from its own thread.

#include <ostream>
#include <string>
#include <vector>

namespace ctl {

// `words` begin with "serve". Runs until SIGINT or SIGTERM; returns the exit status.
int Serve(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

}  // namespace ctl
