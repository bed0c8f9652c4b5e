#include "runtime/message_box_gate.h"

namespace qorvex::runtime {

void MessageBoxGate::after_boxes(std::function<void()> task) {
    if (!task) {
        return;
    }
    if (m_open == 0) {
        task();
        return;
    }
    m_waiting.push_back(std::move(task));
}

void MessageBoxGate::box_closed() {
    if (--m_open > 0) {
        return;
    }
    // Posted rather than run here: the box's caller, a handler, finishes first.
    for (auto& task : std::exchange(m_waiting, {})) {
        m_post(std::move(task));
    }
}

}  // namespace qorvex::runtime
