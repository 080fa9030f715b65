#include "TallowinCore/settings/TallowinSettings.h"

#include "TallowinCore/base/UnicodeText.h"
#include "TallowinCore/settings/TallowinSettingsError.h"

#include <unordered_set>

namespace tallowin {

namespace {

void requirePositive(std::int64_t value, const char *key)
{
    if (value < 1)
        throw TallowinSettingsError::invalidValue(std::string(key) + " must be a positive integer");
}

std::vector<std::string> normalisedNames(const std::vector<std::string> &names)
{
    std::vector<std::string> result;
    std::unordered_set<std::string> seen;
    for (const std::string &name : names) {
        const std::string_view trimmed = UnicodeText::trimmedWhitespaceAndNewlines(name);
        if (trimmed.empty())
            continue;
        // The first written form of a name wins over later variants in other case or accents.
        if (seen.insert(UnicodeText::foldedCaseAndDiacritics(trimmed)).second)
            result.emplace_back(trimmed);
    }
    return result;
}

} // namespace

TallowinSettings TallowinSettings::defaults()
{
    return {currentSchemaVersion, true, 1, 30, 7, 3, {}, true, true, true};
}

TallowinSettings TallowinSettings::validated() const
{
    if (schemaVersion != currentSchemaVersion)
        throw TallowinSettingsError::unsupportedSchemaVersion(schemaVersion);
    requirePositive(scanIntervalHours, "scan.interval_hours");
    requirePositive(initialLookbackDays, "scan.initial_lookback_days");
    requirePositive(routineLookbackDays, "scan.lookback_days");
    requirePositive(minimumOverlapDays, "scan.minimum_overlap_days");
    TallowinSettings result = *this;
    result.vipNames = normalisedNames(vipNames);
    return result;
}

} // namespace tallowin
