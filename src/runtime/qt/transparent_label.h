#pragma once

// A caption drawn straight onto its parent, without a background of its own,
// that reports a left button press with the position in its own coordinates
// and the modifier keys held.

#include <functional>

#include "runtime/events.h"
#include "runtime/qt/caption_label.h"

namespace qorvex::runtime::qt {

class TransparentLabel : public CaptionLabel {
    Q_OBJECT

public:
    using PressHandler = std::function<void(const EventArgs&)>;

    explicit TransparentLabel(QWidget* parent);

    void set_press_handler(PressHandler handler);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    PressHandler m_press_handler;
};

}  // namespace qorvex::runtime::qt
