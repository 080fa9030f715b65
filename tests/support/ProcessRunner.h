#pragma once

#include <map>
#include <string>
#include <vector>

namespace tallowin::test {

struct ProcessResult
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs a program to its end with the given arguments, extra environment and standard input.
ProcessResult runProcess(const std::string &program, const std::vector<std::string> &arguments,
    const std::map<std::string, std::string> &environment = {}, const std::string &input = {});

// Runs the built tallowin-cli.
ProcessResult runCli(const std::vector<std::string> &arguments,
    const std::map<std::string, std::string> &environment = {}, const std::string &input = {});

} // namespace tallowin::test
