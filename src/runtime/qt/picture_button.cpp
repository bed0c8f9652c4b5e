#include "runtime/qt/picture_button.h"

#include <QPainter>
#include <utility>

namespace qorvex::runtime::qt {

PictureButton::PictureButton(QImage normal, QImage hover, QImage pressed, QWidget* parent)
    : QAbstractButton(parent),
      m_normal(std::move(normal)),
      m_hover(std::move(hover)),
      m_pressed(std::move(pressed)) {
    setAttribute(Qt::WA_Hover);
}

QSize PictureButton::sizeHint() const {
    return m_normal.size();
}

const QImage& PictureButton::current_picture() const {
    if (isDown()) {
        return m_pressed;
    }
    return m_hovered ? m_hover : m_normal;
}

void PictureButton::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.drawImage(rect(), current_picture());
    if (hasFocus()) {
        // Keyboard users need to see where the focus is; the pictures do not show it.
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(1, 1, -2, -2));
    }
}

void PictureButton::enterEvent(QEnterEvent* event) {
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void PictureButton::leaveEvent(QEvent* event) {
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

}  // namespace qorvex::runtime::qt
