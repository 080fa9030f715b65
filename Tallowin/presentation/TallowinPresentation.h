#pragma once

#include <optional>
#include <string>

namespace tallowin {

// The sheet that is open. Two values name the same sheet when case and task ID agree.
struct TallowinPresentation
{
    enum class Kind { completion, delay, action, merge, details, allTasks, newTask, inbox, settings };

    Kind kind = Kind::allTasks;
    // Set for the cases about one card (completion to details), empty for the others.
    std::string taskID;

    static TallowinPresentation completion(std::string taskID) { return {Kind::completion, std::move(taskID)}; }
    static TallowinPresentation delay(std::string taskID) { return {Kind::delay, std::move(taskID)}; }
    static TallowinPresentation action(std::string taskID) { return {Kind::action, std::move(taskID)}; }
    static TallowinPresentation merge(std::string taskID) { return {Kind::merge, std::move(taskID)}; }
    static TallowinPresentation details(std::string taskID) { return {Kind::details, std::move(taskID)}; }
    static TallowinPresentation allTasks() { return {Kind::allTasks, {}}; }
    static TallowinPresentation newTask() { return {Kind::newTask, {}}; }
    static TallowinPresentation inbox() { return {Kind::inbox, {}}; }
    static TallowinPresentation settings() { return {Kind::settings, {}}; }

    friend bool operator==(const TallowinPresentation &, const TallowinPresentation &) = default;
};

} // namespace tallowin
