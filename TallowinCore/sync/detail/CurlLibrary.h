#pragma once

#include <curl/curl.h>

namespace tallowin {

// libcurl, loaded when the first request is made instead of when the program starts. With the libraries it
// pulls in, loading it at start would cost every command several milliseconds that only sync needs.
struct CurlLibrary
{
    CURL *(*easyInit)();
    void (*easyCleanup)(CURL *handle);
    CURLcode (*easySetopt)(CURL *handle, CURLoption option, ...);
    CURLcode (*easyPerform)(CURL *handle);
    CURLcode (*easyGetinfo)(CURL *handle, CURLINFO info, ...);
    const char *(*easyStrerror)(CURLcode code);
    curl_slist *(*slistAppend)(curl_slist *list, const char *text);
    void (*slistFreeAll)(curl_slist *list);

    // Loads and initialises the library the first time; throws std::runtime_error with a sentence when it cannot,
    // and tries again on the next call.
    static const CurlLibrary &get();
};

} // namespace tallowin
