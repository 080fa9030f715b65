#pragma once

#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tallowin::test {

// The names in a folder (none when it does not exist), to check that a write left no lock, temporary
// or stray backup behind.
inline std::set<std::string> entriesOf(const std::filesystem::path &folder)
{
    std::set<std::string> names;
    if (!std::filesystem::exists(folder))
        return names;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// The ID of a process that has exited and been reaped, so that no process has it.
inline pid_t exitedProcessID()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child)
        throw std::runtime_error("cannot fork a short-lived child");
    return child;
}

} // namespace tallowin::test
