#pragma once
// A program started beside the test (or benchmark), its output in a file, ended with SIGTERM.

#include <sys/types.h>

#include <string>
#include <vector>

namespace testsupport {

class ChildProcess {
public:
    // Starts `args` (the program's path first) with standard output and error into `log`.
    ChildProcess(std::vector<std::string> args, const std::string& log);
    ~ChildProcess() { Stop(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }
    // Ends it with SIGTERM; its exit status, or -1 when it did not exit by itself.
    int Stop();

private:
    pid_t m_pid = -1;
    int m_status = -1;
};

}  // namespace testsupport
