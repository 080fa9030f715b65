#pragma once

// What every fuzz target holds a decoder to: it fails only with the error types it documents, each with a
// sentence a person can read, and whatever else it does is checked by the target. A broken rule aborts, which
// libFuzzer reports as a finding with the input that caused it.

#include <simdjson.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>

namespace tallowin::fuzz {

[[noreturn]] inline void fail(const char *target, const std::string &what)
{
    std::fprintf(stderr, "%s fuzzer: %s\n", target, what.c_str());
    std::abort();
}

inline void require(bool condition, const char *target, const char *what)
{
    if (!condition)
        fail(target, what);
}

inline bool isUTF8(std::string_view text)
{
    return simdjson::validate_utf8(text.data(), text.size());
}

// A sentence shown to the user: not empty, and text (bytes that are not UTF-8 come out as replacement characters or
// break a reader of the CLI's output). utf8Expected: the input was UTF-8, so what the sentence echoes of it is too.
inline void requireSentence(const char *target, const std::exception &error, bool utf8Expected = true)
{
    const std::string_view sentence = error.what();
    if (sentence.empty())
        fail(target, "an error has an empty sentence");
    if (utf8Expected && !isUTF8(sentence))
        fail(target, "an error's sentence is not UTF-8: " + std::string(sentence));
}

namespace detail {

template<typename Body> bool catching(const char *, bool, Body &body)
{
    body();
    return true;
}

template<typename First, typename... Rest, typename Body> bool catching(const char *target, bool utf8, Body &body)
{
    try {
        return catching<Rest...>(target, utf8, body);
    } catch (const First &error) {
        requireSentence(target, error, utf8);
        return false;
    }
}

} // namespace detail

// Runs body. True when it returned; false when it threw one of the Allowed errors with a proper sentence. Any other
// exception is a finding.
template<typename... Allowed, typename Body> bool completes(const char *target, bool utf8Input, Body &&body)
{
    try {
        return detail::catching<Allowed...>(target, utf8Input, body);
    } catch (const std::exception &error) {
        fail(target, std::string("an undocumented error escaped: ") + error.what());
    } catch (...) {
        fail(target, "something that is not an exception escaped");
    }
}

} // namespace tallowin::fuzz
