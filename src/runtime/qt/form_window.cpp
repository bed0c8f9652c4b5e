#include "runtime/qt/form_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
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

QMargins frame_margins(const WindowStyle& style) {
    const FrameMargins frame = designed_frame(style);
    return {frame.left, frame.top, frame.right, frame.bottom};
}

}  // namespace

FormWindow::FormWindow(const FormDescription& description, bool modal)
    : QWidget(nullptr, window_flags(description.style)),
      m_frame(frame_margins(description.style)),
      m_resizable(description.style.resizable),
      m_closable(description.style.title_bar) {
    setWindowTitle(to_qstring(description.caption));
    setFont(standard_font());
    if (modal) {
        setWindowModality(Qt::ApplicationModal);
    }
    set_outer_size(description.width, description.height);
}

void FormWindow::set_outer_size(int outer_width, int outer_height) {
    const int width = std::max(0, outer_width - m_frame.left() - m_frame.right());
    const int height = std::max(0, outer_height - m_frame.top() - m_frame.bottom());
    if (m_resizable) {
        resize(width, height);
    } else {
        setFixedSize(width, height);
    }
}

int FormWindow::outer_width() const {
    return width() + m_frame.left() + m_frame.right();
}

int FormWindow::outer_height() const {
    return height() + m_frame.top() + m_frame.bottom();
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
