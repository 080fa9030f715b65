#pragma once

#include <filesystem>
#include <string>

namespace tallowin::test {

// A fresh owner-only folder under the system's temporary folder, removed with everything in it.
// path() refuses names that would lead outside it, so a test cannot touch anything else.
class TemporaryFolder
{
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder &) = delete;
    TemporaryFolder &operator=(const TemporaryFolder &) = delete;

    const std::filesystem::path &root() const { return m_root; }
    std::filesystem::path path(const std::string &relative) const;
    void write(const std::string &relative, const std::string &content) const;
    std::string read(const std::string &relative) const;

private:
    std::filesystem::path m_root;
};

} // namespace tallowin::test
