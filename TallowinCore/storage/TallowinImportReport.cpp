#include "TallowinCore/storage/TallowinImportReport.h"

#include <algorithm>

namespace tallowin {

namespace {

std::size_t countOf(const std::vector<TallowinImportReport::Source> &sources, TallowinImportReport::Outcome outcome)
{
    return static_cast<std::size_t>(std::count_if(sources.begin(), sources.end(),
        [outcome](const TallowinImportReport::Source &source) { return source.outcome == outcome; }));
}

} // namespace

std::size_t TallowinImportReport::importedCount() const
{
    return countOf(sources, Outcome::imported);
}

std::string TallowinImportReport::summary() const
{
    return "Import: " + std::to_string(countOf(sources, Outcome::imported)) + " imported, "
        + std::to_string(countOf(sources, Outcome::duplicate)) + " already present, "
        + std::to_string(countOf(sources, Outcome::inaccessible)) + " inaccessible, "
        + std::to_string(countOf(sources, Outcome::invalid)) + " invalid.";
}

std::string_view rawValue(TallowinImportReport::Outcome outcome)
{
    switch (outcome) {
    case TallowinImportReport::Outcome::imported:
        return "imported";
    case TallowinImportReport::Outcome::duplicate:
        return "duplicate";
    case TallowinImportReport::Outcome::inaccessible:
        return "inaccessible";
    case TallowinImportReport::Outcome::invalid:
        return "invalid";
    }
    return "imported";
}

} // namespace tallowin
