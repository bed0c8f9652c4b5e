#include "qt/qt_test_forms.h"

#include <QBuffer>

namespace qorvex::test {

runtime::ComponentDescription qt_component(std::string name, runtime::ComponentType type,
                                           runtime::Rect geometry, std::string text) {
    runtime::ComponentDescription component;
    component.name = std::move(name);
    component.type = type;
    component.geometry = geometry;
    component.text = std::move(text);
    component.tab_stop = true;
    return component;
}

runtime::FormDescription qt_test_form(std::vector<runtime::ComponentDescription> components) {
    runtime::FormDescription form;
    form.name = "qt test";
    form.caption = "Qorvex";
    form.width = 400;
    form.height = 300;
    form.components = std::move(components);
    return form;
}

std::vector<std::uint8_t> png_bytes(const QImage& picture) {
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return {encoded.begin(), encoded.end()};
}

QImage solid_picture(QColor colour, QSize size) {
    QImage picture(size, QImage::Format_ARGB32);
    picture.fill(colour);
    return picture;
}

}  // namespace qorvex::test
