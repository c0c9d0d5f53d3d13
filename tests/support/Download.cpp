#include "tests/support/Download.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {

std::vector<uint8_t> Download(uint32_t address, uint16_t port, int quietMs) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = htonl(address);
    target.sin_port = htons(port);
    std::vector<uint8_t> bytes;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&target), sizeof target) == 0) {
        std::vector<uint8_t> buffer(1 << 20);
        pollfd pfd{fd, POLLIN, 0};
        while (::poll(&pfd, 1, quietMs) > 0) {
            const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
            if (n <= 0) {
                break;
            }
            bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + n);
        }
    }
    ::close(fd);
    return bytes;
}

}  // namespace testsupport
