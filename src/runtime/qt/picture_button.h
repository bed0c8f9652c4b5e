#pragma once

// A button drawn entirely from three pictures: the normal look, the look while
// the mouse is over it and the look while it is held down. It has no caption.

#include <QAbstractButton>
#include <QImage>

namespace qorvex::runtime::qt {

class PictureButton : public QAbstractButton {
    Q_OBJECT

public:
    PictureButton(QImage normal, QImage hover, QImage pressed, QWidget* parent);

    QSize sizeHint() const override;

    // The picture the button shows in its present state.
    const QImage& current_picture() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QImage m_normal;
    QImage m_hover;
    QImage m_pressed;
    bool m_hovered = false;
};

}  // namespace qorvex::runtime::qt
