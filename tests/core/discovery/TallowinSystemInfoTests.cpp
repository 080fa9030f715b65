#include "TallowinCore/discovery/TallowinSystemInfo.h"

#include <gtest/gtest.h>

#include <regex>
#include <sys/utsname.h>

namespace tallowin {
namespace {

std::string described(std::string_view osRelease, std::string_view kernel = "6.1.0-18-amd64")
{
    return TallowinSystemInfo::operatingSystemVersion(osRelease, kernel);
}

TEST(TallowinSystemInfo, PrettyNameAndKernelRelease)
{
    const std::string debian = "NAME=\"Debian GNU/Linux\"\n"
                               "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"
                               "VERSION_ID=\"12\"\n";
    EXPECT_EQ(described(debian), "Debian GNU/Linux 12 (bookworm) (kernel 6.1.0-18-amd64)");
}

TEST(TallowinSystemInfo, ReadsEveryShellQuotingOfTheValue)
{
    EXPECT_EQ(described("PRETTY_NAME=Arch\n"), "Arch (kernel 6.1.0-18-amd64)");
    EXPECT_EQ(described("PRETTY_NAME='Fedora \"Linux\" 40'"), "Fedora \"Linux\" 40 (kernel 6.1.0-18-amd64)");
    EXPECT_EQ(described(R"(PRETTY_NAME="A \"quoted\" \$HOME \\ \` name")"),
        "A \"quoted\" $HOME \\ ` name (kernel 6.1.0-18-amd64)");
    EXPECT_EQ(described("# PRETTY_NAME=\"Commented\"\nXPRETTY_NAME=\"Other\"\n"), "unknown (kernel 6.1.0-18-amd64)");
    EXPECT_EQ(described("PRETTY_NAME=\"First\"\nPRETTY_NAME=\"Second\"\n"), "Second (kernel 6.1.0-18-amd64)");
}

TEST(TallowinSystemInfo, WhateverIsMissingIsUnknown)
{
    EXPECT_EQ(described("", ""), "unknown (kernel unknown)");
    EXPECT_EQ(described("PRETTY_NAME=\"\"\n", "6.9"), "unknown (kernel 6.9)");
    EXPECT_EQ(described("PRETTY_NAME=\"Debian\"", ""), "Debian (kernel unknown)");
}

TEST(TallowinSystemInfo, DescribesThisMachine)
{
    struct utsname system = {};
    ASSERT_EQ(::uname(&system), 0);
    const std::string text = TallowinSystemInfo::operatingSystemVersion();
    EXPECT_TRUE(text.ends_with(std::string(" (kernel ") + system.release + ")")) << text;

    EXPECT_TRUE(std::regex_match(TallowinSystemInfo::shortVersion(), std::regex("[0-9]+\\.[0-9]+\\.[0-9]+")));
    EXPECT_TRUE(std::regex_match(TallowinSystemInfo::buildNumber(), std::regex("[0-9]+|unknown")));
}

} // namespace
} // namespace tallowin
