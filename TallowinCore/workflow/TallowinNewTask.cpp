#include "TallowinCore/workflow/TallowinNewTask.h"

#include "TallowinCore/base/UnicodeText.h"
#include "TallowinCore/document/TallowinDocument.h"

namespace tallowin {

TaskContract TallowinNewTask::contract(const std::string &title, const std::string &context, const std::string &person)
{
    TaskContract contract;
    contract.schemaVersion = TaskContract::currentSchemaVersion;
    contract.id = TallowinDocument::newTaskID();
    const std::string trimmedPerson(UnicodeText::trimmedWhitespaceAndNewlines(person));
    contract.person = trimmedPerson.empty() ? "Me" : trimmedPerson;
    contract.title = title;
    contract.context = context;
    contract.kind = TaskKind::commitment;
    return contract.validated();
}

} // namespace tallowin
