#pragma once

#include "TallowinCore/base/TallowinError.h"

#include <string>
#include <string_view>

namespace tallowin {

// Why a request to the cloud database failed. Every sentence names the database by its address without the
// user name and password, so that the message can be shown and logged as it is.
class TALLOWIN_CORE_EXPORT TallowinCouchError : public TallowinError
{
public:
    enum class Kind { invalidURL, unreachable, unauthorized, notFound, unexpectedStatus, malformedResponse, cancelled };

    static TallowinCouchError invalidURL();
    static TallowinCouchError unreachable(const std::string &url, const std::string &reason);
    static TallowinCouchError unauthorized(const std::string &url, long status);
    static TallowinCouchError notFound(const std::string &url);
    static TallowinCouchError unexpectedStatus(const std::string &url, long status, const std::string &reason);
    static TallowinCouchError malformedResponse(const std::string &url);
    static TallowinCouchError cancelled(const std::string &url);

    Kind kind() const { return m_kind; }
    // The address of the request, never with credentials; empty for invalidURL.
    const std::string &url() const { return m_url; }
    // The HTTP status, or 0 when there was no answer.
    long status() const { return m_status; }

    friend bool operator==(const TallowinCouchError &a, const TallowinCouchError &b)
    {
        return a.m_kind == b.m_kind && a.m_url == b.m_url && a.m_status == b.m_status
            && std::string_view(a.what()) == std::string_view(b.what());
    }

private:
    TallowinCouchError(Kind kind, std::string url, long status, const std::string &sentence);

    Kind m_kind;
    std::string m_url;
    long m_status;
};

} // namespace tallowin
