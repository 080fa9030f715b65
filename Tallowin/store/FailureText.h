#pragma once

#include <exception>
#include <string>

namespace tallowin {

// The sentence the user sees for a caught failure: the error's description.
std::string failureText(const std::exception_ptr &failure);

} // namespace tallowin
