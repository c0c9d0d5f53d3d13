#include "platform/shell_open.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <mutex>
#include <thread>

extern char** environ;

namespace platform {
namespace {

std::mutex g_openerMutex;
ShellOpener g_opener;

// Starts xdg-open and reaps it in the background: the viewer it starts may run for long.
bool XdgOpen(const std::string& path, int* error) {
    char program[] = "xdg-open";
    std::string argument = path;
    char* argv[] = {program, argument.data(), nullptr};
    pid_t child = 0;
    const int result = ::posix_spawnp(&child, program, nullptr, nullptr, argv, environ);
    if (result != 0) {
        *error = result;
        return false;
    }
    std::thread([child] {
        int status = 0;
        ::waitpid(child, &status, 0);
    }).detach();
    return true;
}

}  // namespace

bool ShellOpen(const std::string& path, int* error) {
    ShellOpener opener;
    {
        std::lock_guard lock(g_openerMutex);
        opener = g_opener;
    }
    *error = 0;
    return opener ? opener(path, error) : XdgOpen(path, error);
}

ShellOpener SetShellOpener(ShellOpener opener) {
    std::lock_guard lock(g_openerMutex);
    ShellOpener previous = std::move(g_opener);
    g_opener = std::move(opener);
    return previous;
}

}  // namespace platform
