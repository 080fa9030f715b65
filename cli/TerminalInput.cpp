#include "cli/TerminalInput.h"

#include <csignal>
#include <iostream>
#include <termios.h>
#include <unistd.h>

namespace tallowin::cli {

namespace {

// The terminal as it was before echo went off, for the signal handler to put back.
struct termios savedTerminal;
volatile sig_atomic_t echoIsOff = 0;

constexpr int restoringSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP};

void restoreEcho()
{
    if (echoIsOff) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
        echoIsOff = 0;
    }
}

void restoreAndRaise(int signal)
{
    restoreEcho();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Echo stays off only while this lives, and a signal in between puts it back before it ends the program.
class EchoOff
{
public:
    EchoOff()
    {
        if (::tcgetattr(STDIN_FILENO, &savedTerminal) != 0)
            return;
        for (const int signal : restoringSignals)
            std::signal(signal, restoreAndRaise);
        struct termios quiet = savedTerminal;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        echoIsOff = ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    }
    ~EchoOff()
    {
        restoreEcho();
        for (const int signal : restoringSignals)
            std::signal(signal, SIG_DFL);
    }
    EchoOff(const EchoOff &) = delete;
    EchoOff &operator=(const EchoOff &) = delete;
};

std::optional<std::string> nextLine()
{
    std::string line;
    if (!std::getline(std::cin, line) && line.empty())
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

void showPrompt(const std::string &prompt)
{
    std::cout.flush();
    std::cerr << prompt << std::flush;
}

} // namespace

bool standardInputIsTerminal()
{
    return ::isatty(STDIN_FILENO) == 1;
}

std::optional<std::string> readLine(const std::string &prompt)
{
    if (standardInputIsTerminal())
        showPrompt(prompt);
    return nextLine();
}

std::optional<std::string> readSecretLine(const std::string &prompt)
{
    if (!standardInputIsTerminal())
        return nextLine();
    // Echo goes off before the prompt shows, so nothing typed after the prompt is shown, nor flushed away.
    const EchoOff quiet;
    showPrompt(prompt);
    return nextLine();
}

} // namespace tallowin::cli
