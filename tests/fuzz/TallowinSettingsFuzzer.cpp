// Reads arbitrary bytes as Tallowin.toml. Rejections must be TallowinSettingsError with a sentence (UTF-8 whenever
// the file was, as the settings file reader lets only UTF-8 through), naming a line of the file when it names one.
// Settings that decode are valid already, encode to TOML that decodes to the same settings, and encode to the
// same text again.
#include "FuzzChecks.h"

#include "TallowinCore/settings/TallowinSettings.h"
#include "TallowinCore/settings/TallowinSettingsError.h"
#include "TallowinCore/settings/TallowinSettingsTOML.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace {

using namespace tallowin;
using fuzz::completes;
using fuzz::require;

constexpr const char *target = "settings";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const bool utf8 = fuzz::isUTF8(text);
    const auto lines = static_cast<std::int64_t>(std::count(text.begin(), text.end(), '\n')) + 1;

    TallowinSettings settings = TallowinSettings::defaults();
    try {
        settings = TallowinSettingsTOML::decode(text);
    } catch (const TallowinSettingsError &error) {
        fuzz::requireSentence(target, error, utf8);
        require(error.lineNumber() >= 0 && error.lineNumber() <= lines, target, "an error names a line past the end");
        return 0;
    } catch (const std::exception &error) {
        fuzz::fail(target, std::string("an undocumented error escaped the decode: ") + error.what());
    }

    completes<>(target, true, [&] {
        require(settings.validated() == settings, target, "decoded settings change when validated again");
        const std::string encoded = TallowinSettingsTOML::encode(settings);
        require(fuzz::isUTF8(encoded), target, "the encoded file is not UTF-8");
        const TallowinSettings again = TallowinSettingsTOML::decode(encoded);
        require(again == settings, target, "decode(encode(settings)) differs from the settings");
        require(TallowinSettingsTOML::encode(again) == encoded, target, "encoding is not stable across a round trip");
    });
    return 0;
}
