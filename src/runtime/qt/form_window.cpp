#include "runtime/qt/form_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <utility>

#include "runtime/designed_frame.h"
#include "runtime/qt/chinese_fonts.h"
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
    : QWidget(nullptr, window_flags(description.style)), m_style(description.style) {
    setWindowTitle(to_qstring(description.caption));
    setFont(standard_font());
    if (modal) {
        setWindowModality(Qt::ApplicationModal);
    }
    set_outer_size(description.width, description.height);
}

void FormWindow::set_outer_size(int outer_width, int outer_height) {
    const WindowSize client = designed_client_size(m_style, outer_width, outer_height);
    if (m_style.resizable) {
        resize(client.width, client.height);
    } else {
        setFixedSize(client.width, client.height);
    }
}

int FormWindow::outer_width() const {
    return designed_outer_size(m_style, width(), height()).width;
}

int FormWindow::outer_height() const {
    return designed_outer_size(m_style, width(), height()).height;
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
    if (m_style.title_bar && isEnabled() && m_close_request) {
        std::function<void()> handler = m_close_request;
        handler();
    }
}

}  // namespace qorvex::runtime::qt
