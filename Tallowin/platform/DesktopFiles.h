#pragma once

#include <QDBusConnection>

#include <filesystem>
#include <functional>

namespace tallowin {

// Opening the deck file with its default application and revealing it in the file manager.
struct DesktopFiles
{
    static constexpr const char *couldNotOpen = "No application is set up to open your task file.";
    static constexpr const char *couldNotReveal = "The file manager could not show your task file.";

    // True when an application took the file.
    std::function<bool(const std::filesystem::path &)> open;
    // True when a file manager shows the file, or at least its folder.
    std::function<bool(const std::filesystem::path &)> reveal;

    static DesktopFiles system();

    // Asks the file manager over the freedesktop FileManager1 interface to show the file selected; when no file
    // manager answers there, opens the folder with openFolder instead.
    static bool revealOverDBus(const std::filesystem::path &file, QDBusConnection bus,
        const std::function<bool(const std::filesystem::path &)> &openFolder);
};

} // namespace tallowin
