#include "TallowinCore/io/TallowinAtomicFile.h"

#include "TallowinCore/base/RandomIdentifier.h"
#include "TallowinCore/io/TallowinFileError.h"

namespace tallowin {

namespace {

// A name taken by a temporary file we did not make is unlikely twice; more often means something else.
constexpr int maximumTemporaryNames = 8;

} // namespace

std::filesystem::path TallowinAtomicFile::folderOf(const std::filesystem::path &path)
{
    return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

std::string TallowinAtomicFile::temporaryPrefix(const std::filesystem::path &path)
{
    return "." + path.filename().string().substr(0, 200) + ".tmp-";
}

void TallowinAtomicFile::write(
    const std::filesystem::path &path, std::string_view text, TallowinFileOperations &operations)
{
    writePieces(path, &text, 1, operations);
}

void TallowinAtomicFile::write(
    const std::filesystem::path &path, const std::vector<std::string> &pieces, TallowinFileOperations &operations)
{
    std::vector<std::string_view> views(pieces.begin(), pieces.end());
    writePieces(path, views.data(), views.size(), operations);
}

void TallowinAtomicFile::writePieces(const std::filesystem::path &path, const std::string_view *pieces,
    std::size_t count, TallowinFileOperations &operations)
{
    const std::filesystem::path folder = folderOf(path);
    std::filesystem::path temporary;
    int descriptor = -1;
    for (int attempt = 1; descriptor < 0; ++attempt) {
        temporary = folder / (temporaryPrefix(path) + RandomIdentifier::lowercaseUUID());
        std::error_code error;
        descriptor = operations.createExclusive(temporary, error);
        if (descriptor < 0 && (error != std::errc::file_exists || attempt == maximumTemporaryNames))
            throw TallowinFileError::failed("write", path, error);
    }

    // Until the rename the target is untouched; a failure only has to take the temporary away.
    const auto abandon = [&](std::error_code error, bool stillOpen) {
        if (stillOpen)
            operations.close(descriptor);
        operations.remove(temporary);
        return TallowinFileError::failed("write", path, error);
    };
    if (const std::error_code error = operations.writeAll(descriptor, std::span(pieces, count)))
        throw abandon(error, true);
    if (const std::error_code error = operations.syncFile(descriptor))
        throw abandon(error, true);
    if (const std::error_code error = operations.close(descriptor))
        throw abandon(error, false);
    if (const std::error_code error = operations.rename(temporary, path))
        throw abandon(error, false);
    // Every reader sees the new file from here on. A failed folder sync leaves only its survival of a
    // power loss unconfirmed; it is still reported, so that nothing counts as saved that may not stay.
    if (const std::error_code error = operations.syncDirectory(folder))
        throw TallowinFileError::failed("write", path, error);
}

} // namespace tallowin
