#include "TallowinCore/sync/TallowinRemoteChangeCenter.h"

#include <cstdint>
#include <vector>

namespace tallowin {

// Handles may outlive the centre, so they reach the observers through a shared registry.
struct TallowinRemoteChangeCenter::Registry
{
    std::mutex mutex;
    std::uint64_t nextID = 0;
    std::map<std::uint64_t, std::pair<std::string, std::shared_ptr<Observer>>> observers;
};

TallowinRemoteChangeCenter::TallowinRemoteChangeCenter()
    : m_registry(std::make_shared<Registry>())
{ }

TallowinRemoteChangeCenter::~TallowinRemoteChangeCenter() = default;

std::shared_ptr<void> TallowinRemoteChangeCenter::observe(const std::string &name, Observer observer)
{
    std::uint64_t id = 0;
    {
        const std::lock_guard guard(m_registry->mutex);
        id = m_registry->nextID++;
        m_registry->observers.emplace(id, std::pair(name, std::make_shared<Observer>(std::move(observer))));
    }
    std::weak_ptr<Registry> registry = m_registry;
    return std::shared_ptr<void>(nullptr, [registry, id](void *) {
        if (const auto alive = registry.lock()) {
            const std::lock_guard guard(alive->mutex);
            alive->observers.erase(id);
        }
    });
}

void TallowinRemoteChangeCenter::post(const std::string &name)
{
    // Called outside the lock, so an observer may observe or post in turn.
    std::vector<std::shared_ptr<Observer>> matching;
    {
        const std::lock_guard guard(m_registry->mutex);
        for (const auto &[id, entry] : m_registry->observers) {
            if (entry.first == name)
                matching.push_back(entry.second);
        }
    }
    for (const auto &observer : matching)
        (*observer)();
}

} // namespace tallowin
