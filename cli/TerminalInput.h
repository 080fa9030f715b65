#pragma once

#include <optional>
#include <string>

namespace tallowin::cli {

// Whether a person types at standard input, rather than a pipe or a file feeding it.
bool standardInputIsTerminal();

// The next line of standard input without its line break; nothing at the end of the input. On a terminal the
// prompt is shown first on standard error, so that standard output stays the command's result.
std::optional<std::string> readLine(const std::string &prompt);

// As readLine, but a terminal does not show what is typed, and gets its echo back however the command ends.
std::optional<std::string> readSecretLine(const std::string &prompt);

} // namespace tallowin::cli
