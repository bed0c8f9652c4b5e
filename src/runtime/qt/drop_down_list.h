#pragma once

// A combo box that is a pure drop-down list: no edit field, so nothing the
// user types becomes its text, and an opened list tall enough to show several
// items at once.

#include <QComboBox>

namespace qorvex::runtime::qt {

class DropDownList : public QComboBox {
    Q_OBJECT

public:
    static constexpr int kMinPopupHeight = 160;

    explicit DropDownList(QWidget* parent);

    void showPopup() override;

protected:
    // The wheel changes the choice only while the list has the focus, so
    // scrolling the window past it does not pick a province by accident.
    void wheelEvent(QWheelEvent* event) override;
};

}  // namespace qorvex::runtime::qt
