// decode-memory-probe FILE: reads and decodes one deck file in a fresh process and prints its peak memory.
// A separate process, so nothing else (generated decks, benchmark caches) inflates the high-water mark.
#include "TallowinCore/codec/TallowinDocumentJson.h"
#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/io/TallowinTextFile.h"

#include <fstream>
#include <iostream>
#include <string>

namespace {

// Kibibytes of a "Name:   1234 kB" line of /proc/self/status, or -1.
long statusKiB(const std::string &name)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, name.size() + 1, name + ":") == 0)
            return std::stol(line.substr(name.size() + 1));
    }
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::cerr << "usage: decode-memory-probe FILE\n";
        return 2;
    }
    try {
        const long startKiB = statusKiB("VmHWM");
        const std::string text
            = tallowin::TallowinTextFile::read(argv[1], tallowin::TallowinDocumentJson::paddingBytes());
        const long afterReadKiB = statusKiB("VmHWM");
        const long residentAfterReadKiB = statusKiB("VmRSS");
        const tallowin::TallowinDocument document
            = tallowin::TaskMarkdownCodec::decode(text, tallowin::TallowinTextFile::spareCapacity(text));
        const long peakKiB = statusKiB("VmHWM");
        std::cout << "file_bytes " << text.size() << "\n"
                  << "cards " << document.tasks.size() << "\n"
                  << "peak_before_read_kib " << startKiB << "\n"
                  << "peak_after_read_kib " << afterReadKiB << "\n"
                  << "resident_after_read_kib " << residentAfterReadKiB << "\n"
                  << "peak_after_decode_kib " << peakKiB << "\n"
                  << "resident_after_decode_kib " << statusKiB("VmRSS") << "\n"
                  << "peak_over_file_size " << double(peakKiB) * 1024.0 / double(text.size()) << "\n";
    } catch (const std::exception &error) {
        std::cerr << "decode-memory-probe: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
