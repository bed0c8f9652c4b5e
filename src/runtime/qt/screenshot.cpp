#include "runtime/qt/screenshot.h"

#include <QPixmap>

#include "runtime/qt/qt_form.h"

namespace qorvex::runtime::qt {

QImage grab_window(Form& form) {
    auto* window = dynamic_cast<QtForm*>(&form);
    if (window == nullptr || window->window() == nullptr) {
        return {};
    }
    return window->window()->grab().toImage();
}

bool save_screenshot(Form& form, const std::string& path) {
    const QImage image = grab_window(form);
    return !image.isNull() && image.save(QString::fromStdString(path), "PNG");
}

}  // namespace qorvex::runtime::qt
