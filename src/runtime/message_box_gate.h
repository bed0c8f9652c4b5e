#pragma once

// Holds back tasks while a message box is open. A message box runs its own
// message loop, so a posted task can run beneath it; a window opened there
// would sit under the box, and a task-modal box that closes enables again
// the windows it disabled, a modal window's blocked owner among them. Tasks
// that open windows therefore wait until the last open box has closed.
//
// User-interface thread only.

#include <functional>
#include <utility>
#include <vector>

namespace qorvex::runtime {

class MessageBoxGate {
public:
    using Post = std::function<void(std::function<void()>)>;

    // `post` queues a task on the user-interface thread's message loop.
    explicit MessageBoxGate(Post post) : m_post(std::move(post)) {}

    // Runs `task` at once when no box is open; otherwise posts it once the
    // last open box has closed.
    void after_boxes(std::function<void()> task);

    // Marks a message box open for the lifetime of the scope.
    class OpenBox {
    public:
        explicit OpenBox(MessageBoxGate& gate) : m_gate(gate) { ++m_gate.m_open; }
        ~OpenBox() { m_gate.box_closed(); }
        OpenBox(const OpenBox&) = delete;
        OpenBox& operator=(const OpenBox&) = delete;

    private:
        MessageBoxGate& m_gate;
    };

private:
    void box_closed();

    Post m_post;
    int m_open = 0;
    std::vector<std::function<void()>> m_waiting;
};

}  // namespace qorvex::runtime
