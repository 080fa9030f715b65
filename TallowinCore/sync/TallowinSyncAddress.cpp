#include "TallowinCore/sync/TallowinSyncAddress.h"

#include "TallowinCore/sync/TallowinCouchError.h"

#include <boost/url.hpp>

namespace tallowin {

namespace {

std::string withCredentials(const TallowinSyncAddress &address, bool includePassword)
{
    boost::urls::url url(address.databaseURL);
    if (!address.user.empty() || (includePassword && address.password)) {
        url.set_user(address.user);
        if (includePassword && address.password)
            url.set_password(*address.password);
    }
    return std::string(url.buffer());
}

} // namespace

TallowinSyncAddress TallowinSyncAddress::parse(std::string_view text)
{
    const auto parsed = boost::urls::parse_uri(boost::urls::string_view(text.data(), text.size()));
    if (!parsed)
        throw TallowinCouchError::invalidURL();
    boost::urls::url url(*parsed);
    if ((url.scheme_id() != boost::urls::scheme::http && url.scheme_id() != boost::urls::scheme::https)
        || url.encoded_host().empty())
        throw TallowinCouchError::invalidURL();
    TallowinSyncAddress address;
    if (url.has_userinfo()) {
        address.user = url.user();
        if (url.has_password())
            address.password = url.password();
        url.remove_userinfo();
    }
    url.remove_query().remove_fragment();

    std::string path(url.encoded_path());
    while (!path.empty() && path.back() == '/')
        path.pop_back();
    if (path.empty())
        throw TallowinCouchError::invalidURL();
    const std::string origin(url.encoded_origin());
    address.databaseURL = origin + path;
    address.serverURL = origin + path.substr(0, path.rfind('/'));
    return address;
}

std::string TallowinSyncAddress::withoutPassword() const
{
    return withCredentials(*this, false);
}

std::string TallowinSyncAddress::withPassword() const
{
    return withCredentials(*this, true);
}

} // namespace tallowin
