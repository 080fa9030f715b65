#include "TallowinCore/document/TaskContract.h"

#include "TallowinCore/base/UnicodeText.h"
#include "TallowinCore/document/SourceIdentity.h"
#include "TallowinCore/document/TaskContractError.h"

namespace tallowin {

namespace {

std::string trimmed(const std::string &text)
{
    return std::string(UnicodeText::trimmedWhitespaceAndNewlines(text));
}

} // namespace

TaskContract TaskContract::validated() const
{
    TaskContract result = *this;
    result.id = trimmed(id);
    result.person = trimmed(person);
    result.title = trimmed(title);

    if (schemaVersion != currentSchemaVersion)
        throw TaskContractError::unsupportedSchemaVersion(schemaVersion);
    if (result.id.empty())
        throw TaskContractError::emptyField("id");
    if (result.person.empty())
        throw TaskContractError::emptyField("person");
    if (result.title.empty())
        throw TaskContractError::emptyField("title");
    for (const TaskSource &source : sources) {
        // A source without a label is reported by its link, which is what the pipeline can find again.
        if (UnicodeText::trimmedWhitespaceAndNewlines(source.label).empty())
            throw TaskContractError::invalidSourceURL(source.url);
        SourceIdentity::sourceKey(source.url);
    }

    result.context = trimmed(context);
    result.instruction = trimmed(instruction);
    return result;
}

} // namespace tallowin
