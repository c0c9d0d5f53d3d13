#include "tests/support/Http.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <thread>

namespace testsupport {
namespace {

sockaddr_in Loopback(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

}  // namespace

std::string HttpGet(uint16_t port, const std::string& path) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = Loopback(port);
    std::string response;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        const std::string request =
            "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
        if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(request.size())) {
            char buffer[65536];
            for (ssize_t got; (got = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) {
                response.append(buffer, static_cast<size_t>(got));
            }
        }
    }
    ::close(fd);
    const size_t body = response.find("\r\n\r\n");
    return body == std::string::npos ? std::string() : response.substr(body + 4);
}

uint16_t FreeTcpPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(0);
    socklen_t size = sizeof address;
    ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

std::optional<double> Sample(const std::string& text, const std::string& name,
                             const std::map<std::string, std::string>& labels) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(name + (labels.empty() ? " " : "{"), 0) != 0) {
            continue;
        }
        const size_t close = line.rfind('}');
        const std::string series =
            labels.empty() ? "" : line.substr(name.size() + 1, close - name.size() - 1);
        size_t found = 0;
        for (const auto& [label, value] : labels) {
            found += series.find(label + "=\"" + value + "\"") != std::string::npos ? 1 : 0;
        }
        const size_t commas = static_cast<size_t>(std::count(series.begin(), series.end(), ','));
        if (found == labels.size() && (labels.empty() || commas + 1 == labels.size())) {
            return std::stod(line.substr(line.rfind(' ') + 1));
        }
    }
    return std::nullopt;
}

bool HasSeries(const std::string& text, const std::string& name, const std::string& label,
               const std::string& value) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(name + "{", 0) == 0 &&
            line.find(label + "=\"" + value + "\"") != std::string::npos) {
            return true;
        }
    }
    return false;
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace testsupport
