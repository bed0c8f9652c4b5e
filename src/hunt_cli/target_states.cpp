#include "hunt_cli/target_states.h"

namespace qorvex::hunt_cli {

namespace {

constexpr std::string_view kStopped = "stopped";

}  // namespace

TargetStates::TargetStates(hunt::HuntStore& store, std::vector<std::string> labels)
    : m_store(store), m_labels(std::move(labels)), m_last(m_labels.size()) {}

std::optional<std::string> TargetStates::set(std::size_t target, std::string_view state,
                                             const std::string& reason, hunt::TimeMs now) {
    auto& last = m_last[target];
    if (last.first == state && last.second == reason) {
        return std::nullopt;
    }
    try {
        m_store.record_target_state(m_labels[target], state, reason, now);
        last = {std::string(state), reason};
        return std::nullopt;
    } catch (const hunt::StoreError& error) {
        return "the target's state was not written: " + std::string(error.what());
    }
}

void TargetStates::end_all(const std::string& reason, hunt::TimeMs now) {
    for (std::size_t target = 0; target < m_last.size(); ++target) {
        if (!m_last[target].first.empty() && m_last[target].first != kStopped) {
            set(target, kStopped, reason, now);
        }
    }
}

}  // namespace qorvex::hunt_cli
