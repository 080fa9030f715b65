// Finding cards as the user types: folding, words, the store's order and keys reused across decks.
#include "Tallowin/presentation/TaskSearchIndex.h"
#include "Tallowin/presentation/TaskSearchQuery.h"
#include "tests/support/DeckBuilders.h"

#include <gtest/gtest.h>

using namespace tallowin;
using namespace tallowin::test;

namespace {

TaskItem card(const std::string &id, std::int64_t order, const std::string &title, const std::string &person)
{
    TaskItem task = makeTask(id, order);
    task.title = title;
    task.person = person;
    return task;
}

std::vector<std::string> idsOf(const TaskSearchIndex &index, const std::vector<TaskSearchIndex::Row> &rows)
{
    std::vector<std::string> ids;
    for (const TaskSearchIndex::Row row : rows)
        ids.push_back(index.entries()[row].id);
    return ids;
}

} // namespace

TEST(TaskSearchQuery, matchesEveryWordIgnoringCaseAccentsAndWidth)
{
    struct Case
    {
        const char *query;
        const char *title;
        bool matches;
    };
    const Case cases[] = {
        {"", "Anything", true},
        {"  \t ", "Anything", true},
        {"rent", "Pay the RENT", true},
        {"RENT", "pay the rent", true},
        {"cafe", "Café menu", true},
        {"CAFÉ", "cafe menu", true},
        {"ｒｅｎｔ", "Pay rent", true},
        {"pay rent", "Pay the rent", true},
        {"rent pay", "Pay the rent", true},
        {"pay water", "Pay the rent", false},
        {"straße", "STRASSE fixen", true},
        {"plumber", "Call the plumbr", false},
    };
    for (const Case &test : cases) {
        const TaskSearchQuery query(test.query);
        EXPECT_EQ(query.matches(TaskSearchQuery::folded(test.title)), test.matches)
            << "query '" << test.query << "' on '" << test.title << "'";
    }
    EXPECT_TRUE(TaskSearchQuery("   ").isEmpty());
    EXPECT_FALSE(TaskSearchQuery("a").isEmpty());
}

TEST(TaskSearchIndex, keepsTheStoresOrderAndSearchesTitlesAndPeople)
{
    std::vector<TaskItem> tasks
        = {card("c", 3, "Call the plumber", "Ana"), card("a", 1, "Pay rent", "Björn"), card("b", 2, "Plan", "Me")};
    tasks[2].highlighted = true;
    const TaskSearchIndex index(tasks);

    EXPECT_EQ(idsOf(index, index.matching(TaskSearchQuery())), (std::vector<std::string> {"b", "a", "c"}));
    EXPECT_EQ(idsOf(index, index.matching(TaskSearchQuery("bjorn"))), std::vector<std::string> {"a"});
    EXPECT_EQ(idsOf(index, index.matching(TaskSearchQuery("pl"))), (std::vector<std::string> {"b", "c"}));
    // A word does not run from the title into the person.
    EXPECT_TRUE(index.matching(TaskSearchQuery("rentbj")).empty());
    EXPECT_EQ(idsOf(index,
                  index.matching(TaskSearchQuery("pl"), [](const TaskSearchEntry &entry) { return entry.id != "b"; })),
        std::vector<std::string> {"c"});
    EXPECT_EQ(index.rowOf("c"), 2);
    EXPECT_EQ(index.rowOf("missing"), -1);
}

TEST(TaskSearchIndex, aNewDeckKeepsUnchangedKeysAndFoldsChangedCardsAgain)
{
    std::vector<TaskItem> tasks = {card("a", 1, "Café", "Ana"), card("b", 2, "Tee", "Ben")};
    const TaskSearchIndex first(tasks);
    tasks[1].title = "Thé";
    tasks[0].state = TaskState::completed;
    const TaskSearchIndex second(tasks, &first);

    EXPECT_EQ(second.entries()[0].key, first.entries()[0].key);
    EXPECT_EQ(second.entries()[0].state, TaskState::completed);
    EXPECT_EQ(second.entries()[1].key, TaskSearchQuery::folded("Thé") + "\n" + TaskSearchQuery::folded("Ben"));
    EXPECT_EQ(idsOf(second, second.matching(TaskSearchQuery("the"))), std::vector<std::string> {"b"});
}
