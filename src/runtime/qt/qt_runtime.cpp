#include "runtime/qt/qt_runtime.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QMessageBox>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <utility>

#include "runtime/form_validation.h"
#include "runtime/qt/qt_text.h"

namespace qorvex::runtime::qt {

namespace {

void open_in_browser(std::string_view url) {
    // The program builds its addresses already percent-encoded.
    QDesktopServices::openUrl(
        QUrl::fromEncoded(QByteArray(url.data(), static_cast<qsizetype>(url.size()))));
}

}  // namespace

QtRuntime::QtRuntime() : QtRuntime(open_in_browser) {}

QtRuntime::QtRuntime(UrlOpener open_url)
    : m_open_url(std::move(open_url)),
      m_box_gate([this](std::function<void()> task) { post(std::move(task)); }),
      m_context(std::make_unique<QObject>()) {
    // The program ends when its last window is destroyed, not when Qt counts
    // no visible window (a message box closing before the main window shows).
    QApplication::setQuitOnLastWindowClosed(false);
}

QtRuntime::~QtRuntime() {
    {
        std::lock_guard lock(m_post_mutex);
        m_loop_ended = true;
    }
    for (const auto& window : std::vector(m_windows)) {
        window->on_destroyed(nullptr);
        window->destroy();
    }
    m_windows.clear();
    // Deleting the context discards the tasks still queued for it.
    m_context.reset();
}

std::shared_ptr<Form> QtRuntime::create_window(const FormDescription& description,
                                               EventTable events, WindowMode mode,
                                               const WindowReady& ready) {
    if (find_form_fault(description, events)) {
        return nullptr;
    }
    std::shared_ptr<QtForm> form = QtForm::load(description, std::move(events), mode);
    if (form == nullptr) {
        return nullptr;
    }
    form->on_destroyed([this](QtForm& destroyed) { window_destroyed(destroyed); });
    m_windows.push_back(form);
    m_exit_code.reset();
    {
        std::lock_guard lock(m_post_mutex);
        m_loop_ended = false;
    }
    update_blocking();
    if (ready) {
        ready(form);
    }
    form->raise("", EventKind::CreationComplete);
    form->show();
    if (m_running) {
        form->activate();
    }
    return form;
}

void QtRuntime::message_box(std::string_view text) {
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("信息："));
    box.setTextFormat(Qt::PlainText);
    // Qt breaks the lines of a plain-text box at CR LF itself, so the box
    // keeps the program's text unchanged.
    box.setText(to_qstring(text));
    box.setIcon(QMessageBox::NoIcon);
    box.setStandardButtons(QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    const MessageBoxGate::OpenBox open(m_box_gate);
    box.exec();
}

void QtRuntime::after_message_boxes(std::function<void()> task) {
    m_box_gate.after_boxes(std::move(task));
}

void QtRuntime::open_url(std::string_view url) {
    m_open_url(url);
}

void QtRuntime::delay(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(std::max(milliseconds, 0), &loop, &QEventLoop::quit);
    loop.exec();
}

void QtRuntime::post(std::function<void()> task) {
    std::lock_guard lock(m_post_mutex);
    if (m_loop_ended || !task) {
        return;
    }
    QMetaObject::invokeMethod(
        m_context.get(),
        [this, generation = m_generation, task = std::move(task)]() {
            if (accepts(generation)) {
                task();
            }
        },
        Qt::QueuedConnection);
}

bool QtRuntime::accepts(std::uint64_t generation) const {
    std::lock_guard lock(m_post_mutex);
    return !m_loop_ended && generation == m_generation;
}

int QtRuntime::run() {
    if (m_windows.empty()) {
        return 0;
    }
    QEventLoop loop;
    m_loop = &loop;
    m_running = true;
    // The windows made so far, the newest last so that it ends up active; a
    // window blocked by a modal one cannot be activated.
    for (const auto& window : std::vector(m_windows)) {
        if (window->window_enabled()) {
            window->activate();
        }
    }
    const int code = m_windows.empty() ? 0 : loop.exec();
    m_running = false;
    m_loop = nullptr;
    return code;
}

void QtRuntime::window_destroyed(const QtForm& form) {
    std::erase_if(m_windows, [&form](const auto& window) { return window.get() == &form; });
    update_blocking();
    if (!m_windows.empty()) {
        return;
    }
    m_exit_code = 0;
    {
        std::lock_guard lock(m_post_mutex);
        m_loop_ended = true;
        ++m_generation;
    }
    if (m_loop != nullptr) {
        m_loop->exit(0);
    }
}

void QtRuntime::update_blocking() {
    auto modal = std::find_if(m_windows.rbegin(), m_windows.rend(), [](const auto& window) {
        return window->mode() == WindowMode::Modal;
    });
    for (const auto& window : m_windows) {
        window->set_blocked(modal != m_windows.rend() && window != *modal);
    }
}

}  // namespace qorvex::runtime::qt
