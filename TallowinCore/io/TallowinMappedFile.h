#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <cstddef>
#include <filesystem>
#include <string_view>

namespace tallowin {

// A file's bytes mapped read-only instead of copied: reading a large deck this way costs almost nothing, where
// a copy has to fault in and fill fresh memory. The bytes are followed by readable bytes up to a page boundary,
// at least the padding asked for, so the deck codec can parse them in place.
//
// The catch: a program that cuts the file short in place while it is mapped makes the next read of the lost
// part raise SIGBUS. Only a process that has called exitCleanlyOnTruncation() should map files.
class TALLOWIN_CORE_EXPORT TallowinMappedFile
{
public:
    // Throws TallowinFileError as TallowinTextFile::read does (notFound for a missing file); a file that is not
    // a regular file cannot be mapped and fails with "read".
    static TallowinMappedFile map(const std::filesystem::path &path, std::size_t padding);

    TallowinMappedFile(TallowinMappedFile &&other) noexcept;
    TallowinMappedFile &operator=(TallowinMappedFile &&other) noexcept;
    TallowinMappedFile(const TallowinMappedFile &) = delete;
    TallowinMappedFile &operator=(const TallowinMappedFile &) = delete;
    ~TallowinMappedFile();

    std::string_view text() const { return {m_start, m_size}; }
    // Readable bytes past the end of text(); what they hold does not matter.
    std::size_t readableBytesAfter() const { return m_length - m_size; }
    // Gives the pages back before the object goes; text() is empty afterwards.
    void unmap() noexcept;

    // Whether address lies within a mapping that is in place now. Safe to call from a signal handler.
    static bool contains(const void *address) noexcept;
    // Makes SIGBUS within a mapped file end the process with exit status 1 and a sentence on standard error
    // instead of a crash: nothing has been written at that point, so the command can simply be run again.
    // SIGBUS anywhere else keeps its default action.
    static void exitCleanlyOnTruncation();

private:
    TallowinMappedFile(char *start, std::size_t size, std::size_t length) noexcept;

    char *m_start = nullptr;
    std::size_t m_size = 0;
    std::size_t m_length = 0;
};

} // namespace tallowin
