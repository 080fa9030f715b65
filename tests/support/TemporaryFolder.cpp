#include "tests/support/TemporaryFolder.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace tallowin::test {

TemporaryFolder::TemporaryFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tallowin-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr)
        throw std::runtime_error("could not create a temporary folder");
    m_root = std::filesystem::path(buffer.data());
}

TemporaryFolder::~TemporaryFolder()
{
    std::error_code ignored;
    std::filesystem::permissions(m_root, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(m_root, ignored);
}

std::filesystem::path TemporaryFolder::path(const std::string &relative) const
{
    const std::filesystem::path candidate = (m_root / relative).lexically_normal();
    const auto [rootEnd, candidateIt] = std::mismatch(m_root.begin(), m_root.end(), candidate.begin(), candidate.end());
    if (rootEnd != m_root.end() || std::filesystem::path(relative).is_absolute())
        throw std::logic_error("test path leaves its temporary folder: " + relative);
    return candidate;
}

void TemporaryFolder::write(const std::string &relative, const std::string &content) const
{
    const auto target = path(relative);
    std::filesystem::create_directories(target.parent_path());
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out)
        throw std::runtime_error("could not write " + target.string());
}

std::string TemporaryFolder::read(const std::string &relative) const
{
    std::ifstream in(path(relative), std::ios::binary);
    if (!in)
        throw std::runtime_error("could not read " + relative);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

} // namespace tallowin::test
