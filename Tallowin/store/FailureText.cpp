#include "Tallowin/store/FailureText.h"

namespace tallowin {

std::string failureText(const std::exception_ptr &failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception &error) {
        return error.what();
    } catch (...) {
        return "An unknown error occurred.";
    }
}

} // namespace tallowin
