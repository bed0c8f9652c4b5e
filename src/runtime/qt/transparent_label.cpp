#include "runtime/qt/transparent_label.h"

#include <QMouseEvent>
#include <utility>

namespace qorvex::runtime::qt {

namespace {

int key_state(Qt::KeyboardModifiers modifiers) {
    int state = 0;
    if (modifiers.testFlag(Qt::ControlModifier)) {
        state += kKeyCtrl;
    }
    if (modifiers.testFlag(Qt::ShiftModifier)) {
        state += kKeyShift;
    }
    if (modifiers.testFlag(Qt::AltModifier)) {
        state += kKeyAlt;
    }
    return state;
}

}  // namespace

TransparentLabel::TransparentLabel(QWidget* parent) : CaptionLabel(parent) {
    setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
}

void TransparentLabel::set_press_handler(PressHandler handler) {
    m_press_handler = std::move(handler);
}

void TransparentLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_press_handler) {
        QLabel::mousePressEvent(event);
        return;
    }
    event->accept();
    const QPoint position = event->position().toPoint();
    // The handler may destroy the window and this label with it.
    PressHandler handler = m_press_handler;
    handler(EventArgs{position.x(), position.y(), key_state(event->modifiers())});
}

}  // namespace qorvex::runtime::qt
