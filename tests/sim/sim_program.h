#pragma once
// kv90t-sim run as a child process, for what only the program shows: its options, its signals,
// and how it holds up against its clients.

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

// Runs kv90t-sim as a child process with its output on a pipe.
class SimProgram {
public:
    // `maxFiles`, when not 0, limits the descriptors the program may open.
    explicit SimProgram(std::vector<std::string> args, rlim_t maxFiles = 0) {
        int out[2];
        if (::pipe(out) != 0) {
            return;
        }
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            if (maxFiles != 0) {
                const rlimit limit{maxFiles, maxFiles};
                ::setrlimit(RLIMIT_NOFILE, &limit);
            }
            std::vector<char*> argv = {const_cast<char*>(KV90T_SIM_PATH)};
            for (auto& arg : args) {
                argv.push_back(arg.data());
            }
            argv.push_back(nullptr);
            ::execv(KV90T_SIM_PATH, argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        m_output = ::fdopen(out[0], "r");
    }
    ~SimProgram() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_output != nullptr) {
            std::fclose(m_output);
        }
    }
    std::string ReadLine() {
        char line[512] = {};
        return std::fgets(line, sizeof line, m_output) != nullptr ? line : "";
    }
    pid_t Pid() const { return m_pid; }
    // The TCP port of a program started with --tcp 0, from its first two lines.
    uint16_t ReadPort() {
        ReadLine();
        const std::string line = ReadLine();
        const std::string prefix = "kv90t-sim: listening on TCP 127.0.0.1:";
        return line.rfind(prefix, 0) == 0
                   ? static_cast<uint16_t>(std::stoi(line.substr(prefix.size())))
                   : 0;
    }
    int Interrupt(int signal = SIGINT) {
        ::kill(m_pid, signal);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        return status;
    }

private:
    pid_t m_pid = -1;
    FILE* m_output = nullptr;
};
