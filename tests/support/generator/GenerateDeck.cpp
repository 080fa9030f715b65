// tallowin-generate-deck CARDS SEED OUTPUT: writes a generated deck file for tests and measurements.
#include "tests/support/generator/DeckGenerator.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string_view>

namespace {

template<typename Number> bool parse(std::string_view text, Number &value)
{
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc {} && result.ptr == text.data() + text.size();
}

} // namespace

int main(int argc, char **argv)
{
    std::size_t cards = 0;
    std::uint64_t seed = 0;
    if (argc != 4 || !parse(std::string_view(argv[1]), cards) || !parse(std::string_view(argv[2]), seed)) {
        std::cerr << "usage: tallowin-generate-deck CARDS SEED OUTPUT\n";
        return 2;
    }
    try {
        const std::string text = tallowin::bench::generateDeckText(cards, seed);
        std::ofstream output(argv[3], std::ios::binary | std::ios::trunc);
        output.write(text.data(), static_cast<std::streamsize>(text.size()));
        output.close();
        if (!output) {
            std::cerr << "tallowin-generate-deck: cannot write " << argv[3] << "\n";
            return 1;
        }
        std::cout << argv[3] << ": " << cards << " cards, " << text.size() << " bytes\n";
    } catch (const std::exception &error) {
        std::cerr << "tallowin-generate-deck: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
