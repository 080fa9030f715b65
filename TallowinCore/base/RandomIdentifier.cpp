#include "TallowinCore/base/RandomIdentifier.h"

#include <openssl/rand.h>

#include <array>
#include <stdexcept>

namespace tallowin {

namespace {

std::string formattedUUID(const char *digits)
{
    std::array<unsigned char, 16> bytes {};
    if (RAND_bytes(bytes.data(), static_cast<int>(bytes.size())) != 1)
        throw std::runtime_error("The system could not provide random bytes for a new identifier.");
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);
    std::string text;
    text.reserve(36);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text.push_back('-');
        text.push_back(digits[bytes[i] >> 4]);
        text.push_back(digits[bytes[i] & 0x0F]);
    }
    return text;
}

} // namespace

std::string RandomIdentifier::lowercaseUUID()
{
    return formattedUUID("0123456789abcdef");
}

std::string RandomIdentifier::uppercaseUUID()
{
    return formattedUUID("0123456789ABCDEF");
}

} // namespace tallowin
