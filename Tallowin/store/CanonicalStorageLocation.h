#pragma once

#include <filesystem>

namespace tallowin {

// Where the application keeps its deck when TALLOWIN_FILE_PATH does not name one.
struct CanonicalStorageLocation
{
    // The default deck path of this user, with its folder created when missing and restricted to the
    // owner. Throws what looking up the home folder or protecting the folder throws; the deck file
    // itself is not touched.
    static std::filesystem::path defaultDeckFile();
};

} // namespace tallowin
