#pragma once

// Small forms and pictures for the Qt back end's own tests.

#include <QColor>
#include <QImage>
#include <QSize>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/runtime.h"

namespace qorvex::test {

runtime::ComponentDescription qt_component(std::string name, runtime::ComponentType type,
                                           runtime::Rect geometry, std::string text = {});

// A 400 x 300 window holding `components`.
runtime::FormDescription qt_test_form(std::vector<runtime::ComponentDescription> components);

// `picture` as PNG bytes, written by Qt; the back end reads them with libpng.
std::vector<std::uint8_t> png_bytes(const QImage& picture);
QImage solid_picture(QColor colour, QSize size = QSize(120, 30));

}  // namespace qorvex::test
