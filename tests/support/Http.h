#pragma once
// Loopback HTTP for the metrics tests: a GET, a free port, and the samples of a scrape.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace testsupport {

// The body of GET `path` on 127.0.0.1:`port`; empty when nothing answered.
std::string HttpGet(uint16_t port, const std::string& path);

// A loopback port that nothing listens on at the time of the call.
uint16_t FreeTcpPort();

// The value of the sample `name{labels}` in Prometheus text, labels in any order.
std::optional<double> Sample(const std::string& text, const std::string& name,
                             const std::map<std::string, std::string>& labels);

// Whether `text` holds a sample of `name` carrying the label `label`="`value`".
bool HasSeries(const std::string& text, const std::string& name, const std::string& label,
               const std::string& value);

// Waits in real time, up to `timeoutMs`, until `done` holds.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10'000);

}  // namespace testsupport
