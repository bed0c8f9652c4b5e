#include "runtime/qt/drop_down_list.h"

#include <QAbstractItemView>
#include <QWheelEvent>
#include <algorithm>

namespace qorvex::runtime::qt {

DropDownList::DropDownList(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    setInsertPolicy(QComboBox::NoInsert);
}

void DropDownList::showPopup() {
    QComboBox::showPopup();
    QWidget* popup = view()->window();
    if (popup == nullptr || popup == window() || popup->height() >= kMinPopupHeight) {
        return;
    }
    // A short list gets no taller than its rows need.
    const int rows_height =
        view()->sizeHintForRow(0) * count() + 2 * popup->contentsMargins().top();
    const int height = std::min(kMinPopupHeight, std::max(popup->height(), rows_height));
    popup->resize(popup->width(), height);
}

void DropDownList::wheelEvent(QWheelEvent* event) {
    if (!hasFocus()) {
        event->ignore();
        return;
    }
    QComboBox::wheelEvent(event);
}

}  // namespace qorvex::runtime::qt
