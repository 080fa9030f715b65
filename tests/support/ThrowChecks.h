#pragma once

#include <gtest/gtest.h>

#include <exception>
#include <string>
#include <utility>

namespace tallowin::test {

// What an error that is not the expected one says, for the failure message.
inline std::string describe(std::exception_ptr thrown)
{
    try {
        std::rethrow_exception(thrown);
    } catch (const std::exception &error) {
        return std::string("another error: ") + error.what();
    } catch (...) {
        return "something that is not an exception";
    }
}

// The error a statement threw, kept alive as thrown (no copy, so a base type keeps the whole error), or nothing.
template<typename Error> class Thrown
{
public:
    Thrown() = default;
    Thrown(std::exception_ptr keeper, const Error &error)
        : m_keeper(std::move(keeper))
        , m_error(&error)
    { }

    explicit operator bool() const { return m_error != nullptr; }
    const Error &operator*() const { return *m_error; }
    const Error *operator->() const { return m_error; }

private:
    std::exception_ptr m_keeper;
    const Error *m_error = nullptr;
};

// Runs body and returns the error of type Error it throws. When it returns normally or throws something else, a
// failure is recorded at the caller's line and nothing is returned, so checks on the error are skipped.
template<typename Error, typename Body>
Thrown<Error> thrownError(Body &&body, const char *statement, const char *file, int line)
{
    try {
        std::forward<Body>(body)();
    } catch (const Error &error) {
        return Thrown<Error>(std::current_exception(), error);
    } catch (...) {
        ADD_FAILURE_AT(file, line) << statement << " threw " << describe(std::current_exception());
        return {};
    }
    ADD_FAILURE_AT(file, line) << statement << " did not throw";
    return {};
}

template<typename Error>
Thrown<Error> expectSentence(Thrown<Error> error, const std::string &sentence, const char *file, int line)
{
    if (error && sentence != error->what())
        ADD_FAILURE_AT(file, line) << "the error's sentence is\n  " << error->what() << "\nnot\n  " << sentence;
    return error;
}

// An expected error value: the same case and payload, and so the same sentence.
template<typename Error>
Thrown<Error> expectSentence(Thrown<Error> error, const Error &expected, const char *file, int line)
{
    if (error && !(*error == expected))
        ADD_FAILURE_AT(file, line) << "the error is\n  " << error->what() << "\nnot\n  " << expected.what();
    return expectSentence(std::move(error), std::string(expected.what()), file, line);
}

} // namespace tallowin::test

// The error of type Error that the statement throws, or nothing (and a failure) when it throws none.
#define THROWN_ERROR(Error, ...)                                                                                       \
    ::tallowin::test::thrownError<Error>([&] { __VA_ARGS__; }, #__VA_ARGS__, __FILE__, __LINE__)

// The statement throws an Error whose sentence is expected (a text, or an error value that must be equal).
// Returns the error for further checks.
#define EXPECT_THROW_SENTENCE(Error, expected, ...)                                                                    \
    ::tallowin::test::expectSentence<Error>(THROWN_ERROR(Error, __VA_ARGS__), expected, __FILE__, __LINE__)
