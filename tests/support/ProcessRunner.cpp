#include "tests/support/ProcessRunner.h"

#include "tests/support/TemporaryFolder.h"

#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace tallowin::test {

ProcessResult runProcess(const std::string &program, const std::vector<std::string> &arguments,
    const std::map<std::string, std::string> &environment, const std::string &input)
{
    // Output goes to files, so a chatty child never blocks on a full pipe.
    TemporaryFolder scratch;
    scratch.write("in", input);
    const std::string inPath = scratch.path("in").string();
    const std::string outPath = scratch.path("out").string();
    const std::string errPath = scratch.path("err").string();

    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char *> rawArgv;
    for (std::string &argument : argv)
        rawArgv.push_back(argument.data());
    rawArgv.push_back(nullptr);

    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        for (const auto &[name, value] : environment)
            ::setenv(name.c_str(), value.c_str(), 1);
        const int in = ::open(inPath.c_str(), O_RDONLY);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0)
            ::_exit(127);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        ::execv(program.c_str(), rawArgv.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) { }
    ProcessResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = scratch.read("out");
    result.err = scratch.read("err");
    return result;
}

ProcessResult runCli(const std::vector<std::string> &arguments, const std::map<std::string, std::string> &environment,
    const std::string &input)
{
    return runProcess(TALLOWIN_CLI_PATH, arguments, environment, input);
}

} // namespace tallowin::test
