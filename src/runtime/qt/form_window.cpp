#include "runtime/qt/form_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <utility>

#include "runtime/qt/qt_text.h"

namespace qorvex::runtime::qt {

namespace {

Qt::WindowFlags window_flags(const WindowStyle& style) {
    if (!style.title_bar) {
        // A dialog frame with neither title bar, system menu nor close button.
        return Qt::Dialog | Qt::CustomizeWindowHint;
    }
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (style.minimize_box) {
        flags |= Qt::WindowMinimizeButtonHint;
    }
    if (style.maximize_box) {
        flags |= Qt::WindowMaximizeButtonHint;
    }
    return flags;
}

}  // namespace

FormWindow::FormWindow(const FormDescription& description, bool modal)
    : QWidget(nullptr, window_flags(description.style)),
      m_resizable(description.style.resizable),
      m_closable(description.style.title_bar) {
    setWindowTitle(to_qstring(description.caption));
    if (modal) {
        setWindowModality(Qt::ApplicationModal);
    }
    set_client_size(description.width, description.height);
}

void FormWindow::set_client_size(int width, int height) {
    if (m_resizable) {
        resize(width, height);
    } else {
        setFixedSize(width, height);
    }
}

void FormWindow::centre() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
}

void FormWindow::on_close_request(std::function<void()> handler) {
    m_close_request = std::move(handler);
}

void FormWindow::closeEvent(QCloseEvent* event) {
    // The form decides when the window goes; a window without title bar or one
    // blocked by a modal window cannot be closed by the user at all.
    event->ignore();
    if (m_closable && isEnabled() && m_close_request) {
        std::function<void()> handler = m_close_request;
        handler();
    }
}

}  // namespace qorvex::runtime::qt
