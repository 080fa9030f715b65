#include "TallowinCore/sync/detail/CurlLibrary.h"

#include <dlfcn.h>
#include <stdexcept>
#include <string>

namespace tallowin {

namespace {

// The name every libcurl since 7.16 has been installed under.
constexpr const char *libraryName = "libcurl.so.4";

template<typename Function> void bind(void *library, Function &function, const char *name)
{
    void *symbol = ::dlsym(library, name);
    if (symbol == nullptr)
        throw std::runtime_error(std::string("The HTTP library ") + libraryName + " lacks " + name + ".");
    function = reinterpret_cast<Function>(symbol);
}

CurlLibrary load()
{
    void *library = ::dlopen(libraryName, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
        throw std::runtime_error(std::string("Tallowin could not load the HTTP library that sync needs: ") + ::dlerror()
            + ". Install libcurl4.");
    CurlLibrary curl = {};
    bind(library, curl.easyInit, "curl_easy_init");
    bind(library, curl.easyCleanup, "curl_easy_cleanup");
    bind(library, curl.easySetopt, "curl_easy_setopt");
    bind(library, curl.easyPerform, "curl_easy_perform");
    bind(library, curl.easyGetinfo, "curl_easy_getinfo");
    bind(library, curl.easyStrerror, "curl_easy_strerror");
    bind(library, curl.slistAppend, "curl_slist_append");
    bind(library, curl.slistFreeAll, "curl_slist_free_all");
    CURLcode (*globalInit)(long flags) = nullptr;
    bind(library, globalInit, "curl_global_init");
    if (globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK)
        throw std::runtime_error("libcurl could not be initialised");
    // Kept loaded for the life of the process, as a linked library would be.
    return curl;
}

} // namespace

const CurlLibrary &CurlLibrary::get()
{
    static const CurlLibrary library = load();
    return library;
}

} // namespace tallowin
